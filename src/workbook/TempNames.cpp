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

QString reasonOf(int error) { return QString::fromStdString(std::generic_category().message(error)); }

// An open file, closed when it goes.
class OpenFile {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Whether the open file is a plain file of the user's with no other name:
// the one a claim made, not one that somebody put in its place.
bool isOwnPlainFile(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
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

void writeClaimed(const QString& path, const std::function<bool(const WriteBytes&)>& writeFile)
{
    // Not blocking: a pipe put in the file's place is refused, not waited on.
    const OpenFile file(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.fd() < 0)
        throw quorvale::Error(reasonOf(errno));
    if (!isOwnPlainFile(file.fd()))
        throw quorvale::Error(QStringLiteral("it is not the file that this run made for it"));
    if (::ftruncate(file.fd(), 0) != 0)
        throw quorvale::Error(reasonOf(errno));
    int writeError = 0;
    const bool made = writeFile([&](const char* bytes, qint64 size) {
        if (writeAll(file.fd(), bytes, qsizetype(size)))
            return true;
        writeError = errno;
        return false;
    });
    if (!made || writeError != 0) {
        (void)::ftruncate(file.fd(), 0);
        throw quorvale::Error(writeError != 0 ? reasonOf(writeError) : QStringLiteral("the file could not be made"));
    }
}

void writeClaimed(const QString& path, const QByteArray& bytes)
{
    writeClaimed(path, [&](const WriteBytes& write) { return write(bytes.constData(), bytes.size()); });
}

void releaseUnwritten(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        QFile::remove(path);
}

void removeLeftoverWorkbooks()
{
    static const QRegularExpression name(QStringLiteral("^%1[1-9]{8}\\.xls$").arg(QLatin1String(WorkbookPrefix)));
    const QDir folder(temporaryFolder());
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QString& fileName : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = folder.filePath(fileName);
        if (name.match(fileName).hasMatch() && isLeftover(path, dayAgo))
            ::unlink(QFile::encodeName(path).constData());
    }
}

} // namespace TempNames
