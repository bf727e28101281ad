// The one file writer: every writer of the program walked over every failing
// call, the way SQLite's I/O-error tests walk theirs, and the targets an
// unlucky user or another user may put in a file's place.
#include "automation/Servers.h"
#include "core/FileFaults.h"
#include "core/Files.h"
#include "preview/FileCopy.h"
#include "records/RecordStore.h"
#include "records/RecoveryFile.h"
#include "shell/FileSystemObject.h"
#include "shell/Options.h"
#include "spreadsheet/objects/Server.h"
#include "support/Headless.h"
#include "support/TestServices.h"
#include "workbook/Excel1.h"
#include "workbook/InventoryList.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>

using namespace quorvale::files;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString& path)
{
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

// An ACL that shuts one user out of a file its group may read: the owner
// rw, user 4321 nothing, the group r, mask r, others nothing.
QByteArray aclShuttingOutAUser()
{
    QByteArray acl;
    const auto add32 = [&](quint32 v) { acl.append(reinterpret_cast<const char*>(&v), 4); };
    const auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        acl.append(reinterpret_cast<const char*>(&tag), 2);
        acl.append(reinterpret_cast<const char*>(&perm), 2);
        add32(id);
    };
    add32(2);
    entry(0x01, 6, quint32(-1));
    entry(0x02, 0, 4321);
    entry(0x04, 4, quint32(-1));
    entry(0x10, 4, quint32(-1));
    entry(0x20, 0, quint32(-1));
    return acl;
}

QByteArray aclOf(const QString& path)
{
    QByteArray acl(256, '\0');
    const ssize_t n = ::lgetxattr(QFile::encodeName(path).constData(), "system.posix_acl_access", acl.data(), 256);
    return n < 0 ? QByteArray() : acl.left(n);
}

// Counts the writer's calls, or fails the nth with an error.
struct Walk {
    int calls = 0;
    int failAt = 0;
    int error = EIO;
    FileCall failed{};
    void install()
    {
        setFaultSeam([this](FileCall call, const QString&) {
            if (++calls != failAt)
                return 0;
            failed = call;
            return error;
        });
    }
};

} // namespace

class FilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestServices> services;

    QString at(const QString& name) const { return dir->filePath(name); }

    // A workbook with used cells to take a picture of, as the run's second
    // instance opens it.
    automation::Object workbookWithCells()
    {
        automation::Object app = automation::Servers::createObject(QStringLiteral("Excel.Application"));
        automation::Object book = app.object("Workbooks").call("Add").toObject();
        book.object("ActiveSheet").object("Range", {automation::Variant("A1:C3")}).put("Value", automation::Variant("x"));
        return book;
    }

    // The program's writers, each writing new contents to the file that
    // what(target) names; true when the writer said it failed.
    struct Writer {
        QString target;
        QByteArray old;
        std::function<bool()> write;
    };
    Writer writer(const QString& name)
    {
        const QString text = QStringLiteral("2||SEP1||new||SEP1||||SEP1||||SEP1||||SEP1||||SEP1||||SEP1||||SEP1||||SEP2||");
        const auto reported = [this] { return !services->errorReports().empty(); };
        if (name == QLatin1String("stored list"))
            return {records::settingsFilePath(), "[Quorvale]\nInventory%20List=@ByteArray(old)\n", [=, this] {
                        try {
                            records::writeStoredList(text);
                            return false;
                        } catch (const quorvale::Error&) {
                            return true;
                        }
                    }};
        if (name == QLatin1String("recovery file"))
            return {records::recoveryFilePath(), "old list", [=, this] {
                        try {
                            records::writeRecoveryFile(text);
                            return false;
                        } catch (const quorvale::Error&) {
                            return true;
                        }
                    }};
        if (name == QLatin1String("workbook"))
            return {at(QStringLiteral("stock.xls")), "last week's workbook", [=, this] {
                        InventoryRecord item;
                        item[0] = QStringLiteral("1");
                        return !InventoryList::SaveInventoryWorkbook(std::vector<InventoryRecord>{item},
                                                                     at(QStringLiteral("stock.xls")))
                            && reported();
                    }};
        if (name == QLatin1String("Open XML workbook"))
            return {at(QStringLiteral("stock.xlsx")), "last week's workbook", [=, this] {
                        InventoryRecord item;
                        item[0] = QStringLiteral("1");
                        return !InventoryList::SaveInventoryWorkbook(std::vector<InventoryRecord>{item},
                                                                     at(QStringLiteral("stock.xlsx")),
                                                                     {InventoryList::Output::Kind::OpenXmlWorkbook})
                            && reported();
                    }};
        if (name == QLatin1String("snapshot"))
            return {at(QStringLiteral("temp-12345678.bmp")), "", [=, this] {
                        services->clipboardImages.push_back(QImage(40, 30, QImage::Format_RGB32));
                        Excel1::saveCellsActivesheet(workbookWithCells(), at(QStringLiteral("temp-12345678.bmp")));
                        return reported();
                    }};
        if (name == QLatin1String("preview save"))
            return {at(QStringLiteral("Stock.xls")), "last week's workbook", [=, this] {
                        put(at(QStringLiteral("kintra12345678.xls")), "this run's workbook");
                        try {
                            preview::copyFileReplacing(at(QStringLiteral("kintra12345678.xls")),
                                                       at(QStringLiteral("Stock.xls")));
                            return false;
                        } catch (const quorvale::Error&) {
                            return true;
                        }
                    }};
        return {at(QStringLiteral("items.csv")), "Inventory ID\n1\n", [=, this] {
                    try {
                        writeWhole(at(QStringLiteral("items.csv")), "Inventory ID\n2\n");
                        return false;
                    } catch (const FileError&) {
                        return true;
                    }
                }};
    }

private slots:
    void initTestCase()
    {
        isolateSettings();
        Options::FillWorkbookPalette();
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, at(QStringLiteral("config")));
        QDir().mkpath(at(QStringLiteral("config")));
        QDir().mkpath(QFileInfo(records::recoveryFilePath()).absolutePath());
        automation::Servers::clear();
        support::registerServers();
        services = std::make_unique<TestServices>();
        services->scriptedClipboard = true;
    }
    void cleanup()
    {
        setFaultSeam({});
        services.reset();
        automation::Servers::clear();
        QFile::remove(records::recoveryFilePath());
    }

    // Every call of every writer failed in turn: the old file stays byte
    // for byte, nothing is left beside it, and the failure is told.
    void everyFailingCallLeavesTheOldFileWhole_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"stored list", "recovery file", "workbook", "Open XML workbook", "snapshot", "preview save",
                                 "export"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyFailingCallLeavesTheOldFileWhole()
    {
        QFETCH(QString, name);
        const Writer w = writer(name);
        const QString folder = QFileInfo(w.target).absolutePath();
        put(w.target, w.old);
        const QStringList before = namesIn(folder) << QStringLiteral("kintra12345678.xls");
        Walk walk;
        walk.install();
        QVERIFY2(!w.write(), qPrintable(services->texts().join('\n')));
        const int calls = walk.calls;
        QVERIFY2(calls >= 5, qPrintable(QString::number(calls))); // create, write, sync, mode, close, rename
        QVERIFY(bytesOf(w.target) != w.old);

        for (int n = 1; n <= calls; ++n) {
            put(w.target, w.old);
            services->clear();
            walk = Walk{0, n};
            QVERIFY2(w.write(), qPrintable(QStringLiteral("call %1 of %2 failed unseen").arg(n).arg(calls)));
            QVERIFY2(bytesOf(w.target) == w.old, qPrintable(QStringLiteral("call %1 (%2)").arg(n).arg(int(walk.failed))));
            for (const QString& left : namesIn(folder))
                QVERIFY2(before.contains(left), qPrintable(QStringLiteral("call %1 left %2").arg(n).arg(left)));
        }
    }

    // What a user or another user may have put at the target.
    void targetsThatAreNotReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "it is a FIFO (a named pipe), not a plain file";
        QTest::newRow("device") << "device" << "it is a device, not a plain file";
        QTest::newRow("folder") << "folder" << "it is a folder";
        QTest::newRow("read-only file") << "read-only" << "it is read-only";
        QTest::newRow("another user's link") << "link of another" << "belongs to another user and is not followed";
        QTest::newRow("own link, sticky shared folder") << "link in sticky" << "in a folder shared with other users";
    }
    void targetsThatAreNotReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString victim = at(QStringLiteral("victim.txt"));
        put(victim, "the victim's file");
        QString target = at(QStringLiteral("out.csv"));
        const QByteArray name = QFile::encodeName(target);
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0644), 0);
        else if (kind == QLatin1String("device") && ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("only the superuser makes device nodes");
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(target));
        else if (kind == QLatin1String("read-only")) {
            QCOMPARE(::chmod(QFile::encodeName(victim).constData(), 0444), 0);
            target = victim;
        } else if (kind == QLatin1String("link of another")) {
            QVERIFY(QFile::link(victim, target));
            if (::lchown(name.constData(), 4321, 4321) != 0)
                QSKIP("only the superuser gives a link to another user");
        } else if (kind == QLatin1String("link in sticky")) {
            QVERIFY(QDir().mkdir(at(QStringLiteral("shared"))));
            QCOMPARE(::chmod(QFile::encodeName(at(QStringLiteral("shared"))).constData(), 01777), 0);
            target = at(QStringLiteral("shared/out.csv"));
            QVERIFY(QFile::link(victim, target));
        }
        const struct stat before = statOf(target);
        try {
            writeWhole(target, "new contents");
            QFAIL("the target was replaced");
        } catch (const FileError& e) {
            QVERIFY2(e.reason().contains(reason), qPrintable(e.description()));
            QCOMPARE(e.path(), QDir::toNativeSeparators(target));
        }
        QCOMPARE(bytesOf(victim), QByteArray("the victim's file"));
        QCOMPARE(statOf(target).st_ino, before.st_ino);
        QCOMPARE(statOf(target).st_mode, before.st_mode);
        QVERIFY(!namesIn(QFileInfo(target).absolutePath()).join(' ').contains(QLatin1String(".quorvale-")));
    }

    // A link of the user's own in a folder nobody else writes is followed,
    // and stays a link; a replaced file keeps its mode and its ACL, and
    // where the user may not give the new file the old one's group, the
    // group loses its access.
    void ownLinksAreFollowedAndAccessIsKept()
    {
        const QString real = at(QStringLiteral("real.csv"));
        const QByteArray name = QFile::encodeName(real);
        put(real, "old");
        QCOMPARE(::chmod(name.constData(), 0640), 0);
        QVERIFY(QFile::link(QStringLiteral("real.csv"), at(QStringLiteral("link.csv"))));
        writeWhole(at(QStringLiteral("link.csv")), "new");
        QVERIFY(QFileInfo(at(QStringLiteral("link.csv"))).isSymLink());
        QCOMPARE(bytesOf(real), QByteArray("new"));
        QCOMPARE(statOf(real).st_mode & 07777, 0640u);

        writeWhole(at(QStringLiteral("private.txt")), "mine", {.access = Access::UserOnly});
        QCOMPARE(statOf(at(QStringLiteral("private.txt"))).st_mode & 07777, 0600u);

        if (::lchown(name.constData(), uid_t(-1), gid_t(4321)) != 0)
            QSKIP("only the superuser gives a file a group of any number");
        setFaultSeam([](FileCall call, const QString&) { return call == FileCall::Group ? EPERM : 0; });
        writeWhole(real, "newer");
        QCOMPARE(bytesOf(real), QByteArray("newer"));
        QCOMPARE(statOf(real).st_mode & 07777, 0600u);

        setFaultSeam({});
        const QByteArray acl = aclShuttingOutAUser();
        QCOMPARE(::lchown(name.constData(), uid_t(-1), gid_t(4321)), 0);
        if (::lsetxattr(name.constData(), "system.posix_acl_access", acl.constData(), std::size_t(acl.size()), 0) != 0)
            QSKIP("this file system keeps no access lists");
        writeWhole(real, "newest");
        QCOMPARE(aclOf(real), acl);
        QCOMPARE(statOf(real).st_gid, gid_t(4321));
        setFaultSeam([](FileCall call, const QString&) { return call == FileCall::Group ? EPERM : 0; });
        writeWhole(real, "last");
        QByteArray narrowed = acl;
        narrowed[4 + 2 * 8 + 2] = 0; // the owning group's entry
        QCOMPARE(aclOf(real), narrowed);
    }

    // A replaced file is dated after the file it replaced, even one dated
    // ahead of the clock, so whoever compares time and size (the settings
    // store's cache, make, rsync) sees that it changed.
    void aReplacedFileIsDatedAfterTheOld()
    {
        const QString target = at(QStringLiteral("list.conf"));
        put(target, "same size 1");
        const timespec ahead[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 3600, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), ahead, 0), 0);
        writeWhole(target, "same size 2");
        const timespec written = statOf(target).st_mtim;
        QVERIFY(written.tv_sec > ahead[1].tv_sec || (written.tv_sec == ahead[1].tv_sec && written.tv_nsec >= 501000000));
    }

    // Another program swaps the new file for a link to the victim's file
    // between its creation and its rename: nothing is written through the
    // link, and the target is left as it was.
    void aNewFileSwappedBeforeTheRenameIsNotPutInPlace()
    {
        const QString victim = at(QStringLiteral("victim.txt"));
        put(victim, "the victim's file");
        put(at(QStringLiteral("out.csv")), "old");
        setFaultSeam([&](FileCall call, const QString& newFile) {
            if (call == FileCall::Rename) {
                QFile::rename(newFile, at(QStringLiteral("moved away")));
                QFile::link(victim, newFile);
            }
            return 0;
        });
        QVERIFY_THROWS_EXCEPTION(FileError, writeWhole(at(QStringLiteral("out.csv")), "new contents"));
        QCOMPARE(bytesOf(victim), QByteArray("the victim's file"));
        QCOMPARE(bytesOf(at(QStringLiteral("out.csv"))), QByteArray("old"));
        QVERIFY(!QFileInfo(at(QStringLiteral("out.csv"))).isSymLink());
    }

    // Told to stop half way, the program takes the new file away.
    void aStoppedWriteLeavesNothingBeside()
    {
        put(at(QStringLiteral("out.csv")), "old");
        NewFile file(at(QStringLiteral("out.csv")));
        file.write("half");
        const auto halfWritten = [&] { return namesIn(dir->path()).filter(QStringLiteral(".quorvale-")).size(); };
        QCOMPARE(halfWritten(), 1);
        removePendingFiles();
        QCOMPARE(halfWritten(), 0);
        QVERIFY_THROWS_EXCEPTION(FileError, file.commit());
        QCOMPARE(bytesOf(at(QStringLiteral("out.csv"))), QByteArray("old"));
    }

    // Standard output on a full device fails with the reason.
    void standardOutputOnAFullDeviceFails()
    {
        const int full = ::open("/dev/full", O_WRONLY);
        if (full < 0)
            QSKIP("no /dev/full here");
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(full, STDOUT_FILENO);
        QString reason;
        try {
            writeStandardOutput("Inventory ID\n1\n");
        } catch (const FileError& e) {
            reason = e.description();
        }
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        ::close(full);
        QCOMPARE(reason, QStringLiteral("standard output: No space left on device"));
    }

    // What the program reads back of its own is its own plain file: never a
    // link, a FIFO (which would hold the program up), another user's file
    // or a second name of another file.
    void ownFilesAreReadOnlyWhenTheyAreTheProgramsOwn()
    {
        put(at(QStringLiteral("own.bmp")), "picture");
        QCOMPARE(readOwnFile(at(QStringLiteral("own.bmp"))), QByteArray("picture"));
        QVERIFY(QFile::link(at(QStringLiteral("own.bmp")), at(QStringLiteral("link.bmp"))));
        QCOMPARE(::mkfifo(QFile::encodeName(at(QStringLiteral("fifo.bmp"))).constData(), 0600), 0);
        QCOMPARE(::link(QFile::encodeName(at(QStringLiteral("own.bmp"))).constData(),
                        QFile::encodeName(at(QStringLiteral("second.bmp"))).constData()),
                 0);
        for (const char* name : {"link.bmp", "fifo.bmp", "second.bmp"})
            QVERIFY_THROWS_EXCEPTION(FileError, readOwnFile(at(QString::fromLatin1(name))));
        QVERIFY_THROWS_EXCEPTION(FileError, readPlainFile(at(QStringLiteral("fifo.bmp"))));
        QCOMPARE(readPlainFile(at(QStringLiteral("link.bmp"))), QByteArray("picture"));
    }
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
