// The whole generation run with the built-in spreadsheet application:
// layout, save, second instance, snapshot and hand-over to the preview, for
// lists of 10, 1,000 and 32,767 items. Prints the median of several runs and
// peak resident set size. Also the part the peer writers do, the layout of
// the sheet and its save, for the same 32,767 items.
#include "BenchSupport.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "preview/Form2.h"
#include "support/Headless.h"
#include "support/PreviewControls.h"
#include "records/SampleData.h"
#include "shell/FileSystemObject.h"
#include "shell/Services.h"
#include "spreadsheet/objects/Server.h"
#include "workbook/InventoryList.h"
#include "workbook/SheetLayout.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace {

// Message boxes are not shown: any message during a run spoils the figure,
// so the benchmark stops with it.
void fillItems(ListItems& items, int count)
{
    items.Clear();
    for (int i = 1; i <= count; ++i) {
        const int position = items.Add(QStringLiteral("INV-%1").arg(i, 5, 10, QLatin1Char('0')));
        items.setSubItem(position, 1, QStringLiteral("Item number %1").arg(i));
        items.setSubItem(position, 2, QStringLiteral("Description of item %1").arg(i));
        items.setSubItem(position, 3, QStringLiteral("%1.99").arg(i % 100));
        items.setSubItem(position, 4, QString::number(i));
        items.setSubItem(position, 5, QString::number(i % 50));
        items.setSubItem(position, 6, QString::number(i % 30));
        items.setSubItem(position, 7, QString::number(i % 20));
        items.setSubItem(position, 8, i % 2 ? QStringLiteral("No") : QStringLiteral("Yes"));
    }
}

// The items the peer programs write: numbered IDs and the three sample
// items in turn.
void fillPeerItems(ListItems& items, int count)
{
    const auto& samples = records::sampleRecords();
    items.Clear();
    for (int i = 1; i <= count; ++i) {
        const int position = items.Add(QString::number(i));
        const InventoryRecord& sample = samples[std::size_t((i - 1) % 3)];
        for (int field = 1; field < InventoryRecord::FieldCount; ++field)
            items.setSubItem(position, field, sample[field]);
    }
}

// The layout and save of the generation run, without the second instance,
// the picture and the preview: what the peer programs do. The file format
// is SaveAs's: 56 the Excel 97-2003 workbook, 51 the Open XML one.
void layOutAndSave(const QString& path, std::span<const InventoryRecord> items, std::int32_t fileFormat = 56)
{
    using automation::Variant;
    InventoryList::CreateExcelApp();
    InventoryList::ExcelApp.put("ScreenUpdating", automation::False);
    InventoryList::ExcelApp.put("DisplayAlerts", automation::False);
    InventoryList::ExcelBook = InventoryList::ExcelApp.object("Workbooks").call("Add").toObject();
    InventoryList::BuildInventorySheet(items);
    InventoryList::ExcelBook.call("SaveAs", {Variant(path), automation::Arg::named("FileFormat", Variant(fileFormat))});
    InventoryList::ExcelBook.call("Close");
    InventoryList::ExcelApp.call("Quit");
    InventoryList::ReleaseExcelApp();
    InventoryList::ExcelBook.release();
}

// Goes back from the preview to the main window, as "< Back" does, which
// also removes the run's workbook.
void resetAfterRun(AppWindows& windows)
{
    if (Form2* preview = windows.loadedPreview(); preview && preview->isVisible())
        preview->PushButton8_Click();
    windows.main().show();
}

// The preview of the last run's 32,767 items: the last item shown at each
// zoom, its band drawn anew and then from the bands kept; and a scroll
// through the whole list a viewport at a time, whose peak memory is the
// preview's however far the user scrolls.
void measurePreview(Form2& preview)
{
    const PreviewControls c(preview);
    QCoreApplication::processEvents(); // the rest of the sheet follows the run's handler
    for (const float zoom : {0.25f, 1.0f, 3.0f}) {
        preview.SetZoom(zoom);
        const auto showLast = [&] {
            c.VScroll1->setValue(c.VScroll1->maximum());
            c.Picture2->grab();
        };
        const std::string atZoom = "preview: last item at zoom " + std::to_string(zoom).substr(0, 4);
        const std::string anew = atZoom + ", band drawn anew";
        bench::measure(anew.c_str(), 5, [&] {
            c.VScroll1->setValue(0);
            c.Picture1->forgetKeptBands();
        }, showLast);
        const std::string kept = atZoom + ", band kept";
        bench::measure(kept.c_str(), 11, [&] { c.VScroll1->setValue(0); }, showLast);
    }
    preview.SetZoom(1.0f);
    const double before = bench::rssMiB();
    bench::measure("preview: scroll through 32767 items", 1, [&] {
        for (int value = 0; value <= c.VScroll1->maximum(); value += c.VScroll1->pageStep()) {
            c.VScroll1->setValue(value);
            c.Picture2->grab();
        }
    });
    std::printf("# preview: scrolling through 32,767 items takes %.0f MiB more than the preview held before\n",
                bench::peakRssMiB() - before);
}

} // namespace

// The window stores a changed list a moment later, in the background; the
// runs are measured once it has, as a user who fills a list and then starts
// a run would find it.
void storeTheList(Form1& form)
{
    while (form.keptList().storing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

int main(int argc, char* argv[])
{
    support::prepareHeadless();
    QApplication app(argc, argv);
    const support::Headless headless;

    AppWindows windows;
    Form1& form = windows.main();
    form.Form_Load();
    form.show();

    for (const auto& [name, count, runs] : {std::tuple{"generation run 10 items", 10, 21},
                                            std::tuple{"generation run 1000 items", 1000, 11},
                                            std::tuple{"generation run 32767 items", 32767, 5}}) {
        fillItems(form.items(), count);
        storeTheList(form);
        bench::measure(
            name, runs, [&] { resetAfterRun(windows); }, [&] { form.PushButton1_Click(); });
    }
    measurePreview(windows.preview());
    resetAfterRun(windows);

    fillPeerItems(form.items(), 32767);
    storeTheList(form);
    const QString path = QDir(headless.temporaryFolder()).filePath(QStringLiteral("layout.xls"));
    bench::measure(
        "layout+save 32767 items", 5, [&] { QFile::remove(path); },
        [&] { layOutAndSave(path, form.items().records()); });
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "the workbook was not saved\n");
        return 1;
    }
    // The workbook of the peers' items, whose size scripts/bench sets against theirs.
    std::printf("SIZE\tlayout+save 32767 items\t%lld\n", QFileInfo(path).size());

    // The same workbook as .xlsx, through libxlsxwriter and the file writer.
    const QString xlsx = QDir(headless.temporaryFolder()).filePath(QStringLiteral("layout.xlsx"));
    bench::measure(
        "layout+save 32767 items as .xlsx", 5, [&] { QFile::remove(xlsx); },
        [&] { layOutAndSave(xlsx, form.items().records(), 51); });
    if (!QFile::exists(xlsx)) {
        std::fprintf(stderr, "the .xlsx workbook was not saved\n");
        return 1;
    }
    std::printf("SIZE\tlayout+save 32767 items as .xlsx\t%lld\n", QFileInfo(xlsx).size());
    return 0;
}
