// The temporary folder and the claiming of temporary workbook names.
#include "workbook/TempNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TempNamesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString inDir(const QString& name) const { return QDir::toNativeSeparators(dir.filePath(name)); }

private slots:
    void cleanup() { qunsetenv("TEMP"); }

    void theFolderIsTempWhenSet()
    {
        qputenv("TEMP", dir.path().toLocal8Bit());
        QCOMPARE(TempNames::temporaryFolder(), dir.path());
        QCOMPARE(TempNames::workbookPath(QStringLiteral("kintra12345678")), inDir(QStringLiteral("kintra12345678.xls")));
        QCOMPARE(TempNames::snapshotPath(), inDir(QStringLiteral("temp.bmp")));
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
        QCOMPARE(TempNames::snapshotPath(), QDir::toNativeSeparators(QDir::temp().filePath(QStringLiteral("temp.bmp"))));
        QVERIFY(TempNames::workbookPath(QStringLiteral("kintra11111111")).startsWith(QDir::toNativeSeparators(QDir::tempPath())));
    }

    void aFreeNameIsClaimedOnceOnly()
    {
        const QString path = inDir(QStringLiteral("kintra12121212.xls"));
        QVERIFY(TempNames::claim(path));
        QVERIFY(QFile::exists(path));
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
