#include "preview/FileCopy.h"

#include "core/Files.h"

#include <QDir>

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace preview {

namespace {

[[noreturn]] void cannotRead(const QString& source, const QString& why)
{
    throw quorvale::Error(
        QStringLiteral("The workbook %1 could not be read: %2").arg(QDir::toNativeSeparators(source), why));
}

[[noreturn]] void cannotSave(const QString& target, const QString& why)
{
    throw quorvale::Error(
        QStringLiteral("The workbook could not be saved as %1: %2").arg(QDir::toNativeSeparators(target), why));
}

// The contents of in, a block at a time, into out.
void copyContents(const quorvale::files::Descriptor& in, quorvale::files::NewFile& out, const QString& source)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in.fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotRead(source, QString::fromStdString(std::generic_category().message(errno)));
        if (n == 0)
            return;
        out.write(buffer, n);
    }
}

} // namespace

void copyFileReplacing(const QString& source, const QString& target)
{
    quorvale::files::Descriptor in;
    try {
        in = quorvale::files::openOwnFile(source);
    } catch (const quorvale::files::FileError& e) {
        cannotRead(source, e.reason());
    }
    try {
        // The user has said yes to replacing it, read-only or not.
        quorvale::files::NewFile out(target, {.existing = quorvale::files::Existing::ReplaceEvenReadOnly});
        copyContents(in, out, source);
        out.commit();
    } catch (const quorvale::files::FileError& e) {
        cannotSave(target, e.reason());
    }
}

} // namespace preview
