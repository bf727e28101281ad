// The whole generation run with the built-in spreadsheet application:
// layout, save, second instance, snapshot and hand-over to the preview, for
// lists of 10, 1,000 and 32,767 items. Prints the median of several runs and
// peak resident set size. Also the part the peer writers do, the layout of
// the sheet and its save, for the same 32,767 items.
#include "BenchSupport.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "preview/Form2.h"
#include "records/SampleData.h"
#include "shell/FileSystemObject.h"
#include "shell/Services.h"
#include "spreadsheet/objects/Server.h"
#include "workbook/InventoryList.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

// Message boxes are not shown: any message during a run spoils the figure,
// so the benchmark stops with it.
class QuietServices : public shell::Services {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        std::fprintf(stderr, "unexpected message during the run:\n%s\n", qPrintable(request.text));
        std::exit(1);
    }
};

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
// the picture and the preview: what the peer programs do.
void layOutAndSave(const QString& path, std::span<const InventoryRecord> items)
{
    using automation::Variant;
    InventoryList::CreateExcelApp();
    InventoryList::ExcelApp.put("ScreenUpdating", automation::False);
    InventoryList::ExcelApp.put("DisplayAlerts", automation::False);
    InventoryList::ExcelBook = InventoryList::ExcelApp.object("Workbooks").call("Add").toObject();
    InventoryList::BuildInventorySheet(items);
    InventoryList::ExcelBook.call("SaveAs", {Variant(path), automation::Arg::named("FileFormat", Variant(std::int32_t(56)))});
    InventoryList::ExcelBook.call("Close");
    InventoryList::ExcelApp.call("Quit");
    InventoryList::ReleaseExcelApp();
    InventoryList::ExcelBook.release();
}

// Puts the windows back as before a run and removes its workbook.
void resetAfterRun(AppWindows& windows)
{
    if (Form2* preview = windows.loadedPreview()) {
        QFile::remove(preview->mExcelFile);
        preview->hide();
    }
    windows.main().show();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir temp;
    qputenv("TEMP", temp.path().toLocal8Bit());
    QuietServices services;
    shell::Services::install(&services);
    ss::registerExcelApplication();
    shell::registerFileSystemObject();

    AppWindows windows;
    Form1& form = windows.main();
    form.Form_Load();
    form.show();

    for (const auto& [name, count, runs] : {std::tuple{"generation run 10 items", 10, 21},
                                            std::tuple{"generation run 1000 items", 1000, 11},
                                            std::tuple{"generation run 32767 items", 32767, 5}}) {
        fillItems(form.items(), count);
        bench::measure(
            name, runs, [&] { resetAfterRun(windows); }, [&] { form.PushButton1_Click(); });
    }
    resetAfterRun(windows);

    fillPeerItems(form.items(), 32767);
    const QString path = temp.filePath(QStringLiteral("layout.xls"));
    bench::measure("layout+save 32767 items", 5, [&] { QFile::remove(path); }, [&] { layOutAndSave(path, form.items().records()); });
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "the workbook was not saved\n");
        return 1;
    }
    shell::Services::install(nullptr);
    return 0;
}
