#include "preview/FileCopy.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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
    if (!flushAll(out) || !out.setPermissions(in.permissions()))
        cannotSave(target, out.errorString());
    out.close();
    renameOver(out.fileName(), target);
    out.setAutoRemove(false);
}

} // namespace preview
