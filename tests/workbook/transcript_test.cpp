// The calls of the layout and of the generation run, with their values,
// types and order, against the expected transcripts in tests/data/transcripts.
#include "FakeExcel.h"
#include "support/Headless.h"
#include "Support.h"

#include "app/AppWindows.h"
#include "shell/Options.h"
#include "workbook/InventoryList.h"
#include "workbook/SheetLayout.h"

#include <QTemporaryDir>

class TranscriptTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    std::shared_ptr<fake::World> world;
    std::shared_ptr<automation::Recorder> recorder;

private slots:
    void initTestCase()
    {
        isolateSettings();
        Options::FillWorkbookPalette();
    }

    void init()
    {
        automation::Servers::clear();
        services = std::make_unique<TestServices>();
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        world = std::make_shared<fake::World>();
        recorder = automation::Recorder::create();
    }

    void cleanup()
    {
        InventoryList::ExcelApp.release();
        windows.reset();
        form = nullptr;
        services.reset();
        automation::Servers::clear();
    }

    void layoutCallsMatchTheExpectedTranscripts_data()
    {
        QTest::addColumn<int>("items");
        QTest::newRow("empty list") << 0;
        QTest::newRow("one item") << 1;
        QTest::newRow("two items") << 2;
    }
    void layoutCallsMatchTheExpectedTranscripts()
    {
        QFETCH(int, items);
        std::vector<QStringList> rows = support::twoItems();
        rows.resize(std::size_t(items));
        support::fillItems(form->items(), rows);
        InventoryList::ExcelApp = recorder->wrap(fake::newInstance(world), QStringLiteral("Application"));

        InventoryList::BuildInventorySheet(form->items().records());

        QVERIFY(support::sameTranscript(recorder->transcript(),
                                        support::expectedTranscript(QStringLiteral("build-inventory-sheet-%1.txt").arg(items))));
        QCOMPARE(InventoryList::PrintAreaAddress, QStringLiteral("A1:I%1").arg(items + 2));
    }

    void layoutCopiesThePaletteAsItStandsAtTheTime()
    {
        Options::WorkbookPalette[5] = 0x123456;
        InventoryList::ExcelApp = recorder->wrap(fake::newInstance(world), QStringLiteral("Application"));
        InventoryList::BuildInventorySheet(form->items().records());
        Options::FillWorkbookPalette();
        QVERIFY(recorder->transcript().contains(
            QStringLiteral("put Application.ActiveWorkbook.Colors(ByRef Long 5) = Long %1").arg(0x123456)));
    }

    void runMakesTheCallsAroundTheLayout()
    {
        QTemporaryDir temp;
        support::setTemporaryFolder(temp.path());
        services->digits = {1, 2, 3, 4, 5, 6, 7, 8};
        services->scriptedClipboard = true;
        world->clipboard = services.get();
        std::vector<QStringList> rows = support::twoItems();
        rows.resize(1);
        support::fillItems(form->items(), rows);
        fake::registerServer(world, recorder);

        InventoryList::GenerateReport0(form->items().records(), *windows);

        QVERIFY(services->errorReports().empty());
        QStringList actual = recorder->transcript();
        actual.replaceInStrings(QDir::toNativeSeparators(temp.path() + QLatin1Char('/')), QStringLiteral("$TEMP/"));
        QVERIFY(support::sameTranscript(actual, support::expectedTranscript(QStringLiteral("generate-report-1.txt"))));
        support::setTemporaryFolder({});
    }
};

QTEST_MAIN(TranscriptTest)
#include "transcript_test.moc"
