// The generation run and its button against the test server: what the user
// sees after a run, and how failing steps are reported while the run goes on.
#include "FakeExcel.h"
#include "support/Headless.h"
#include "Support.h"

#include "app/AppWindows.h"
#include "core/Files.h"
#include "preview/Form2.h"
#include "support/PreviewControls.h"
#include "shell/Options.h"
#include "workbook/Bitmap.h"
#include "workbook/InventoryList.h"

#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kRun = QStringLiteral("in Quorvale2021/08/31.InventoryList.GenerateReport0 ");
const QString kSnapshot = QStringLiteral("in Quorvale2021/08/31.Excel1.saveCellsActivesheet ");
const QString kClick = QStringLiteral("in Quorvale2021/08/31.Form1.PushButton1_Click ");

// A Windows bitmap of picture without compression: 24 or 32 bits a pixel,
// the bottom line first or the top one, the fourth byte of a 32-bit pixel
// set to fourth.
QByteArray bitmapFile(const QImage& picture, int bits, bool topDown, std::int32_t dotsPerMeter, uchar fourth = 0)
{
    const auto add = [](QByteArray& bytes, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(char(value >> (8 * i)));
    };
    const int stride = (picture.width() * bits + 31) / 32 * 4;
    QByteArray file("BM");
    add(file, std::uint32_t(54 + stride * picture.height()), 4);
    add(file, 0, 4);
    add(file, 54, 4);
    add(file, 40, 4);
    add(file, std::uint32_t(picture.width()), 4);
    add(file, std::uint32_t(topDown ? -picture.height() : picture.height()), 4);
    add(file, 1, 2);
    add(file, std::uint32_t(bits), 2);
    add(file, 0, 4);
    add(file, std::uint32_t(stride * picture.height()), 4);
    add(file, std::uint32_t(dotsPerMeter), 4);
    add(file, std::uint32_t(dotsPerMeter), 4);
    add(file, 0, 8);
    for (int i = 0; i < picture.height(); ++i) {
        const int y = topDown ? i : picture.height() - 1 - i;
        QByteArray line;
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb rgb = picture.pixel(x, y);
            line.append(char(qBlue(rgb))).append(char(qGreen(rgb))).append(char(qRed(rgb)));
            if (bits == 32)
                line.append(char(fourth));
        }
        file.append(line.leftJustified(stride, '\0'));
    }
    return file;
}

QStringList runLines(std::initializer_list<int> numbers)
{
    QStringList lines;
    for (int n : numbers)
        lines << kRun + QString::number(n);
    return lines;
}

// Message boxes whose questions cannot be asked.
class FailingQuestions : public TestServices {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        if (request.buttons == shell::MessageButtons::YesNo)
            throw quorvale::Error(QStringLiteral("no question can be asked"));
        return TestServices::showMessage(request);
    }
};

} // namespace

class RunTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    std::shared_ptr<fake::World> world;
    std::unique_ptr<QTemporaryDir> temp;

    void useServices(std::unique_ptr<TestServices> s)
    {
        services = std::move(s); // the old one uninstalls itself on the way out
        shell::Services::install(services.get());
        services->scriptedClipboard = true;
        world->clipboard = services.get();
    }

    // A generation run over the main window's list, as its button starts it.
    InventoryList::Generated generate() { return InventoryList::GenerateReport0(form->items().records(), *windows); }

    QString tempFile(const QString& name) const { return QDir(temp->path()).filePath(name); }

    QStringList workbooksInTemp() const
    {
        return QDir(temp->path()).entryList({QStringLiteral("kintra*")}, QDir::Files, QDir::Name);
    }

    QStringList snapshotsInTemp() const
    {
        return QDir(temp->path()).entryList({QStringLiteral("temp-*")}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        isolateSettings();
        Options::FillWorkbookPalette();
    }

    void init()
    {
        automation::Servers::clear();
        temp = std::make_unique<QTemporaryDir>();
        support::setTemporaryFolder(temp->path());
        world = std::make_shared<fake::World>();
        useServices(std::make_unique<TestServices>());
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        support::fillItems(form->items(), support::twoItems());
        form->show();
    }

    void cleanup()
    {
        windows.reset();
        form = nullptr;
        services.reset();
        automation::Servers::clear();
        InventoryList::ExcelApp.release();
        support::setTemporaryFolder({});
    }

    void aRunHandsPictureAndWorkbookToThePreview()
    {
        fake::registerServer(world);
        services->digits = {9, 8, 7, 6, 5, 4, 3, 2};

        const InventoryList::Generated made = generate();

        QVERIFY(services->errorReports().empty());
        const QString workbook = QDir::toNativeSeparators(tempFile(QStringLiteral("kintra98765432.xls")));
        QCOMPARE(made.workbookPath, workbook);
        QCOMPARE(made.picture.size(), world->picture.size());
        QCOMPARE(world->savedPaths, QStringList{workbook});
        QCOMPARE(world->saveFormats.front(), automation::Variant(std::int32_t(56)));
        QCOMPARE(world->openedPaths, QStringList{workbook});
        QCOMPARE(world->deletions, 2);
        QCOMPARE(world->quits, 2);
        QVERIFY(InventoryList::ExcelApp.isNothing());

        Form2* preview = windows->loadedPreview();
        QVERIFY(preview);
        QCOMPARE(preview->excelFile(), workbook);
        QCOMPARE(controlsOf(*preview).Picture1->picture().size(), world->picture.size());
        QCOMPARE(controlsOf(*preview).Picture1->picture().pixelColor(3, 3), QColor(Qt::darkGreen));
        QVERIFY(preview->isVisible());
        QVERIFY(!form->isVisible());
        QVERIFY(QFileInfo::exists(workbook));
        QVERIFY(!QFileInfo::exists(tempFile(QStringLiteral("temp.bmp"))));
        QCOMPARE(form->mousePointer(), MousePointer::Default);
    }

    // The snapshot is read by a reader of its own, which must give what
    // QImage gives for every bitmap.
    void bitmapsReadAsQImageReadsThem()
    {
        QImage picture(7, 5, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 36, y * 60, (x * y * 13) % 256));
        picture.setDotsPerMeterX(3780);
        picture.setDotsPerMeterY(2835);
        QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);

        const QString written = tempFile(QStringLiteral("written.bmp"));
        QVERIFY(QImageWriter(written, "BMP").write(picture));
        const QString writtenIndexed = tempFile(QStringLiteral("indexed.bmp"));
        QVERIFY(QImageWriter(writtenIndexed, "BMP").write(indexed));
        const QByteArray full = bitmapFile(picture, 24, false, 3780);
        const std::vector<std::pair<QString, QByteArray>> made = {
            {QStringLiteral("top-down.bmp"), bitmapFile(picture, 24, true, 3780)},
            {QStringLiteral("32-bit.bmp"), bitmapFile(picture, 32, false, 3780, 0x5a)},
            {QStringLiteral("32-bit top-down.bmp"), bitmapFile(picture, 32, true, 0)},
            {QStringLiteral("header only.bmp"), full.left(54)},
            {QStringLiteral("not a bitmap.bmp"), QByteArray("PK\3\4 not a bitmap")},
        };
        QStringList paths{written, writtenIndexed};
        // The snapshot as the run writes it, of a picture larger than a block
        // the reader reads at once, and of a picture of another format.
        const QImage large = picture.scaled(300, 400);
        for (const auto& [name, source] : {std::pair{QStringLiteral("snapshot.bmp"), large},
                                           std::pair{QStringLiteral("snapshot of indexed.bmp"), indexed}}) {
            QFile file(tempFile(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(writeBitmap(source, [&](const char* bytes, qint64 size) { return file.write(bytes, size) == size; }));
            paths << file.fileName();
        }
        QVERIFY(!writeBitmap(QImage(), [](const char*, qint64) { return true; }));
        QVERIFY(!writeBitmap(picture, [](const char*, qint64) { return false; }));
        for (const auto& [name, bytes] : made) {
            QFile file(tempFile(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            paths << file.fileName();
        }
        QVERIFY_THROWS_EXCEPTION(quorvale::files::FileError, readBitmap(tempFile(QStringLiteral("missing.bmp"))));

        for (const QString& path : paths) {
            const QImage expected(path);
            const QImage read = readBitmap(path);
            QVERIFY2(read == expected, qPrintable(path));
            QCOMPARE(read.format(), expected.format());
            QCOMPARE(read.dotsPerMeterX(), expected.dotsPerMeterX());
            QCOMPARE(read.dotsPerMeterY(), expected.dotsPerMeterY());
        }
        QCOMPARE(readBitmap(written), picture);
        QCOMPARE(readBitmap(tempFile(QStringLiteral("32-bit.bmp"))), picture);
        QCOMPARE(readBitmap(tempFile(QStringLiteral("snapshot.bmp"))), large);
        QCOMPARE(readBitmap(tempFile(QStringLiteral("snapshot of indexed.bmp"))), indexed.convertToFormat(QImage::Format_RGB32));

        // A file cut short in its top line: QImage leaves what is missing
        // undefined, and so does the reader; the lines that are there show.
        QFile cut(tempFile(QStringLiteral("cut short.bmp")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(full.left(full.size() - 3));
        cut.close();
        const QImage read = readBitmap(cut.fileName());
        QCOMPARE(read.size(), picture.size());
        QCOMPARE(read.format(), QImage(cut.fileName()).format());
        QCOMPARE(read.copy(0, 1, 7, 4), picture.copy(0, 1, 7, 4));
    }

    void anOldVersionSavesInTheOldFormat()
    {
        world->version = QStringLiteral("11.0");
        fake::registerServer(world);
        generate();
        QCOMPARE(world->saveFormats.front(), automation::Variant(std::int32_t(-4143)));
        QVERIFY(world->savedPaths.front().endsWith(QLatin1String(".xls")));
    }

    void aTakenNameDrawsAWholeNewNameAndLeavesTheFileAlone()
    {
        fake::registerServer(world);
        QFile existing(tempFile(QStringLiteral("kintra11111111.xls")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("somebody else's");
        existing.close();
        services->digits = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2};

        generate();

        QCOMPARE(windows->preview().excelFile(), QDir::toNativeSeparators(tempFile(QStringLiteral("kintra22222222.xls"))));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("somebody else's"));
        QVERIFY(services->errorReports().empty());
    }

    void namesHaveThePrefixAndEightDigitsWithoutZero()
    {
        fake::registerServer(world);
        for (int run = 0; run < 30; ++run) {
            generate();
            QVERIFY(services->digits.empty()); // drawn from the program's own random source
        }
        const QStringList names = workbooksInTemp();
        QCOMPARE(names.size(), 30);
        static const QRegularExpression shape(QStringLiteral("^kintra[1-9]{8}\\.xls$"));
        for (const QString& name : names)
            QVERIFY2(shape.match(name).hasMatch(), qPrintable(name));
    }

    // A "temp.bmp" that somebody put in the temporary folder is not the
    // run's: the run writes its picture into a file of its own, for the
    // user alone, and deletes it at the end.
    void anExistingBitmapIsLeftAloneAndTheRunWritesItsOwn()
    {
        fake::registerServer(world);
        QFile stale(tempFile(QStringLiteral("temp.bmp")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
        stale.close();
        QStringList ownBitmaps;
        unsigned ownMode = 0;
        qint64 ownSize = 0;
        support::WatchedWindows watched(*windows);
        watched.whilePictureWaits = [&] {
            ownBitmaps = snapshotsInTemp();
            if (ownBitmaps.size() == 1) {
                ownMode = support::modeOf(tempFile(ownBitmaps[0]));
                ownSize = QFileInfo(tempFile(ownBitmaps[0])).size();
            }
        };

        InventoryList::GenerateReport0(form->items().records(), watched);

        QVERIFY(services->errorReports().empty());
        QCOMPARE(controlsOf(windows->preview()).Picture1->picture().size(), world->picture.size());
        QCOMPARE(ownBitmaps.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^temp-[1-9]{8}\\.bmp$")).match(ownBitmaps[0]).hasMatch(),
                 qPrintable(ownBitmaps[0]));
        QCOMPARE(ownMode, 0600u);
        QVERIFY(ownSize > 0);
        QVERIFY(snapshotsInTemp().isEmpty());
        QVERIFY(stale.open(QIODevice::ReadOnly));
        QCOMPARE(stale.readAll(), QByteArray("stale"));
    }

    void aFailingMemberIsReportedOnEveryLineThatUsesIt()
    {
        world->failOn(QStringLiteral("EnableEvents"));
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services), runLines({108, 138}));
        const shell::MessageRequest report = services->errorReports().front();
        QVERIFY(report.text.startsWith(QLatin1String("Test failure of Application.EnableEvents\r\n")));
        QCOMPARE(world->savedPaths.size(), 1);
        QVERIFY(windows->preview().isVisible());
    }

    void withoutInstanceEveryLineThatNeedsOneIsReported()
    {
        // No server for "Excel.Application" at all.
        generate();

        QStringList expected = runLines({102, 104, 106, 108, 110, 112, 116, 118, 120, 122, 124, 126, 128, 130, 132,
                                         134, 136, 138, 140, 158, 160, 162, 164, 168, 172});
        expected << kSnapshot + QStringLiteral("100") << kSnapshot + QStringLiteral("102")
                 << kSnapshot + QStringLiteral("104") << runLines({176, 178, 180, 184});
        QCOMPARE(support::reportedLines(*services), expected);
        // The run still ends with the preview open, the main window hidden,
        // and no empty workbook left behind.
        QVERIFY(windows->preview().isVisible());
        QVERIFY(controlsOf(windows->preview()).Picture1->picture().isNull());
        QVERIFY(!form->isVisible());
        QVERIFY(workbooksInTemp().isEmpty());
    }

    void aFailingLayoutStepIsLine124AndTheWorkbookIsStillSaved()
    {
        world->failOn(QStringLiteral("Merge"));
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services), runLines({124}));
        QVERIFY(services->errorReports().front().text.startsWith(QLatin1String("Test failure of Range.Merge")));
        QCOMPARE(world->savedPaths.size(), 1);
        QCOMPARE(world->copyPictures, 1);
        QVERIFY(windows->preview().isVisible());
    }

    void anUnreadableSheetCountIsReadOnceMoreForTheDeletion()
    {
        world->failOn(QStringLiteral("count"), QStringLiteral("Sheets"), 1);
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services), runLines({118}));
        QCOMPARE(world->deletions, 2);
    }

    void aSheetCountThatNeverReadsEndsTheDeletionAtOnce()
    {
        world->failOn(QStringLiteral("count"), QStringLiteral("Sheets"));
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services), runLines({118, 120, 122}));
        QCOMPARE(world->deletions, 0);
        QCOMPARE(world->savedPaths.size(), 1);
    }

    void aFailingDeletionIsReportedOnce()
    {
        world->failOn(QStringLiteral("Delete"));
        fake::registerServer(world);
        generate();
        QCOMPARE(support::reportedLines(*services), runLines({120}));
    }

    void aFailedSaveLeavesNoEmptyWorkbook()
    {
        world->failOn(QStringLiteral("SaveAs"));
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services).first(), kRun + QStringLiteral("158"));
        QVERIFY(workbooksInTemp().isEmpty());
    }

    void aTemporaryFolderThatCannotBeWrittenIsReportedAndTheRunGoesOn()
    {
        support::setTemporaryFolder(tempFile(QStringLiteral("missing")));
        fake::registerServer(world);

        generate();

        // Reported once, by the save that cannot write there.
        const QStringList lines = support::reportedLines(*services);
        QCOMPARE(lines.first(), kRun + QStringLiteral("158"));
        QVERIFY(!lines.contains(kRun + QStringLiteral("156")));
        QVERIFY(services->errorReports().front().text.contains(QLatin1String("SaveAs cannot write")));
        QVERIFY(windows->preview().isVisible());
    }

    void withoutPictureOnTheClipboardLine112FailsAndThePreviewOpensEmpty()
    {
        world->picture = QImage();
        fake::registerServer(world);

        generate();

        QCOMPARE(support::reportedLines(*services), QStringList({kSnapshot + QStringLiteral("112"), kRun + QStringLiteral("184")}));
        const auto reports = services->errorReports();
        QVERIFY(reports[0].text.startsWith(QLatin1String("No picture of the sheet could be fetched")));
        QVERIFY(reports[1].text.startsWith(QLatin1String("The picture of the sheet could not be loaded from")));
        QCOMPARE(services->clipboardAttempts, 1000);
        Form2& preview = windows->preview();
        QVERIFY(controlsOf(preview).Picture1->picture().isNull());
        QVERIFY(!preview.excelFile().isEmpty());
        QVERIFY(preview.isVisible());
        QVERIFY(!form->isVisible());
    }

    void aPictureFromAnEarlierRunDoesNotStayWhenLoadingFails()
    {
        fake::registerServer(world);
        generate();
        QVERIFY(!controlsOf(windows->preview()).Picture1->picture().isNull());
        world->picture = QImage();

        generate();

        QVERIFY(controlsOf(windows->preview()).Picture1->picture().isNull());
    }

    void aSheetUsedOnlyInRowOneGivesNoBitmap()
    {
        world->usedRows = 1;
        fake::registerServer(world);

        generate();

        QCOMPARE(world->copyPictures, 0);
        QCOMPARE(support::reportedLines(*services), runLines({184}));
    }

    void theButtonLocksDrawingAndShowsTheHourglassWhileRunning()
    {
        QWidget* lockedDuringRun = nullptr;
        MousePointer pointerDuringRun = MousePointer::Default;
        automation::Servers::registerServer(QStringLiteral("Excel.Application"), [&] {
            if (!lockedDuringRun)
                lockedDuringRun = shell::lockedWindow();
            if (shell::lockedWindow()) // not the preview's own, after the run
                pointerDuringRun = form->mousePointer();
            return fake::newInstance(world);
        });

        form->PushButton1_Click();

        QCOMPARE(lockedDuringRun, form);
        QCOMPARE(pointerDuringRun, MousePointer::Hourglass);
        QCOMPARE(shell::lockedWindow(), nullptr);
        QCOMPARE(form->mousePointer(), MousePointer::Default);
        QVERIFY(services->messages.empty());
        QVERIFY(windows->preview().isVisible());
    }

    void decliningTheWarningLeavesEverythingAsItWas()
    {
        world->running = true;
        fake::registerServer(world);
        services->answers.push_back(shell::MessageAnswer::No);

        form->PushButton1_Click();

        QCOMPARE(services->messages.size(), std::size_t(1));
        QCOMPARE(world->created, 0);
        QVERIFY(workbooksInTemp().isEmpty());
        QCOMPARE(windows->loadedPreview(), nullptr);
        QVERIFY(form->isVisible());
        QCOMPARE(shell::lockedWindow(), nullptr);
        QCOMPARE(form->mousePointer(), MousePointer::Default);
    }

    void acceptingTheWarningRuns()
    {
        world->running = true;
        fake::registerServer(world);
        services->answers.push_back(shell::MessageAnswer::Yes);
        form->PushButton1_Click();
        QCOMPARE(world->savedPaths.size(), 1);
        QVERIFY(!form->isVisible());
    }

    void aWarningThatFailsIsReportedAndTheRunTakesPlace()
    {
        useServices(std::make_unique<FailingQuestions>());
        world->running = true;
        fake::registerServer(world);

        form->PushButton1_Click();

        QCOMPARE(support::reportedLines(*services), QStringList{kClick + QStringLiteral("102")});
        QCOMPARE(world->savedPaths.size(), 1);
        QCOMPARE(shell::lockedWindow(), nullptr);
    }
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
