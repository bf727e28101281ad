// Writing a file whole or not at all.
#include "core/Files.h"

#include "core/FileFaults.h"
#include "core/FileKinds.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>

namespace quorvale::files {

namespace {

// The access control list of a file, as the kernel keeps it.
constexpr char AclName[] = "system.posix_acl_access";
// An entry of such a list: a tag, its permissions and an id, after a header
// of four bytes; the owning group's entry is tagged 0x04.
constexpr std::size_t AclHeaderBytes = 4;
constexpr std::size_t AclEntryBytes = 8;
constexpr unsigned AclGroupObject = 0x04;
// Links followed for one target before it counts as a loop, as the kernel
// counts them.
constexpr int MaxLinks = 40;

FaultSeam& faultSeam()
{
    static FaultSeam seam;
    return seam;
}

// Whether the call may go on; when the seam fails it, errno says why.
bool allowed(FileCall call, const QString& newFile)
{
    if (!faultSeam())
        return true;
    const int error = faultSeam()(call, newFile);
    if (error == 0)
        return true;
    errno = error;
    return false;
}

QString nativeName(const QByteArray& path) { return QDir::toNativeSeparators(QFile::decodeName(path)); }

std::int64_t millisecondsOf(const timespec& time) { return std::int64_t(time.tv_sec) * 1000 + time.tv_nsec / 1000000; }

// The new files of the writes under way, where a signal handler can find
// them: a path is written before its slot is marked ready, and a slot is
// unmarked before its path changes.
constexpr int PendingSlots = 8;
struct PendingFile {
    std::atomic<bool> taken{false};
    std::atomic<bool> ready{false};
    char path[PATH_MAX + 64] = {};
};
PendingFile g_pending[PendingSlots];
static_assert(std::atomic<bool>::is_always_lock_free);

int holdPending(const QByteArray& path)
{
    if (std::size_t(path.size()) >= sizeof g_pending[0].path)
        return -1;
    for (int i = 0; i < PendingSlots; ++i) {
        bool free = false;
        if (!g_pending[i].taken.compare_exchange_strong(free, true))
            continue;
        std::memcpy(g_pending[i].path, path.constData(), std::size_t(path.size()) + 1);
        g_pending[i].ready.store(true, std::memory_order_release);
        return i;
    }
    return -1; // more writes at once than slots: this one is only removed by its owner
}

void dropPending(int slot)
{
    if (slot < 0)
        return;
    g_pending[slot].ready.store(false, std::memory_order_release);
    g_pending[slot].taken.store(false, std::memory_order_release);
}

// The user's default mode for a new file. The mask is read from the
// process's status, as setting it to read it back would race with other
// threads creating files.
mode_t defaultFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return 0666 & ~mode_t(mask);
        }
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The name of a new file beside its target: hidden, and never one that is
// there already, as it is created exclusively.
QByteArray newFileName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name(".quorvale-");
    for (int i = 0; i < 8; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name + ".tmp";
}

} // namespace

FileError::FileError(QString path, QString reason)
    : Error(QStringLiteral("%1: %2").arg(path, reason)), m_path(std::move(path)), m_reason(std::move(reason))
{
}

void setFaultSeam(FaultSeam seam) { faultSeam() = std::move(seam); }

// Where a target lies, its links followed as far as they may be.
struct Place {
    QString target;        // as the caller named it, for messages
    QByteArray folderPath; // the folder of the file to replace
    QByteArray name;       // its name there
    Descriptor folder;
    bool folderReadable = false; // opened for reading, so it can be synced
    bool exists = false;
    struct stat old {};    // the file replaced, when there is one
    Descriptor oldFile;    // the same, held by a path descriptor

    [[noreturn]] void fail(const QString& reason) const { throw FileError(target, reason); }
    [[noreturn]] void failWith(int error) const { fail(reasonOf(error)); }

    void openFolder(const QByteArray& path)
    {
        folderPath = path;
        folder = Descriptor(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folderReadable = folder.fd() >= 0;
        if (!folderReadable && errno == EACCES) // a folder one may write but not list
            folder = Descriptor(::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (folder.fd() < 0)
            failWith(errno);
    }

    // Whether a folder's entries may be swapped by other users while the
    // sticky bit stops them only from swapping each other's.
    bool folderSharedSticky() const
    {
        struct stat info {};
        return ::fstat(folder.fd(), &info) != 0
            || ((info.st_mode & S_ISVTX) && (info.st_mode & (S_IWGRP | S_IWOTH)));
    }

    // Follows the link at name; refuses one another user could have put
    // there.
    QByteArray linkTarget(const struct stat& link) const
    {
        const QString linkName = nativeName(folderPath + '/' + name);
        if (link.st_uid != ::geteuid())
            fail(QStringLiteral("the link %1 belongs to another user and is not followed").arg(linkName));
        if (folderSharedSticky())
            fail(QStringLiteral("the link %1 lies in a folder shared with other users and is not followed")
                     .arg(linkName));
        char buffer[PATH_MAX];
        const ssize_t n = ::readlinkat(folder.fd(), name.constData(), buffer, sizeof buffer);
        if (n < 0)
            failWith(errno);
        if (std::size_t(n) == sizeof buffer)
            failWith(ENAMETOOLONG);
        const QByteArray to(buffer, n);
        return to.startsWith('/') ? to : folderPath + '/' + to;
    }

    bool readOnly() const
    {
        return (old.st_mode & 0222) == 0 || ::faccessat(folder.fd(), name.constData(), W_OK, AT_EACCESS) != 0;
    }

    Place(const QString& path, Existing existing) : target(QDir::toNativeSeparators(path))
    {
        QByteArray at = QFile::encodeName(path);
        if (at.isEmpty())
            fail(QStringLiteral("no file name was given"));
        for (int links = 0;; ++links) {
            const qsizetype slash = at.lastIndexOf('/');
            name = at.mid(slash + 1);
            if (name.isEmpty() || name == "." || name == "..")
                fail(kindOf(S_IFDIR));
            openFolder(slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : at.left(slash));
            struct stat info {};
            if (::fstatat(folder.fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    return; // a new file
                failWith(errno);
            }
            if (S_ISLNK(info.st_mode)) {
                if (links == MaxLinks)
                    failWith(ELOOP);
                at = linkTarget(info);
                continue;
            }
            if (!S_ISREG(info.st_mode))
                fail(kindOf(info.st_mode));
            old = info;
            if (existing == Existing::Replace && readOnly())
                fail(QStringLiteral("it is read-only"));
            oldFile = Descriptor(::openat(folder.fd(), name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            if (oldFile.fd() < 0)
                failWith(errno);
            exists = true;
            return;
        }
    }
};

struct NewFile::State {
    Place place;
    WriteOptions options;
    QByteArray name;          // of the new file, beside the target
    QString newPath;          // the same as a path, for the seam
    Descriptor file;
    dev_t device = 0;
    ino_t inode = 0;
    int pendingSlot = -1;
    bool committed = false;

    State(const QString& target, WriteOptions o) : place(target, o.existing), options(o) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    // A new file that did not take the target's place goes, by its name
    // only while that still names it.
    ~State()
    {
        file = Descriptor();
        if (!committed && inode != 0 && nameIsOurs())
            ::unlinkat(place.folder.fd(), name.constData(), 0);
        dropPending(pendingSlot);
    }

    [[noreturn]] void failWith(int error) const { place.failWith(error); }

    void create()
    {
        if (place.exists && options.existing == Existing::Keep)
            failWith(EEXIST);
        QByteArray fullName;
        if (!allowed(FileCall::Create, QString()))
            failWith(errno);
        for (int attempt = 0; file.fd() < 0; ++attempt) {
            name = newFileName();
            file = Descriptor(::openat(place.folder.fd(), name.constData(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR));
            if (file.fd() < 0 && (errno != EEXIST || attempt == 100))
                failWith(errno);
        }
        struct stat info {};
        if (::fstat(file.fd(), &info) != 0)
            failWith(errno);
        device = info.st_dev;
        inode = info.st_ino;
        fullName = place.folderPath + '/' + name;
        newPath = QFile::decodeName(fullName);
        pendingSlot = holdPending(fullName);
    }

    // Whether the new file's name still names the file made for it, and
    // not one another program put in its place.
    bool nameIsOurs() const
    {
        struct stat info {};
        return ::fstatat(place.folder.fd(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
            && info.st_dev == device && info.st_ino == inode;
    }

    // The replaced file's access control list; nothing when it has none.
    std::optional<QByteArray> oldAcl() const
    {
        const QByteArray viaProc = "/proc/self/fd/" + QByteArray::number(place.oldFile.fd());
        QByteArray acl(1024, Qt::Uninitialized);
        ssize_t n = ::getxattr(viaProc.constData(), AclName, acl.data(), std::size_t(acl.size()));
        if (n < 0 && errno == ENOENT) // no /proc: by its name
            n = ::lgetxattr((place.folderPath + '/' + place.name).constData(), AclName, acl.data(),
                            std::size_t(acl.size()));
        if (n < 0) {
            if (errno == ENODATA || errno == ENOTSUP)
                return std::nullopt;
            place.fail(QStringLiteral("its access list cannot be read (%1)").arg(reasonOf(errno)));
        }
        acl.truncate(n);
        return acl;
    }

    // The mode, group and ACL of the replaced file, never more open: when
    // the group cannot be kept (the user is not in it), the group gets
    // nothing.
    void takeAccessOfOld()
    {
        mode_t mode = place.old.st_mode & 0777;
        bool groupKept = true;
        struct stat own {};
        if (::fstat(file.fd(), &own) != 0)
            failWith(errno);
        if (own.st_gid != place.old.st_gid
            && (!allowed(FileCall::Group, newPath) || ::fchown(file.fd(), uid_t(-1), place.old.st_gid) != 0)) {
            if (errno != EPERM)
                failWith(errno);
            groupKept = false;
            mode &= ~mode_t(S_IRWXG);
        }
        std::optional<QByteArray> acl = oldAcl();
        if (acl && !groupKept)
            for (std::size_t at = AclHeaderBytes; at + AclEntryBytes <= std::size_t(acl->size()); at += AclEntryBytes)
                if (uchar(acl->at(qsizetype(at))) == AclGroupObject && acl->at(qsizetype(at) + 1) == 0)
                    (*acl)[qsizetype(at) + 2] = (*acl)[qsizetype(at) + 3] = 0;
        if (!allowed(FileCall::Mode, newPath) || ::fchmod(file.fd(), mode) != 0)
            failWith(errno);
        if (acl) {
            if (!allowed(FileCall::Acl, newPath)
                || ::fsetxattr(file.fd(), AclName, acl->constData(), std::size_t(acl->size()), 0) != 0)
                failWith(errno);
        } else {
            dropInheritedAcl();
        }
    }

    // A folder's default ACL gives a new file entries the replaced file did
    // not have: they go.
    void dropInheritedAcl()
    {
        if (::fremovexattr(file.fd(), AclName) != 0 && errno != ENODATA && errno != ENOTSUP)
            failWith(errno);
    }

    void giveAccess()
    {
        if (options.access == Access::UserOnly) {
            dropInheritedAcl();
            if (!allowed(FileCall::Mode, newPath) || ::fchmod(file.fd(), S_IRUSR | S_IWUSR) != 0)
                failWith(errno);
        } else if (place.exists) {
            takeAccessOfOld();
        } else if (!allowed(FileCall::Mode, newPath) || ::fchmod(file.fd(), defaultFileMode()) != 0) {
            failWith(errno);
        }
    }

    // A file replaced within the same tick of the clock as it was written
    // would keep its time, and whoever compares time and size (a settings
    // cache, make, rsync) would take it for unchanged: the new file is
    // dated a millisecond later than the old at least.
    void dateAfterOld() const
    {
        struct stat own {};
        if (!place.exists || ::fstat(file.fd(), &own) != 0
            || millisecondsOf(own.st_mtim) > millisecondsOf(place.old.st_mtim))
            return;
        const std::int64_t later = millisecondsOf(place.old.st_mtim) + 1;
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(later / 1000), long(later % 1000) * 1000000}};
        (void)::futimens(file.fd(), times); // only a courtesy: the contents are what count
    }

    void putInPlace()
    {
        const int folder = place.folder.fd();
        if (!allowed(FileCall::Rename, newPath))
            failWith(errno);
        if (!nameIsOurs())
            place.fail(QStringLiteral("its new contents were replaced by another program before they could take "
                                      "its place, so it was left as it was"));
        if (options.existing != Existing::Keep) {
            if (::renameat(folder, name.constData(), folder, place.name.constData()) != 0)
                failWith(errno);
            return;
        }
        if (::renameat2(folder, name.constData(), folder, place.name.constData(), RENAME_NOREPLACE) == 0)
            return;
        if (errno != EINVAL && errno != ENOSYS) // a file system that cannot: a link stands in
            failWith(errno);
        if (::linkat(folder, name.constData(), folder, place.name.constData(), 0) != 0)
            failWith(errno);
        ::unlinkat(folder, name.constData(), 0);
    }
};

NewFile::NewFile(const QString& target, WriteOptions options) : d(std::make_unique<State>(target, options))
{
    d->create(); // what it made goes with d when it fails
}

NewFile::~NewFile() = default;

void NewFile::write(const char* data, qint64 size)
{
    if (d->file.fd() < 0)
        d->failWith(EBADF);
    while (size > 0) {
        if (!allowed(FileCall::Write, d->newPath))
            d->failWith(errno);
        const ssize_t n = ::write(d->file.fd(), data, std::size_t(std::min<qint64>(size, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            d->failWith(n < 0 ? errno : EIO);
        data += n;
        size -= n;
    }
}

void NewFile::commit()
{
    if (d->file.fd() < 0)
        d->failWith(EBADF);
    const bool lasting = d->options.durability == Durability::Lasting;
    if (lasting && (!allowed(FileCall::Sync, d->newPath) || ::fsync(d->file.fd()) != 0))
        d->failWith(errno);
    d->giveAccess();
    d->dateAfterOld();
    const bool mayClose = allowed(FileCall::Close, d->newPath);
    const int closeError = mayClose ? 0 : errno;
    if (::close(d->file.release()) != 0 && errno != EINTR)
        d->failWith(errno);
    if (!mayClose)
        d->failWith(closeError);
    d->putInPlace();
    d->committed = true;
    dropPending(d->pendingSlot);
    d->pendingSlot = -1;
    // The rename is lasting once the folder is synced. A file system that
    // cannot sync a folder has made it lasting by then, as far as it can.
    if (lasting && d->place.folderReadable)
        (void)::fsync(d->place.folder.fd());
}

void writeWhole(const QString& target, QByteArrayView bytes, WriteOptions options)
{
    NewFile file(target, options);
    file.write(bytes);
    file.commit();
}

void writeStandardOutput(QByteArrayView bytes)
{
    const QString name = QStringLiteral("standard output");
    std::fflush(stdout); // what the C library holds goes first
    const char* data = bytes.data();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t n = ::write(STDOUT_FILENO, data, std::size_t(std::min<qsizetype>(left, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError(name, reasonOf(n < 0 ? errno : EIO));
        data += n;
        left -= n;
    }
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) == 0 && S_ISREG(info.st_mode) && ::fsync(STDOUT_FILENO) != 0
        && errno != EINVAL)
        throw FileError(name, reasonOf(errno));
}

void removePendingFiles() noexcept
{
    for (PendingFile& pending : g_pending)
        if (pending.ready.load(std::memory_order_acquire))
            ::unlink(pending.path);
}

} // namespace quorvale::files
