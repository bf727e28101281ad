#include "shell/FileSystemObject.h"

#include "automation/MemberTable.h"
#include "automation/Servers.h"

#include <QFile>
#include <QFileInfo>

namespace shell {

namespace {

using namespace automation;

class FileSystemObject final : public Dispatch {
public:
    QString className() const override { return QStringLiteral("FileSystemObject"); }
    Variant invoke(const Call& call) override { return members().dispatch(*this, call); }

private:
    static Variant deleteFile(FileSystemObject&, const Call& call)
    {
        const QString path = call.positional(0).toString();
        const Variant* forceArg = call.argument(1, "Force");
        const bool force = forceArg && forceArg->toBool();
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            throw AutomationError(QStringLiteral("File not found"));
        if (info.isDir())
            throw AutomationError(QStringLiteral("File not found"));
        if (force)
            QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner | QFile::WriteUser);
        else if (!info.isWritable())
            throw AutomationError(QStringLiteral("Permission denied"));
        if (!QFile::remove(path))
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
