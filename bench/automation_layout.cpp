// The per-item calls of the inventory sheet layout, for a full list of
// 32,767 items, driven through the automation layer into the built-in
// spreadsheet application: per item the row height, the shading of every
// second row and, for each of the nine cells, select, text, merge, wrap.
#include "BenchSupport.h"

#include "automation/Servers.h"
#include "spreadsheet/objects/Server.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace {

using automation::Arg;
using automation::Object;
using automation::Variant;

constexpr int Items = 32767;
constexpr int Runs = 5;
const std::array<QString, 9> Columns = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                         QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F"),
                                         QStringLiteral("G"), QStringLiteral("H"), QStringLiteral("I")};

// Nine field texts per item, numbers among them as a list holds them.
std::vector<QStringList> makeItems()
{
    std::vector<QStringList> items;
    items.reserve(Items);
    for (int i = 0; i < Items; ++i)
        items.push_back({QStringLiteral("INV%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Item name %1").arg(i),
                         QStringLiteral("A longer description of item %1").arg(i), QStringLiteral("46.99"),
                         QString::number(i % 500), QStringLiteral("25"), QStringLiteral("7"),
                         QString::number(i % 40), (i % 3 == 0) ? QStringLiteral("Yes") : QStringLiteral("No")});
    return items;
}

// A new instance with one workbook whose sheet has the base format.
Object newApplication()
{
    Object app = automation::Servers::createObject(QStringLiteral("Excel.Application"));
    app.object("Workbooks").call("Add");
    app.object("Cells").call("Select");
    app.object("Selection").object("Font").put("Name", Variant("Arial"));
    app.object("Selection").put("WrapText", Variant(true));
    return app;
}

void layOut(const Object& app, const std::vector<QStringList>& items)
{
    for (int i = 1; i <= int(items.size()); ++i) {
        const QString r = QString::number(i + 2);
        const QString rows = r + QLatin1Char(':') + r;
        app.object("Rows", {Variant(rows)}).call("Select");
        app.object("Selection").put("RowHeight", Variant(15.0));
        if (i % 2 == 0) {
            app.object("Range", {Variant(rows)}).call("Select");
            app.object("Selection").object("Interior").put("ColorIndex", Variant(std::int16_t(13)));
        }
        const QStringList& fields = items[std::size_t(i - 1)];
        for (int c = 0; c < 9; ++c) {
            const QString address = QLatin1Char('$') + Columns[std::size_t(c)] + r + QStringLiteral(":$")
                + Columns[std::size_t(c)] + r;
            app.object("Range", {Variant(address)}).call("Select");
            app.object("ActiveCell").put("FormulaR1C1", Variant(fields[c]));
            app.object("Selection").call("Merge");
            app.object("Selection").put("WrapText", Variant(false));
        }
    }
}

} // namespace

int main()
{
    ss::registerExcelApplication();
    const std::vector<QStringList> items = makeItems();
    Object app;
    bench::measure(
        "automation layout 32767 items", Runs, [&] { app = newApplication(); }, [&] { layOut(app, items); });
    return 0;
}
