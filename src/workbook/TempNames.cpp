#include "workbook/TempNames.h"

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
    return !existing.exists() && !existing.isSymLink();
}

void releaseUnwritten(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        QFile::remove(path);
}

} // namespace TempNames
