// The main window with a full list: start-up from the stored value, the
// store on close, and the two ID searches of the record editor.

#include "BenchSupport.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "records/InventoryIds.h"
#include "records/RecordStore.h"
#include "shell/Services.h"
#include "shell/Trace.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace {

// Answers every box at once, so that nothing waits on the user.
class QuietServices : public shell::Services {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(request.text));
        return shell::MessageAnswer::Ok;
    }
    void endApplication() override {}
};

class IdleSpreadsheet final : public automation::Dispatch {
public:
    QString className() const override { return QStringLiteral("Application"); }
    automation::Variant invoke(const automation::Call& call) override
    {
        automation::throwUnknownMember(className(), call.member);
    }
};

// A full list of items with realistic texts, in the stored form.
QString fullStoredList()
{
    QString text;
    for (int i = 1; i <= ListItems::Capacity; ++i) {
        InventoryRecord r;
        r[InventoryRecord::InventoryID] = QString::number(100000 + i);
        r[InventoryRecord::InventoryName] = QStringLiteral("Item %1").arg(i);
        r[InventoryRecord::Description] = QStringLiteral("fastening parts, box of %1").arg(i % 50);
        r[InventoryRecord::UnitPrice] = QStringLiteral("%1.99").arg(i % 100);
        r[InventoryRecord::QtyInStock] = QString::number(i % 900);
        r[InventoryRecord::ReorderLevel] = QString::number(i % 600);
        r[InventoryRecord::ReorderTime] = QString::number(i % 7);
        r[InventoryRecord::QuantityReorder] = QString::number(i % 1500);
        r[InventoryRecord::Discontinued] = i % 2 ? QStringLiteral("No") : QStringLiteral("Yes");
        records::appendStoredRecord(text, r);
    }
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QuietServices services;
    shell::Services::install(&services);
    automation::Servers::registerServer(QStringLiteral("Excel.Application"),
                                        [] { return automation::Object(std::make_shared<IdleSpreadsheet>()); });

    const QString stored = fullStoredList();
    records::writeStoredList(stored);

    // A settings file changed since it was last read is read again, as a
    // new run of the program would read it.
    const QString settingsFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tallowind")).fileName();
    int run = 0;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    const auto coldStart = [&] {
        windows.reset();
        QFile file(settingsFile);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-60 - ++run), QFileDevice::FileModificationTime);
    };
    bench::measure("records: start-up with 32,767 items", 5, coldStart, [&] {
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        form->Form_Load();
        form->show();
        QApplication::processEvents();
    });
    bench::measure("records: store 32,767 items", 5, [&] { form->Form_QueryUnload(); });
    if (records::readStoredList() != stored)
        std::fprintf(stderr, "the stored list did not come back unchanged\n");
    bench::measure("records: NextInventoryID of 32,767 items", 21, [&] { (void)form->NextInventoryID(); });
    bench::measure("records: InventoryIdExists of a missing ID", 21,
                   [&] { (void)form->InventoryIdExists(QStringLiteral("missing")); });
    windows.reset();
    records::writeStoredList(QString());
    return 0;
}
