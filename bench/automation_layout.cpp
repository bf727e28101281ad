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
#include <charconv>
#include <iterator>
#include <vector>

namespace {

using automation::Arg;
using automation::MemberName;
using automation::Object;
using automation::Variant;

constexpr int Items = 32767;
constexpr int Runs = 5;
constexpr std::array<char, 9> Columns = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'};

// The members called, numbered once as the layout numbers them.
const MemberName ActiveCell{"ActiveCell"};
const MemberName ColorIndex{"ColorIndex"};
const MemberName FormulaR1C1{"FormulaR1C1"};
const MemberName Interior{"Interior"};
const MemberName Merge{"Merge"};
const MemberName Range{"Range"};
const MemberName RowHeight{"RowHeight"};
const MemberName Rows{"Rows"};
const MemberName Select{"Select"};
const MemberName Selection{"Selection"};
const MemberName WrapText{"WrapText"};

// Range texts put together on the stack and written over those of the call
// before, as the layout writes them.
class RangeText {
public:
    RangeText& add(char c)
    {
        *m_end++ = c;
        return *this;
    }
    RangeText& add(int n)
    {
        m_end = std::to_chars(m_end, std::end(m_chars), n).ptr;
        return *this;
    }
    void writeOver(QString& text) const { text = QLatin1String(m_chars, qsizetype(m_end - m_chars)); }

private:
    char m_chars[64];
    char* m_end = m_chars;
};

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
    QString rows;
    QString address;
    for (int i = 1; i <= int(items.size()); ++i) {
        const int r = i + 2;
        RangeText().add(r).add(':').add(r).writeOver(rows);
        app.object(Rows, {Variant(rows)}).call(Select);
        app.object(Selection).put(RowHeight, Variant(15.0));
        if (i % 2 == 0) {
            app.object(Range, {Variant(rows)}).call(Select);
            app.object(Selection).object(Interior).put(ColorIndex, Variant(std::int16_t(13)));
        }
        const QStringList& fields = items[std::size_t(i - 1)];
        for (int c = 0; c < 9; ++c) {
            const char column = Columns[std::size_t(c)];
            RangeText().add('$').add(column).add(r).add(':').add('$').add(column).add(r).writeOver(address);
            app.object(Range, {Variant(address)}).call(Select);
            app.object(ActiveCell).put(FormulaR1C1, Variant(fields[c]));
            app.object(Selection).call(Merge);
            app.object(Selection).put(WrapText, Variant(false));
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
