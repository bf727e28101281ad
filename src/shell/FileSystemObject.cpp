#include "shell/FileSystemObject.h"

#include "automation/MemberTable.h"
#include "automation/Servers.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {

using namespace automation;

class FileSystemObject final : public Dispatch {
public:
    QString className() const override { return QStringLiteral("FileSystemObject"); }
    Variant invoke(const Call& call) override { return members().dispatch(*this, call); }

private:
    // Removes the entry of that name, a link as the link itself: nothing a
    // link points at is opened, changed or removed. Force also removes a
    // read-only file; removing a name needs no write access to the file,
    // only to its folder, so force changes no mode.
    static Variant deleteFile(FileSystemObject&, const Call& call)
    {
        const QString path = call.positional(0).toString();
        const Variant* forceArg = call.argument(1, "Force");
        const bool force = forceArg && forceArg->toBool();
        const QByteArray name = QFile::encodeName(path);
        struct stat entry {};
        if (name.isEmpty() || ::lstat(name.constData(), &entry) != 0 || S_ISDIR(entry.st_mode))
            throw AutomationError(QStringLiteral("File not found"));
        if (!force && !QFileInfo(path).isWritable())
            throw AutomationError(QStringLiteral("Permission denied"));
        if (::unlink(name.constData()) != 0)
            throw AutomationError(QStringLiteral("Permission denied"));
        return {};
    }

    static const MemberTable<FileSystemObject>& members()
    {
        static const MemberTable<FileSystemObject> table{{"DeleteFile", &deleteFile}};
        return table;
    }
};

} // namespace

void registerFileSystemObject()
{
    Servers::registerServer(QStringLiteral("Scripting.FileSystemObject"),
                            [] { return Object(std::make_shared<FileSystemObject>()); });
}

} // namespace shell
