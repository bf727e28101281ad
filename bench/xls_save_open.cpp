// Saving and opening the inventory sheet of 32,767 items as an .xls file,
// and saving it as an .xlsx file.

#include "BenchSupport.h"

#include "support/XlsInventory.h"

#include "spreadsheet/xls/Xls.h"
#include "spreadsheet/xlsx/XlsxWriter.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main()
{
    constexpr int Items = 32767;
    QTemporaryDir dir;
    const QString path = dir.filePath("inventory.xls");
    const ss::Workbook book = xlsinventory::inventory(Items);

    bench::measure("xls save 32767 items", 7, [&] { ss::xls::save(book, path); });
    std::size_t sheets = 0;
    bench::measure("xls open 32767 items", 7, [&] { sheets = ss::xls::open(path)->sheets.size(); });
    if (sheets != 1) {
        std::fprintf(stderr, "the saved workbook did not open as one sheet\n");
        return 1;
    }
    std::printf("# xls file of 32767 items: %lld KiB\n", QFileInfo(path).size() / 1024);

    const QString xlsx = dir.filePath("inventory.xlsx");
    bench::measure("xlsx save 32767 items", 7, [&] { ss::xlsx::save(book, xlsx); });
    std::printf("# xlsx file of 32767 items: %lld KiB\n", QFileInfo(xlsx).size() / 1024);
    return 0;
}
