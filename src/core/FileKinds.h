#pragma once

#include <QString>

#include <sys/stat.h>

#include <system_error>

// The words of the file module's messages, shared by its writing and its
// reading.
namespace quorvale::files {

// The system's words for an errno ("No space left on device").
inline QString reasonOf(int error) { return QString::fromStdString(std::generic_category().message(error)); }

// What a file is when it is not a plain file.
inline QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO (a named pipe), not a plain file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a plain file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a plain file");
    return QStringLiteral("it is not a plain file");
}

} // namespace quorvale::files
