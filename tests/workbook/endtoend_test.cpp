// "Start Creating Template" with the built-in spreadsheet application: the
// temporary workbook, read back by xlrd, holds the inventory layout; the
// bitmap is gone; the preview holds the picture and the path; the main
// window is hidden.
#include "Support.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "preview/Form2.h"
#include "records/SampleData.h"
#include "shell/FileSystemObject.h"
#include "shell/Twips.h"
#include "spreadsheet/objects/Server.h"
#include "spreadsheet/render/Print.h"
#include "support/PreviewControls.h"
#include "support/Headless.h"
#include "support/TestServices.h"

#include <QAction>
#include <QClipboard>
#include <QPrinter>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

std::vector<QStringList> sampleItems()
{
    std::vector<QStringList> rows;
    for (const InventoryRecord& record : records::sampleRecords())
        rows.emplace_back(record.fields.begin(), record.fields.end());
    return rows;
}

// Items that differ in every field, with texts that stay text, texts that
// become numbers and characters outside Latin-1.
std::vector<QStringList> manyItems(int count)
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        rows.push_back({QStringLiteral("INV-%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Item %1").arg(i),
                        i % 7 == 0 ? QStringLiteral("Gr\u00f6\u00dfe \u2013 \u6a19\u6e96") : QString(),
                        QStringLiteral("%1.99").arg(i % 100), n, QStringLiteral("00%1").arg(i % 10),
                        QString::number(i % 30), QStringLiteral("=A%1").arg(i), i % 2 ? QStringLiteral("No") : QStringLiteral("Yes")});
    }
    return rows;
}

QByteArray itemsJson(const std::vector<QStringList>& rows)
{
    QJsonArray items;
    for (const QStringList& row : rows)
        items.append(QJsonArray::fromStringList(row));
    return QJsonDocument(items).toJson(QJsonDocument::Compact);
}

bool xlrdAvailable()
{
    QProcess python;
    python.start(kPython, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
    return python.waitForFinished(-1) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

// Scrolls the preview until pixel row top of its picture is at the top of
// the view, or as near as the bar goes.
void scrollTo(Form2& preview, int top)
{
    QScrollBar* bar = controlsOf(preview).VScroll1;
    int low = 0;
    int high = bar->maximum();
    while (low < high) {
        const int middle = (low + high) / 2;
        bar->setValue(middle);
        if (-controlsOf(preview).Picture1->y() >= top)
            high = middle;
        else
            low = middle + 1;
    }
    bar->setValue(low);
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    std::unique_ptr<QTemporaryDir> temp;

    // Checks the workbook with xlrd; the script prints every difference.
    void checkWithXlrd(const QString& workbook, const std::vector<QStringList>& rows)
    {
        if (!xlrdAvailable())
            QSKIP("xlrd for /usr/bin/python3 is not installed");
        const QString itemsPath = QDir(temp->path()).filePath(QStringLiteral("items.json"));
        QFile items(itemsPath);
        QVERIFY(items.open(QIODevice::WriteOnly));
        items.write(itemsJson(rows));
        items.close();

        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(kPython, {QStringLiteral(QUORVALE_SOURCE_DIR "/tests/workbook/check_inventory.py"), workbook, itemsPath});
        QVERIFY(check.waitForFinished(-1));
        const QByteArray output = check.readAll();
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, output.constData());
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        automation::Servers::clear();
        support::registerServers();
        temp = std::make_unique<QTemporaryDir>();
        support::setTemporaryFolder(temp->path());
        services = std::make_unique<TestServices>();
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        form->Form_Load();
        form->show();
    }

    void cleanup()
    {
        windows.reset();
        form = nullptr;
        services.reset();
        automation::Servers::clear();
        support::setTemporaryFolder({});
    }

    void aRunBuildsTheInventoryWorkbookAndOpensThePreview_data()
    {
        QTest::addColumn<int>("list"); // 0: empty, 1: the samples, n: n items
        QTest::newRow("empty list") << 0;
        QTest::newRow("three sample items") << 1;
        QTest::newRow("1,000 items") << 1000;
    }
    void aRunBuildsTheInventoryWorkbookAndOpensThePreview()
    {
        QFETCH(int, list);
        const std::vector<QStringList> rows = list == 1 ? sampleItems() : manyItems(list);
        support::fillItems(form->items(), rows);
        QVERIFY(services->errorReports().empty()); // the start-up found the application

        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);

        QCOMPARE(services->texts(), QStringList());
        Form2& preview = windows->preview();
        const QFileInfo workbook(preview.excelFile());
        QCOMPARE(QDir::toNativeSeparators(workbook.absolutePath()), QDir::toNativeSeparators(temp->path()));
        QVERIFY(QRegularExpression(QStringLiteral("^kintra[1-9]{8}\\.xls$")).match(workbook.fileName()).hasMatch());
        QVERIFY(workbook.size() > 0);
        QVERIFY(!QFileInfo::exists(QDir(temp->path()).filePath(QStringLiteral("temp.bmp"))));
        QVERIFY(!controlsOf(preview).Picture1->picture().isNull());
        QVERIFY(preview.isVisible());
        QVERIFY(!form->isVisible());
        QCOMPARE(form->mousePointer(), MousePointer::Default);
        QCOMPARE(shell::lockedWindow(), nullptr);

        checkWithXlrd(workbook.filePath(), rows);
    }

    // Past its snapshot the preview shows the rest of the sheet: the picture
    // is the whole used range, its bottom rows are the table's bottom
    // border, and around the seams of snapshot and bands it is what a
    // single picture of those rows is, pixel for pixel.
    void thePreviewShowsEveryRow()
    {
        if (twips::dpiY(nullptr) != 96.0)
            QSKIP("the screen's logical DPI is not 96");
        support::fillItems(form->items(), manyItems(1000));
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);
        QCOMPARE(services->texts(), QStringList());
        Form2& preview = windows->preview();
        QTRY_COMPARE(controlsOf(preview).Picture1->wholeSize().width() > 0 && controlsOf(preview).Picture1->keptBands() == 0
                         && controlsOf(preview).Picture1->wholeSize() != controlsOf(preview).Picture1->picture().size(),
                     true); // the bands come once the run's handler is done
        const QSize whole = controlsOf(preview).Picture1->wholeSize();
        const auto rowTop = [](int row) { return row == 1 ? 0 : row == 2 ? 58 : 118 + (row - 3) * 20; };
        QCOMPARE(whole.height(), rowTop(1003)); // 43.5 and 45 points, then 15 points an item
        QCOMPARE(preview.geometry().imageBox.height(), whole.height() * 15);

        // The bands come into view as the preview scrolls, and are fetched
        // then: the user's clipboard stays as it was.
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own"));
        scrollTo(preview, whole.height());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own")); // fetching a band kept it
        const QImage bottom = controlsOf(preview).Picture1->grab(QRect(0, whole.height() - 3, whole.width(), 3)).toImage();
        QImage ownPicture(3, 2, QImage::Format_RGB32);
        ownPicture.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(ownPicture);
        controlsOf(preview).Picture1->forgetKeptBands(); // and fetched anew
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), ownPicture);
        const QColor border = QColor::fromRgb(175, 180, 135); // palette entry 14 of the table's edges
        QCOMPARE(bottom.pixelColor(40, 1), border);
        QCOMPARE(bottom.pixelColor(40, 2), border);
        QCOMPARE(bottom.pixelColor(whole.width() - 1, 2), border);

        const automation::Object excel = automation::Servers::createObject(QStringLiteral("Excel.Application"));
        excel.object("Workbooks").call("Open", {automation::Variant(preview.excelFile())});
        const automation::Object sheet = excel.object("ActiveSheet");
        for (const int row : {51, 101, 201, 650, 990}) {
            scrollTo(preview, rowTop(row - 5));
            sheet.object("Range", {automation::Variant(QStringLiteral("A%1:I%2").arg(row - 8).arg(row + 8))})
                .call("CopyPicture");
            const QImage single = QGuiApplication::clipboard()->image().copy(0, 3 * 20, whole.width(), 10 * 20);
            const QImage shown =
                controlsOf(preview).Picture1->grab(QRect(0, rowTop(row - 5), whole.width(), 10 * 20)).toImage().convertToFormat(single.format());
            QVERIFY2(shown == single, qPrintable(QStringLiteral("around row %1").arg(row)));
        }

        // At 300 % every row is drawn anew at that scale: what the viewport
        // shows is the sheet's own picture at 300 %, pixel for pixel, not the
        // picture at 100 % stretched.
        preview.SetZoom(3.0f);
        excel.object("ActiveWindow").put("Zoom", automation::Variant(300));
        for (const int row : {4, 60, 640}) {
            scrollTo(preview, 3 * rowTop(row - 2));
            PictureBox* box = controlsOf(preview).Picture1;
            const QRect inView = QRect(-box->pos(), controlsOf(preview).Picture2->inner()->size()) & box->rect();
            sheet.object("Range", {automation::Variant(QStringLiteral("A%1:I%2").arg(std::max(1, row - 8)).arg(row + 8))})
                .call("CopyPicture");
            const QImage zoomed = QGuiApplication::clipboard()->image();
            const QImage expected = zoomed.copy(inView.translated(0, -3 * rowTop(std::max(1, row - 8))));
            const QImage shown = box->grab(inView).toImage().convertToFormat(expected.format());
            QVERIFY2(!inView.isEmpty() && shown == expected, qPrintable(QStringLiteral("at 300 %, around row %1").arg(row)));
        }
        excel.call("Quit");
        QVERIFY(controlsOf(preview).Picture1->keptBands() <= PictureBox::MaxKeptBands);
    }

    // Ctrl+P in the preview shows the pages in the print preview, laid out
    // as the sheet's page set-up says; "Export as PDF…" saves them.
    void thePreviewPrintsAndExportsThePages()
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton7")), Qt::LeftButton);
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);
        Form2& preview = windows->preview();
        QCoreApplication::processEvents(); // the bands and the printing come once the run's handler is done
        QPageLayout shown;
        const QString printed = temp->filePath(QStringLiteral("printed.pdf"));
        ss::render::setPrintPreview([&](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            shown = printer.pageLayout();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            paint(&printer);
        });
        preview.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&preview));
        QTest::keyClick(&preview, Qt::Key_P, Qt::ControlModifier);
        ss::render::setPrintPreview(nullptr);
        QCOMPARE(shown.pageSize().id(), QPageSize::A4);
        QCOMPARE(shown.orientation(), QPageLayout::Landscape);
        QCOMPARE(shown.margins(QPageLayout::Inch), QMarginsF(0.7, 0.5, 0.7, 0.5));
        QVERIFY(QFileInfo(printed).size() > 0);

        const QString pdf = temp->filePath(QStringLiteral("pages.pdf"));
        services->savePaths.push_back(pdf);
        QAction* exportAction = nullptr;
        for (QAction* action : preview.actions())
            if (action->text() == QStringLiteral("Export as PDF\u2026"))
                exportAction = action;
        QVERIFY(exportAction);
        exportAction->trigger();
        QCOMPARE(services->saveRequests.back().filter, QStringLiteral("PDF Files (*.pdf)|*.pdf|"));
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("%PDF-"));
        QVERIFY(services->errorReports().empty());
    }

    void everyInstanceOfTheRunHasQuit()
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("PushButton1")), Qt::LeftButton);
        QVERIFY(services->errorReports().empty());
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, automation::Servers::getObject(QStringLiteral("Excel.Application")));

        // "< Back" before the rest of a long sheet is laid out: the preview
        // lets go of its pictures, and nothing opens the workbook after it.
        support::fillItems(form->items(), manyItems(300));
        QCoreApplication::processEvents(); // the first run is over
        form->PushButton1_Click();
        Form2& preview = windows->preview();
        QVERIFY(!controlsOf(preview).Picture1->picture().isNull());
        preview.PushButton8_Click();
        QCoreApplication::processEvents();
        QVERIFY(services->errorReports().empty());
        QVERIFY(controlsOf(preview).Picture1->picture().isNull());
        QVERIFY(controlsOf(preview).Picture1->wholeSize().isEmpty());
        QVERIFY_THROWS_EXCEPTION(quorvale::Error, automation::Servers::getObject(QStringLiteral("Excel.Application")));
    }
};

QTEST_MAIN(EndToEndTest)
#include "endtoend_test.moc"
