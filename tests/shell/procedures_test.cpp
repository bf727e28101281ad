#include "shell/FileSystemObject.h"
#include "shell/Main.h"
#include "shell/Options.h"
#include "shell/Trace.h"
#include "support/TestServices.h"

#include "automation/Error.h"
#include "automation/Servers.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <memory>

namespace {

const QString kPath = QStringLiteral("in Quorvale2021/08/31.Form1.PushButton6_Click ");

[[noreturn]] void fail(const char* description) { throw quorvale::Error(QString::fromUtf8(description)); }

// A procedure without a trap of its own: its error reaches the caller.
void untracedCallee(QStringList& done)
{
    done << QStringLiteral("callee started");
    fail("Callee failed");
    done << QStringLiteral("callee finished"); // never reached
}

QString reportLineOf(const shell::MessageRequest& report)
{
    const qsizetype at = report.text.indexOf(QStringLiteral("at line "));
    return report.text.mid(at + 8, report.text.indexOf(QLatin1Char('\r'), at) - at - 8);
}

} // namespace

// The error trap of traced procedures and the common procedures of the Main
// and Options modules.
class ProceduresTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { shell::registerFileSystemObject(); }
    void init() { m_services = std::make_unique<TestServices>(); }
    void cleanup()
    {
        m_services.reset();
        QLocale::setDefault(QLocale::c());
    }

    void reportTextIsBuiltInOrder()
    {
        QCOMPARE(shell::procedureErrorText(QStringLiteral("Type mismatch"), kPath, 100),
                 QStringLiteral("Type mismatch\r\nin Quorvale2021/08/31.Form1.PushButton6_Click at line 100\r\r"
                                "Please email screenshot of this message to ")
                     + QLatin1String(shell::SupportAddress));
        const QString empty = shell::procedureErrorText(QString(), kPath, 2147483647);
        QVERIFY(empty.startsWith(QStringLiteral("\r\nin Quorvale2021/08/31.Form1.PushButton6_Click at line 2147483647\r\r")));
        QVERIFY(empty.endsWith(QLatin1String(shell::SupportAddress)));
    }

    void reportIsAWarningWithOneOkButton()
    {
        shell::ProcedureErrorReport(QStringLiteral("Overflow"), kPath, 104);
        QCOMPARE(m_services->messages.size(), std::size_t(1));
        const shell::MessageRequest& box = m_services->messages.front();
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, shell::MessageIcon::Exclamation);
        QCOMPARE(box.buttons, shell::MessageButtons::Ok);
        QVERIFY(box.text.startsWith(QStringLiteral("Overflow\r\n")));
    }

    void everyFailingStepIsReportedAndTheProcedureGoesOn()
    {
        QStringList done;
        shell::Trace t{"Form1", "PushButton6_Click"};
        t.line(100, [] { fail("First fault"); });
        t.line(102, [&] { done << QStringLiteral("102"); });
        t.line(104, [] { throw std::runtime_error("Second fault"); });
        t.line(106, [&] { done << QStringLiteral("106"); });
        QCOMPARE(done, QStringList({QStringLiteral("102"), QStringLiteral("106")}));
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(2));
        QVERIFY(reports[0].text.startsWith(QStringLiteral("First fault\r\n") + kPath + QStringLiteral("at line 100\r")));
        QVERIFY(reports[1].text.startsWith(QStringLiteral("Second fault\r\n") + kPath + QStringLiteral("at line 104\r")));
    }

    void aFailingIfTestRunsItsBlock()
    {
        shell::Trace t{"Form1", "PushButton6_Click"};
        bool blockRan = false;
        bool elseRan = false;
        if (t.test(110, []() -> bool { fail("Test failed"); }))
            blockRan = true;
        else
            elseRan = true;
        QVERIFY(blockRan);
        QVERIFY(!elseRan);
        QCOMPARE(reportLineOf(m_services->errorReports().at(0)), QStringLiteral("110"));
        QVERIFY(!t.test(112, [] { return false; }));
        QCOMPARE(m_services->errorReports().size(), std::size_t(1));
    }

    void aCalleeFailureIsReportedAtTheCallersLine()
    {
        QStringList done;
        shell::Trace t{"Form1", "PushButton4_Click"};
        t.line(126, [&] { done << QStringLiteral("126"); });
        t.line(128, [&] { untracedCallee(done); });
        t.line(130, [&] { done << QStringLiteral("130"); });
        QCOMPARE(done, QStringList({QStringLiteral("126"), QStringLiteral("callee started"), QStringLiteral("130")}));
        const auto reports = m_services->errorReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QVERIFY(reports[0].text.startsWith(
            QStringLiteral("Callee failed\r\nin Quorvale2021/08/31.Form1.PushButton4_Click at line 128\r\r")));
    }

    void titleLosesWordsFromTheEnd()
    {
        const QString fourWords = QStringLiteral("Inventory Template Builder Professiona"); // 38 characters
        QCOMPARE(fourWords.size(), 38);
        QCOMPARE(Main::trimmedApplicationTitle(fourWords), QStringLiteral("Inventory Template Builder"));
        const QString sixty = QStringLiteral("Tallowind Inventory Template Builder for Small Workshop Plus");
        QCOMPARE(sixty.size(), 60);
        QCOMPARE(Main::trimmedApplicationTitle(sixty), QStringLiteral("Tallowind Inventory Template Builder for"));
        QCOMPARE(Main::trimmedApplicationTitle(QStringLiteral("Quorvale")), QStringLiteral("Quorvale"));
        Main::SetApplicationTitle();
        QCOMPARE(Main::applicationTitle(), QStringLiteral("Quorvale"));
    }

    void decimalSeparatorFollowsTheUsersNumberFormat()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Options::LocaleDecimalSeparator(), QStringLiteral(","));
        QCOMPARE(Options::ToLocaleDecimalText(QStringLiteral("16.0")), QStringLiteral("16,0"));
        QCOMPARE(Options::ToLocaleDecimalText(QStringLiteral("16,0")), QStringLiteral("16,0"));
        QCOMPARE(Options::ToLocaleDecimalText(QStringLiteral("1.234,5")), QStringLiteral("1,234,5"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(Options::LocaleDecimalSeparator(), QStringLiteral("."));
        QCOMPARE(Options::ToLocaleDecimalText(QStringLiteral("16,0")), QStringLiteral("16.0"));
    }

    void fileExistsOnlyForAReadableFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("present.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(Main::FileExists(path));
        QVERIFY(!Main::FileExists(QString()));
        QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("*.txt"))));
        QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("present.tx?"))));
        QVERIFY(!Main::FileExists(dir.filePath(QStringLiteral("absent.txt"))));
    }

    void deleteFileForcedRemovesReadOnlyFilesAndIgnoresMissingOnes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("locked.xls"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("data");
        file.close();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
        Main::DeleteFileForced(path);
        QVERIFY(!QFile::exists(path));
        Main::DeleteFileForced(path);
        Main::DeleteFileForced(QString());
        QVERIFY(m_services->messages.empty());
    }

    // In a shared folder the plain delete of a link may fail and the forced
    // one be tried: it removes the link and leaves what the link points at
    // as it was, read-only and whole.
    void aForcedDeleteOfALinkLeavesTheFileItPointsAt()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("mine.xls"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("data");
        file.close();
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        const QString link = dir.filePath(QStringLiteral("temp.bmp"));
        QVERIFY(QFile::link(target, link));

        automation::Servers::createObject(QStringLiteral("Scripting.FileSystemObject"))
            .call("DeleteFile", {automation::Variant(link), automation::Variant(true)});

        QVERIFY(!QFileInfo(link).isSymLink());
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0400u);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("data"));
    }

    void paletteHoldsTheFiftySixColours()
    {
        // The packed colour words, entries 1 to 56.
        const std::int32_t expected[56] = {
            0,        16777215, 255,      65280,    13538920, 65535,    16711935, 16776960, 128,      9600340,
            11518900, 7246200,  14478320, 8893615,  14737632, 8421504,  16751001, 8619016,  6944761,  16777164,
            6684774,  8421631,  13395456, 16764108, 8388608,  16711935, 65535,    16776960, 8388736,  128,
            8421376,  16711680, 16763904, 15924478, 16706794, 12445695, 15923964, 13408767, 14155744, 14678013,
            16737843, 13421619, 13762481, 52479,    39423,    26367,    15726843, 13619151, 12500670, 6723891,
            13868659, 14153196, 13209,    6697881,  13434828, 3355443};
        Options::WorkbookPalette.fill(-1);
        Options::FillWorkbookPalette();
        for (int i = 1; i <= 56; ++i)
            QCOMPARE(Options::WorkbookPalette[std::size_t(i)], expected[i - 1]);
    }

private:
    std::unique_ptr<TestServices> m_services;
};

QTEST_MAIN(ProceduresTest)
#include "procedures_test.moc"
