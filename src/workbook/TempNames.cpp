#include "workbook/TempNames.h"

#include "automation/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TempNames {

namespace {
QString inTemporaryFolder(const QString& fileName)
{
    return QDir::toNativeSeparators(QDir(temporaryFolder()).filePath(fileName));
}
} // namespace

QString temporaryFolder()
{
    // The platform's environment decides how the name is compared: without
    // regard to case on Windows, exactly elsewhere.
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QDir::tempPath() : temp;
}

QString workbookPath(const QString& name) { return inTemporaryFolder(name + QStringLiteral(".xls")); }

QString snapshotPath() { return inTemporaryFolder(QStringLiteral("temp.bmp")); }

bool claim(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink())
        return false;
    throw quorvale::Error(QStringLiteral("The temporary workbook %1 could not be created: %2").arg(path, file.errorString()));
}

void releaseUnwritten(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        QFile::remove(path);
}

} // namespace TempNames
