// Reading back, by descriptor, what the program made or the user names.
#include "core/Files.h"

#include "core/FileKinds.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quorvale::files {

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

namespace {

[[noreturn]] void cannotRead(const QString& path, const QString& reason)
{
    throw FileError(QDir::toNativeSeparators(path), reason);
}

Descriptor openForReading(const QString& path, int flags, struct stat& info)
{
    Descriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | flags));
    if (file.fd() < 0)
        cannotRead(path, errno == ELOOP && (flags & O_NOFOLLOW) ? QStringLiteral("it is a link, not a plain file")
                                                                 : reasonOf(errno));
    if (::fstat(file.fd(), &info) != 0)
        cannotRead(path, reasonOf(errno));
    if (!S_ISREG(info.st_mode))
        cannotRead(path, kindOf(info.st_mode));
    // A plain file reads the same either way; blocking reads are simpler.
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

QByteArray readAll(const QString& path, const Descriptor& file, qint64 sizeHint)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(std::max<qint64>(sizeHint, 0)) + 1);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file.fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotRead(path, reasonOf(errno));
        if (n == 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

} // namespace

Descriptor openOwnFile(const QString& path)
{
    struct stat info {};
    Descriptor file = openForReading(path, O_NOFOLLOW, info);
    if (info.st_uid != ::geteuid())
        cannotRead(path, QStringLiteral("it belongs to another user, so it is not the file this program made"));
    if (info.st_nlink != 1)
        cannotRead(path, QStringLiteral("it has a second name, so it is not the file this program made"));
    return file;
}

QByteArray readOwnFile(const QString& path)
{
    const Descriptor file = openOwnFile(path);
    struct stat info {};
    return readAll(path, file, ::fstat(file.fd(), &info) == 0 ? info.st_size : 0);
}

Descriptor openPlainFile(const QString& path)
{
    struct stat info {};
    return openForReading(path, 0, info);
}

QByteArray readPlainFile(const QString& path)
{
    const Descriptor file = openPlainFile(path);
    struct stat info {};
    return readAll(path, file, ::fstat(file.fd(), &info) == 0 ? info.st_size : 0);
}

} // namespace quorvale::files
