#include "support/Headless.h"

#include "automation/Servers.h"
#include "shell/FileSystemObject.h"
#include "spreadsheet/objects/Server.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace support {

void prepareHeadless()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
}

void registerServers()
{
    ss::registerExcelApplication();
    shell::registerFileSystemObject();
}

namespace {

class IdleSpreadsheet final : public automation::Dispatch {
public:
    QString className() const override { return QStringLiteral("Application"); }
    automation::Variant invoke(const automation::Call& call) override
    {
        automation::throwUnknownMember(className(), call.member);
    }
};

} // namespace

void registerIdleSpreadsheet()
{
    automation::Servers::registerServer(QStringLiteral("Excel.Application"),
                                        [] { return automation::Object(std::make_shared<IdleSpreadsheet>()); });
}

void setTemporaryFolder(const QString& path)
{
    if (path.isEmpty())
        qunsetenv("TEMP");
    else
        qputenv("TEMP", QDir::toNativeSeparators(path).toLocal8Bit());
}

shell::MessageAnswer QuietServices::showMessage(const shell::MessageRequest& request)
{
    std::fprintf(stderr, "unexpected message:\n%s\n", qPrintable(request.text));
    std::exit(1);
}

Headless::Headless()
{
    setTemporaryFolder(m_temp.path());
    shell::Services::install(&m_services);
    registerServers();
}

Headless::~Headless()
{
    automation::Servers::clear();
    shell::Services::install(nullptr);
    setTemporaryFolder({});
}

} // namespace support
