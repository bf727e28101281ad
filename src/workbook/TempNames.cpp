#include "workbook/TempNames.h"

#include "core/Error.h"
#include "shell/Services.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace TempNames {

namespace {

QString inTemporaryFolder(const QString& fileName)
{
    return QDir::toNativeSeparators(QDir(temporaryFolder()).filePath(fileName));
}

// A leftover of a run that never ended: a plain workbook file of the user's,
// not written for more than a day.
bool isLeftover(const QString& path, const QDateTime& dayAgo)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
        && QDateTime::fromSecsSinceEpoch(info.st_mtime) < dayAgo;
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

QString snapshotPath(const QString& name) { return inTemporaryFolder(name + QStringLiteral(".bmp")); }

bool claim(const QString& path)
{
    // O_EXCL never opens what is there, a link included.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno != EEXIST;
}

QString claimSnapshot()
{
    QString path;
    do {
        QString name = QString::fromLatin1(SnapshotPrefix);
        for (int digits = 0; digits < 8; ++digits)
            name += QString::number(shell::Services::current().randomDigit());
        path = snapshotPath(name);
    } while (!claim(path));
    return path;
}

void releaseUnwritten(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
        && info.st_size == 0)
        ::unlink(name.constData());
}

void removeLeftovers()
{
    static const QRegularExpression name(QStringLiteral("^(%1[1-9]{8}\\.xls|%2[1-9]{8}\\.bmp)$")
                                             .arg(QLatin1String(WorkbookPrefix), QLatin1String(SnapshotPrefix)));
    const QDir folder(temporaryFolder());
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QString& fileName : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = folder.filePath(fileName);
        if (name.match(fileName).hasMatch() && isLeftover(path, dayAgo))
            ::unlink(QFile::encodeName(path).constData());
    }
}

} // namespace TempNames
