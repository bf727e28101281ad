// Finding, probing and starting the spreadsheet application.
#include "FakeExcel.h"

#include "automation/ExcelConstants.h"
#include "shell/Main.h"
#include "workbook/Excel1.h"
#include "workbook/IsInstalled.h"

#include <QLocale>
#include <QTest>

using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

class ConnectionTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<fake::World> world;
    std::unique_ptr<TestServices> services;

private slots:
    void init()
    {
        automation::Servers::clear();
        services = std::make_unique<TestServices>();
        world = std::make_shared<fake::World>();
    }

    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        services.reset();
        automation::Servers::clear();
    }

    void withoutServerTheAdviceIsShownOnceAndTheApplicationEnds()
    {
        IsInstalled::CheckExcelInstalled();

        QCOMPARE(services->messages.size(), std::size_t(1));
        const shell::MessageRequest& box = services->messages.front();
        QCOMPARE(box.text,
                 QStringLiteral("Error 842001. A normal instance of Excel could not be created.\r\n\r\n"
                                "1. Please make sure Excel is installed on this computer.\r\n\r\n"
                                "2. Please open Excel normally and make sure a blank spreadsheet opens immediately "
                                "without any interrupting window (such as an Excel file recovery window).\r\n\r\n"
                                "3. Please make sure that when you double-click on a XLS or XLSX file that Excel "
                                "opens normally without any interrupting messages.\r\n\r\n"
                                "4. All versions of Excel are supported by this software except for the rare Excel "
                                "Starter and Student editions."));
        QCOMPARE(box.title, Main::applicationTitle());
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.icon, MessageIcon::None);
        QCOMPARE(services->endCalls, 1);
        QVERIFY(shell::Services::applicationEnded());
    }

    void aServerThatFailsToCreateCountsAsNone()
    {
        automation::Servers::registerServer(QStringLiteral("Excel.Application"), []() -> automation::Object {
            throw automation::AutomationError(QStringLiteral("cannot start"));
        });
        IsInstalled::CheckExcelInstalled();
        QCOMPARE(services->messages.size(), std::size_t(1));
        QCOMPARE(services->endCalls, 1);
    }

    void aCreatableInstanceIsReleasedWithoutQuitting()
    {
        fake::registerServer(world);
        IsInstalled::CheckExcelInstalled();
        QVERIFY(services->messages.empty());
        QCOMPARE(services->endCalls, 0);
        QCOMPARE(world->created, 1);
        QCOMPARE(world->quits, 0);
    }

    void runningInstanceCountsOnlyWhenItAnswersAsGenuine_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("expected");
        QTest::newRow("none running") << false << "Microsoft Excel" << false;
        QTest::newRow("genuine") << true << "Microsoft Excel" << true;
        QTest::newRow("other product") << true << "LibreOffice Calc" << false;
        QTest::newRow("other case") << true << "microsoft excel" << false;
        QTest::newRow("longer") << true << "Microsoft Excel 2016" << false;
    }
    void runningInstanceCountsOnlyWhenItAnswersAsGenuine()
    {
        QFETCH(bool, running);
        QFETCH(QString, answer);
        QFETCH(bool, expected);
        world->running = running;
        world->defaultValue = answer;
        fake::registerServer(world);
        QCOMPARE(Excel1::IsExcelRunning(), expected);
        QCOMPARE(world->quits, 0);
    }

    void aFailingDefaultValueCountsAsNotRunning()
    {
        world->running = true;
        world->failOn(QString()); // the default member
        fake::registerServer(world);
        QCOMPARE(Excel1::IsExcelRunning(), false);
    }

    void noWarningWithoutRunningInstance()
    {
        fake::registerServer(world);
        QCOMPARE(Excel1::ExcelOpenWarning(), false);
        QVERIFY(services->messages.empty());
    }

    void warningAnsweredYesGoesOnAndNoStops_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("declined");
        QTest::newRow("Yes") << MessageAnswer::Yes << false;
        QTest::newRow("No") << MessageAnswer::No << true;
    }
    void warningAnsweredYesGoesOnAndNoStops()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, declined);
        world->running = true;
        fake::registerServer(world);
        services->answers.push_back(answer);

        QCOMPARE(Excel1::ExcelOpenWarning(), declined);

        QCOMPARE(services->messages.size(), std::size_t(1));
        const shell::MessageRequest& box = services->messages.front();
        QCOMPARE(box.text, QStringLiteral("Excel may be open. It is recommended that you close Excel first.\r"
                                          "Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.\r\n\r\n"
                                          "Would you like to proceed anyway?"));
        QCOMPARE(box.buttons, MessageButtons::YesNo);
        QCOMPARE(box.icon, MessageIcon::None);
        QCOMPARE(box.title, Main::applicationTitle());
    }

    void saveFormatFollowsTheMajorVersion_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("format");
        for (const char* locale : {"en_US", "de_DE"}) {
            const auto row = [&](const char* version, int format) {
                QTest::addRow("%s %s", locale, version) << QString::fromLatin1(locale) << QString::fromLatin1(version)
                                                        << format;
            };
            row("11.0", -4143);
            row("12.0", 56);
            row("14.0", 56);
            row("16.0", 56);
            row("16,0", 56);
            row("11.5", 56);  // rounds to 12
            row("12.5", 56);  // rounds to 12, half to even
            row("11.49", -4143);
            row("10.5", -4143); // rounds to 10, half to even
        }
    }
    void saveFormatFollowsTheMajorVersion()
    {
        QFETCH(QString, locale);
        QFETCH(QString, version);
        QFETCH(int, format);
        QLocale::setDefault(QLocale(locale));
        world->version = version;
        fake::registerServer(world);
        const automation::Object application = automation::Servers::createObject(QStringLiteral("Excel.Application"));

        QCOMPARE(Excel1::GetSaveFileFormat(application), format);
        QCOMPARE(world->created, 1);
        QCOMPARE(world->quits, 0);
    }

    void saveFormatWithoutInstanceStartsAndQuitsItsOwn()
    {
        world->version = QStringLiteral("11.0");
        auto recorder = automation::Recorder::create();
        fake::registerServer(world, recorder, {QStringLiteral("Own")});

        QCOMPARE(Excel1::GetSaveFileFormat(), excel::xlWorkbookNormal);

        QCOMPARE(world->created, 1);
        QCOMPARE(recorder->transcript(), QStringList({"get Own.Version", "call Own.Quit()"}));
    }

    void aVersionThatIsNoNumberFailsAndTheOwnInstanceStillQuits()
    {
        world->version = QStringLiteral("sixteen");
        fake::registerServer(world);
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, Excel1::GetSaveFileFormat());
        QCOMPARE(world->quits, 1);
    }

    void anUnreadableVersionStillQuitsTheOwnInstance()
    {
        world->failOn(QStringLiteral("Version"));
        fake::registerServer(world);
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, Excel1::GetSaveFileFormat());
        QCOMPARE(world->created, 1);
        QCOMPARE(world->quits, 1);
    }

    void openWorkbookInNewExcelOpensThePathByReference()
    {
        auto recorder = automation::Recorder::create();
        fake::registerServer(world, recorder, {QStringLiteral("New")});

        const automation::Object application = Excel1::OpenWorkbookInNewExcel(QStringLiteral("/tmp/kintra12345678.xls"));

        QVERIFY(!application.isNothing());
        QCOMPARE(recorder->transcript(), QStringList({"get New.Workbooks",
                                                      "call New.Workbooks.Open(ByRef String \"/tmp/kintra12345678.xls\")"}));
        QCOMPARE(application.object("Workbooks").get("count").toInt32(), 1);
        QCOMPARE(world->quits, 0);
    }

    void anInstanceThatCannotOpenTheFileIsQuitAndTheErrorPassesOn()
    {
        world->failOn(QStringLiteral("Open"));
        fake::registerServer(world);
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, Excel1::OpenWorkbookInNewExcel(QStringLiteral("/nowhere.xls")));
        QCOMPARE(world->created, 1);
        QCOMPARE(world->quits, 1);
    }

    void openWorkbookInNewExcelWithoutServerFails()
    {
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, Excel1::OpenWorkbookInNewExcel(QStringLiteral("/tmp/a.xls")));
    }
};

QTEST_MAIN(ConnectionTest)
#include "connection_test.moc"
