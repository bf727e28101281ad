#pragma once

#include "core/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

// The one way this program writes a file: whole or not at all.
//
// The new contents go to a file created exclusively beside the target (the
// user's alone while it is written); everything after that acts on its
// descriptor: every write checked, the file synced, the mode, group and ACL
// of the file it replaces copied onto it (never more open than before), and
// only then renamed over the target. Any failure on the way removes the new
// file and leaves the target exactly as it was.
//
// A target that is not a plain file (a folder, a FIFO, a device, a socket)
// is refused, and so is a read-only one. A link is followed only where no
// other user could have put it: it must be the user's own, in a folder that
// is not shared with others under the sticky bit.
//
// Files the program made and reads back are read by descriptor too, never
// through a link and never waiting on a FIFO.
namespace quorvale::files {

// A file could not be written or read: the file and the reason, the
// system's own words where it gave them ("No space left on device").
class FileError : public Error {
public:
    FileError(QString path, QString reason);

    const QString& path() const noexcept { return m_path; }
    const QString& reason() const noexcept { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// Who may read the new file.
enum class Access {
    // As the replaced file allowed: its mode, group and ACL, never more open
    // (a group the user is not in gets nothing). A file new to its folder
    // gets the user's default mode.
    AsReplaced,
    // The user alone (mode 0600), whatever the replaced file allowed.
    UserOnly,
};

// Whether the new file may take the place of one already there.
enum class Existing {
    // A plain file that is not read-only.
    Replace,
    // Read-only too: the user was asked and said yes.
    ReplaceEvenReadOnly,
    // Keep what is there: the new file fails with "File exists" instead.
    Keep,
};

// Whether the new file must outlast a crash of the system.
enum class Durability {
    // Synced, and its folder after the rename: what the user keeps.
    Lasting,
    // Written and checked but not synced: a file of moments (a picture read
    // back at once, a working copy) whose loss in a crash costs nothing.
    Scratch,
};

struct WriteOptions {
    Access access = Access::AsReplaced;
    Existing existing = Existing::Replace;
    Durability durability = Durability::Lasting;
};

// A new file for a target, written whole or not at all. Throws FileError
// from every step that fails; a file that is not committed goes when the
// object does, and the target stays as it was.
class NewFile {
public:
    explicit NewFile(const QString& target, WriteOptions options = {});
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    void write(const char* data, qint64 size);
    void write(QByteArrayView bytes) { write(bytes.data(), bytes.size()); }
    // Syncs the new file, gives it its access and puts it in the target's
    // place (the folder synced after). Nothing more may be written.
    void commit();

private:
    struct State;
    std::unique_ptr<State> d;
};

// The whole of bytes as the file at target.
void writeWhole(const QString& target, QByteArrayView bytes, WriteOptions options = {});

// The whole of bytes on standard output, every write checked and, when it
// is a file, synced. Throws FileError naming "standard output".
void writeStandardOutput(QByteArrayView bytes);

// An open file, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : m_fd(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : m_fd(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int fd() const noexcept { return m_fd; }
    // Hands the descriptor over: the caller closes it.
    int release() noexcept
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Opens for reading a file this program made: never through a link, never
// waiting, and only when it is a plain file of the user's with no other
// name, as the program left it. Throws FileError saying what is there
// instead.
Descriptor openOwnFile(const QString& path);
// The whole of such a file.
QByteArray readOwnFile(const QString& path);

// Opens for reading a plain file the user names, links followed, never
// waiting on a FIFO or a device. Throws FileError.
Descriptor openPlainFile(const QString& path);
// The whole of such a file.
QByteArray readPlainFile(const QString& path);

// Removes the new files of the writes under way. Safe in a signal handler:
// a program told to stop calls it on its way out, so that nothing half
// written stays beside a target.
void removePendingFiles() noexcept;

} // namespace quorvale::files
