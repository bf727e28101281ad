// The per-item calls of the inventory sheet layout, for a full list of
// 32,767 items, driven through the automation layer into the built-in
// spreadsheet application by the layout itself (InventoryList::WriteItems):
// per item the row height, the shading of every second row and, for each of
// the nine cells, select, text, merge, wrap.
#include "BenchSupport.h"

#include "support/Headless.h"
#include "workbook/InventoryList.h"
#include "workbook/SheetLayout.h"

#include <QString>

#include <vector>

namespace {

using automation::Variant;

constexpr int Items = 32767;
constexpr int Runs = 5;

// Nine field texts per item, numbers among them as a list holds them.
std::vector<InventoryRecord> makeItems()
{
    std::vector<InventoryRecord> items(Items);
    for (int i = 0; i < Items; ++i)
        items[std::size_t(i)].fields = {QStringLiteral("INV%1").arg(i, 5, 10, QLatin1Char('0')),
                                        QStringLiteral("Item name %1").arg(i),
                                        QStringLiteral("A longer description of item %1").arg(i),
                                        QStringLiteral("46.99"),
                                        QString::number(i % 500),
                                        QStringLiteral("25"),
                                        QStringLiteral("7"),
                                        QString::number(i % 40),
                                        (i % 3 == 0) ? QStringLiteral("Yes") : QStringLiteral("No")};
    return items;
}

// A new building instance with one workbook whose sheet has the base format.
void newApplication()
{
    InventoryList::CreateExcelApp();
    InventoryList::ExcelApp.object("Workbooks").call("Add");
    InventoryList::ExcelApp.object("Cells").call("Select");
    InventoryList::ExcelApp.object("Selection").object("Font").put("Name", Variant("Arial"));
    InventoryList::ExcelApp.object("Selection").put("WrapText", Variant(true));
}

} // namespace

int main()
{
    support::registerServers();
    const std::vector<InventoryRecord> items = makeItems();
    bench::measure("automation layout 32767 items", Runs, newApplication, [&] { InventoryList::WriteItems(items); });
    InventoryList::ReleaseExcelApp();
    return 0;
}
