// The temporary folder, the claiming and writing of the run's own files,
// and the removal of what runs that never ended left behind.
#include "workbook/TempNames.h"
#include "support/Headless.h"

#include "Support.h"

#include "core/Error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

class TempNamesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString inDir(const QString& name) const { return QDir::toNativeSeparators(dir.filePath(name)); }

    // A file of name with contents, last written hours ago.
    QString fileAged(const QString& name, const QByteArray& contents, int hours) const
    {
        return support::writeAged(inDir(name), contents, hours);
    }

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void cleanup() { support::setTemporaryFolder({}); }

    void theFolderIsTempWhenSet()
    {
        support::setTemporaryFolder(dir.path());
        QCOMPARE(TempNames::temporaryFolder(), dir.path());
        QCOMPARE(TempNames::workbookPath(QStringLiteral("kintra12345678")), inDir(QStringLiteral("kintra12345678.xls")));
        QCOMPARE(TempNames::snapshotPath(QStringLiteral("temp-12345678")), inDir(QStringLiteral("temp-12345678.bmp")));
    }

    void withoutTempTheSystemFolderIsUsedRatherThanTheRoot_data()
    {
        QTest::addColumn<bool>("setEmpty");
        QTest::newRow("unset") << false;
        QTest::newRow("empty") << true;
    }
    void withoutTempTheSystemFolderIsUsedRatherThanTheRoot()
    {
        QFETCH(bool, setEmpty);
        if (setEmpty)
            qputenv("TEMP", QByteArray());
        QCOMPARE(TempNames::temporaryFolder(), QDir::tempPath());
        QCOMPARE(TempNames::snapshotPath(QStringLiteral("temp-11111111")),
                 QDir::toNativeSeparators(QDir::temp().filePath(QStringLiteral("temp-11111111.bmp"))));
        QVERIFY(TempNames::workbookPath(QStringLiteral("kintra11111111")).startsWith(QDir::toNativeSeparators(QDir::tempPath())));
    }

    // The file is the user's alone, even where the user's default would
    // let others read it.
    void aFreeNameIsClaimedOnceOnlyAndForTheUserAlone()
    {
        const QString path = inDir(QStringLiteral("kintra12121212.xls"));
        const mode_t defaultMask = ::umask(0);
        const bool claimed = TempNames::claim(path);
        ::umask(defaultMask);
        QVERIFY(claimed);
        QCOMPARE(support::modeOf(path), 0600u);
        QVERIFY(!TempNames::claim(path)); // a second run, or a second copy of the program
    }

    void anExistingFileIsNeitherClaimedNorTouched()
    {
        const QString path = inDir(QStringLiteral("kintra34343434.xls"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();

        QVERIFY(!TempNames::claim(path));
        TempNames::releaseUnwritten(path);

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    void aDanglingLinkCountsAsTaken()
    {
        const QString path = inDir(QStringLiteral("kintra56565656.xls"));
        QVERIFY(QFile::link(inDir(QStringLiteral("nowhere")), path));
        QVERIFY(!TempNames::claim(path));
        QVERIFY(!QFile::exists(inDir(QStringLiteral("nowhere"))));
    }

    // The save into the folder reports it; the name is not drawn again.
    void aMissingFolderLeavesTheNameFreeWithoutAFile()
    {
        const QString path = inDir(QStringLiteral("missing/kintra78787878.xls"));
        QVERIFY(TempNames::claim(path));
        QVERIFY(!QFileInfo::exists(inDir(QStringLiteral("missing"))));
    }

    // A snapshot's name is drawn and claimed like a workbook's; a link or a
    // second name of another file at a drawn name counts as taken.
    void aSnapshotIsClaimedButNeverThroughALink()
    {
        support::setTemporaryFolder(dir.path());
        const QString own = TempNames::claimSnapshot();
        static const QRegularExpression shape(QStringLiteral("^temp-[1-9]{8}\\.bmp$"));
        QVERIFY2(shape.match(QFileInfo(own).fileName()).hasMatch(), qPrintable(own));
        QCOMPARE(QFileInfo(own).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        QCOMPARE(support::modeOf(own), 0600u);

        const QString mine = fileAged(QStringLiteral("mine.txt"), "mine", 0);
        const QString link = inDir(QStringLiteral("temp-13131313.bmp"));
        QVERIFY(QFile::link(mine, link));
        const QString second = inDir(QStringLiteral("temp-24242424.bmp"));
        QCOMPARE(::link(QFile::encodeName(mine).constData(), QFile::encodeName(second).constData()), 0);
        for (const QString& path : {link, second})
            QVERIFY(!TempNames::claim(path));
        QCOMPARE(contentsOf(mine), QByteArray("mine"));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    // Only the user's own workbooks and snapshots, by the program's names,
    // not written for a day, are what runs that never ended left behind.
    void leftoversOfRunsThatNeverEndedGoAfterADay()
    {
        support::setTemporaryFolder(dir.path());
        const QStringList leftovers{fileAged(QStringLiteral("kintra12345678.xls"), "left", 25),
                                    fileAged(QStringLiteral("temp-12345678.bmp"), "left", 25)};
        QStringList kept{fileAged(QStringLiteral("kintra23456789.xls"), "open in a preview", 23),
                         fileAged(QStringLiteral("temp-23456789.bmp"), "being read", 23),
                         fileAged(QStringLiteral("temp.bmp"), "other", 48),
                         fileAged(QStringLiteral("kintra1234567.xls"), "other", 48),
                         fileAged(QStringLiteral("kintra01234567.xls"), "other", 48),
                         fileAged(QStringLiteral("kintra12345678.xlsx"), "other", 48),
                         fileAged(QStringLiteral("Stock.xls"), "other", 48)};
        const QString mine = fileAged(QStringLiteral("mine.xls"), "mine", 48);
        const QString link = inDir(QStringLiteral("kintra34567891.xls"));
        QVERIFY(QFile::link(mine, link));
        const timespec old[2] = {{0, UTIME_OMIT}, {QDateTime::currentSecsSinceEpoch() - 3 * 86400, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(link).constData(), old, AT_SYMLINK_NOFOLLOW), 0);
        const QString others = fileAged(QStringLiteral("kintra45678912.xls"), "another user's", 48);
        const uid_t other = ::geteuid() == 65534 ? 65533 : 65534;
        const bool otherUser = ::chown(QFile::encodeName(others).constData(), other, other) == 0;
        if (otherUser)
            kept << others; // only the superuser can give a file away

        TempNames::removeLeftovers();

        for (const QString& path : leftovers)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        for (const QString& path : kept)
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(contentsOf(mine), QByteArray("mine"));
    }

    void anUnwrittenClaimIsReleased()
    {
        const QString path = inDir(QStringLiteral("kintra99999999.xls"));
        QVERIFY(TempNames::claim(path));
        TempNames::releaseUnwritten(path);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TempNamesTest)
#include "tempnames_test.moc"
