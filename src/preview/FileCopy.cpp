#include "preview/FileCopy.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace preview {

namespace {

[[noreturn]] void fail(const QString& description) { throw quorvale::Error(description); }

[[noreturn]] void cannotRead(const QString& source, const QString& why)
{
    fail(QStringLiteral("The workbook %1 could not be read: %2").arg(QDir::toNativeSeparators(source), why));
}

[[noreturn]] void cannotSave(const QString& target, const QString& why)
{
    fail(QStringLiteral("The workbook could not be saved as %1: %2").arg(QDir::toNativeSeparators(target), why));
}

// Writes all of data. A write that stops short, as on a full disk, is
// followed by one for the rest, which fails with the reason.
void writeAll(QFile& out, const char* data, qint64 size, const QString& target)
{
    while (size > 0) {
        const qint64 n = out.write(data, size);
        if (n <= 0)
            cannotSave(target, out.errorString());
        data += n;
        size -= n;
    }
}

// The same for what is still buffered.
bool flushAll(QFile& out) { return out.flush() || out.flush(); }

void copyContents(QFile& in, QFile& out, const QString& source, const QString& target)
{
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            cannotRead(source, in.errorString());
        if (n == 0)
            return;
        writeAll(out, buffer, n, target);
    }
}

// The mode a new file gets from the user's default.
mode_t userDefaultMode()
{
    // The mask can only be read by setting it; it is set back at once.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Gives the open copy the mode and group of the file it is to replace, or
// the user's default mode when there is none. Where the group cannot be
// kept, the group gets nothing, so the copy is never open to more people
// than the file it replaces.
void takeModeOf(const QString& target, const QFile& out)
{
    struct stat old {};
    mode_t mode = userDefaultMode();
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        mode = old.st_mode & 0777;
        if (::fchown(out.handle(), uid_t(-1), old.st_gid) != 0)
            mode &= ~mode_t(S_IRWXG);
    }
    if (::fchmod(out.handle(), mode) != 0)
        cannotSave(target, QString::fromStdString(std::generic_category().message(errno)));
}

void renameOver(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    if (error)
        cannotSave(to, QString::fromLocal8Bit(error.message().c_str()));
}

} // namespace

void copyFileReplacing(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        cannotRead(source, in.errorString());
    const QFileInfo targetInfo(target);
    QTemporaryFile out(targetInfo.absoluteDir().filePath(targetInfo.fileName() + QStringLiteral(".XXXXXX")));
    if (!out.open())
        cannotSave(target, out.errorString());
    copyContents(in, out, source, target);
    if (!flushAll(out))
        cannotSave(target, out.errorString());
    takeModeOf(target, out);
    out.close();
    renameOver(out.fileName(), target);
    out.setAutoRemove(false);
}

} // namespace preview
