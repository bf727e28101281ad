#include "spreadsheet/model/Address.h"

#include "automation/Error.h"

#include <algorithm>
#include <optional>

namespace ss {

namespace {

// One side of an address: a column, a row or both, 1-based. Values beyond
// the sheet are kept (capped) so that "outside the sheet" can be told from
// "malformed".
struct Reference {
    std::optional<int> column;
    std::optional<int> row;
};

constexpr int Beyond = MaxRows + 1; // any value past both limits

// The value of a column letter (A is 1) or of a row digit, or -1 for any
// other character.
int letterValue(QChar c)
{
    const char16_t lower = c.unicode() | 0x20;
    return lower >= u'a' && lower <= u'z' ? lower - u'a' + 1 : -1;
}
int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'0' && u <= u'9' ? u - u'0' : -1;
}

// Reads an optional "$" and then a run of letters (a column) or digits (a
// row) from text at pos, and moves pos past them. Nothing when there is no
// such run.
template <bool Letters>
std::optional<int> readPart(QStringView text, qsizetype& pos)
{
    qsizetype p = pos;
    if (p < text.size() && text[p] == u'$')
        ++p;
    const qsizetype start = p;
    int value = 0;
    for (; p < text.size(); ++p) {
        const int digit = Letters ? letterValue(text[p]) : digitValue(text[p]);
        if (digit < 0)
            break;
        value = std::min(Beyond, value * (Letters ? 26 : 10) + digit);
    }
    if (p == start)
        return std::nullopt;
    pos = p;
    return value;
}

std::optional<Reference> readReference(QStringView text)
{
    qsizetype pos = 0;
    Reference ref;
    ref.column = readPart<true>(text, pos);
    ref.row = readPart<false>(text, pos);
    const bool empty = !ref.column && !ref.row;
    // Rows count from 1: "A0" and "0:0" name no row.
    if (pos != text.size() || empty || ref.row == 0)
        return std::nullopt;
    return ref;
}

bool sameKind(const Reference& a, const Reference& b)
{
    return a.column.has_value() == b.column.has_value() && a.row.has_value() == b.row.has_value();
}

bool insideSheet(const Reference& r) { return r.column.value_or(1) <= MaxColumns && r.row.value_or(1) <= MaxRows; }

[[noreturn]] void invalid(QStringView text)
{
    throw quorvale::AutomationError(QStringLiteral("invalid address \"%1\"").arg(text));
}

} // namespace

Area parseAddress(QStringView text)
{
    const auto colonAt = std::find(text.begin(), text.end(), u':');
    const qsizetype colon = colonAt == text.end() ? -1 : colonAt - text.begin();
    const QStringView firstText = colon < 0 ? text : text.left(colon);
    const QStringView secondText = colon < 0 ? text : text.mid(colon + 1);
    const std::optional<Reference> first = readReference(firstText);
    const std::optional<Reference> second = readReference(secondText);
    if (!first || !second || !sameKind(*first, *second))
        invalid(text);
    // A lone column ("A") or row ("3") is not an address; "A:A" and "3:3" are.
    const bool wholeLine = !first->column || !first->row;
    if (wholeLine && colon < 0)
        invalid(text);
    if (!insideSheet(*first) || !insideSheet(*second))
        throw quorvale::AutomationError(
            QStringLiteral("address \"%1\" is outside the sheet (256 columns, 65,536 rows)").arg(text));

    Area area = Area::wholeSheet();
    if (first->column) {
        area.left = std::min(*first->column, *second->column) - 1;
        area.right = std::max(*first->column, *second->column) - 1;
    }
    if (first->row) {
        area.top = std::min(*first->row, *second->row) - 1;
        area.bottom = std::max(*first->row, *second->row) - 1;
    }
    return area;
}

QString columnName(int col)
{
    QString name;
    for (int n = col + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString addressText(const Area& area)
{
    const auto column = [](int c) { return QLatin1Char('$') + columnName(c); };
    const auto row = [](int r) { return QLatin1Char('$') + QString::number(r + 1); };
    if (area.wholeRows())
        return row(area.top) + QLatin1Char(':') + row(area.bottom);
    if (area.wholeColumns())
        return column(area.left) + QLatin1Char(':') + column(area.right);
    const QString topLeft = column(area.left) + row(area.top);
    if (area.isSingleCell())
        return topLeft;
    return topLeft + QLatin1Char(':') + column(area.right) + row(area.bottom);
}

} // namespace ss
