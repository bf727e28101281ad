#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"
#include "spreadsheet/render/Render.h"

#include <cmath>

namespace ss::objects {

namespace {

using automation::Object;

// Writing more cells than this at once is refused rather than filling memory.
constexpr std::int64_t MostCellsWritten = 1 << 20;

const std::initializer_list<std::pair<int, HAlign>> HorizontalCodes = {{excel::xlHAlignGeneral, HAlign::General},
                                                                       {excel::xlLeft, HAlign::Left},
                                                                       {excel::xlCenter, HAlign::Center},
                                                                       {excel::xlRight, HAlign::Right}};
const std::initializer_list<std::pair<int, VAlign>> VerticalCodes = {
    {excel::xlTop, VAlign::Top}, {excel::xlCenter, VAlign::Center}, {excel::xlBottom, VAlign::Bottom}};
const std::initializer_list<std::pair<int, RangeEdge>> EdgeCodes = {
    {excel::xlEdgeLeft, RangeEdge::Left},
    {excel::xlEdgeTop, RangeEdge::Top},
    {excel::xlEdgeBottom, RangeEdge::Bottom},
    {excel::xlEdgeRight, RangeEdge::Right},
    {excel::xlInsideVertical, RangeEdge::InsideVertical},
    {excel::xlInsideHorizontal, RangeEdge::InsideHorizontal}};

// The value a cell gets from an assigned automation value: a text is read
// as typed; nothing is ever evaluated as a formula.
CellValue cellValue(const Variant& value)
{
    switch (value.type()) {
    case automation::VarType::Empty: return std::monostate{};
    case automation::VarType::String: {
        QString text = value.toString();
        // An empty text empties the cell.
        if (text.isEmpty())
            return std::monostate{};
        if (const std::optional<double> number = generalNumber(text))
            return *number;
        return text;
    }
    case automation::VarType::Boolean: return value.toBool();
    case automation::VarType::Error:
        if (const std::optional<CellError> error = errorOfCode(std::uint8_t(value.ifError()->code - 2000)))
            return *error;
        break;
    case automation::VarType::Object: break;
    default:
        if (const double number = value.toDouble(); std::isfinite(number))
            return number;
        throw quorvale::AutomationError(QStringLiteral("a cell cannot hold an infinite number or NaN"));
    }
    throw quorvale::AutomationError(QStringLiteral("a cell cannot hold a %1").arg(automation::typeName(value.type())));
}

// A row or column number in [1, last].
int lineNumber(const Variant& value, int last, const char* what) { return checkedInt(value, 1, last, what) - 1; }

// A text that names whole rows or columns; "3" stands for "3:3", "B" for "B:B".
Area linesAddress(const Variant& value, bool rows)
{
    QString text = value.toString();
    if (!text.contains(QLatin1Char(':')))
        text = text + QLatin1Char(':') + text;
    const Area area = parseAddress(text);
    if (rows ? !area.wholeRows() : !area.wholeColumns())
        throw quorvale::AutomationError(
            QStringLiteral("\"%1\" is not a %2 address").arg(value.toString(), QLatin1String(rows ? "row" : "column")));
    return area;
}

// An address given as a value: a text is read where it lies, without a copy.
Area addressOf(const Variant& value)
{
    if (const QString* text = value.ifString())
        return parseAddress(*text);
    return parseAddress(value.toString());
}

} // namespace

class Range final : public automation::Dispatch {
public:
    Range(RangeRef r, RangeMode m) : ref(std::move(r)), mode(m) {}

    QString className() const override { return QStringLiteral("Range"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    // Whether the object is one of the cells a of sheet s. The object keeps
    // its workbook, so no other workbook takes its address; once that
    // workbook is the one of s, its sheets are there to compare.
    bool shows(const SheetRef& s, const Area& a, RangeMode m) const
    {
        return ref.book == s.book && ref.sheet == s.sheet && ref.area == a && mode == m;
    }
    // Makes the object one of other cells; only for an object that nobody
    // holds (see RangeCache).
    void aim(const SheetRef& s, const Area& a, RangeMode m)
    {
        static_cast<SheetRef&>(ref) = s;
        ref.area = a;
        mode = m;
    }

    RangeRef ref;
    RangeMode mode;

private:
    Sheet& sheet() const { return *ref.sheet; }
    const Area& area() const { return ref.area; }

    // A range of this sheet.
    Object sub(const Area& a, RangeMode m = RangeMode::Cells) const { return rangeObject(RangeRef{ref, a}, m); }

    // The cell at 1-based row and column inside the range; both may reach
    // past its end, as long as the cell is on the sheet.
    Object cellAt(const Variant& row, const Variant& column) const
    {
        const int r = area().top + checkedInt(row, 1, MaxRows - area().top, "row") - 1;
        const int c = area().left + checkedInt(column, 1, MaxColumns - area().left, "column") - 1;
        return sub(Area::cell(r, c));
    }

    // Item(i) by the range's mode; Item(row, column) for cells.
    Object item(const Call& call) const
    {
        switch (mode) {
        case RangeMode::Rows: {
            const int r = area().top + checkedInt(call.positional(0), 1, area().rows(), "row index") - 1;
            return sub(Area{r, area().left, r, area().right});
        }
        case RangeMode::Columns: {
            const int c = area().left + checkedInt(call.positional(0), 1, area().columns(), "column index") - 1;
            return sub(Area{area().top, c, area().bottom, c});
        }
        case RangeMode::Cells: break;
        }
        if (call.positionalCount() >= 2)
            return cellAt(call.positional(0), call.positional(1));
        // One index counts the cells row by row.
        const int count = int(cellCount());
        const int i = checkedInt(call.positional(0), 1, count, "cell index") - 1;
        return sub(Area::cell(area().top + i / area().columns(), area().left + i % area().columns()));
    }

    // Rows and Columns: the range counted by lines, or one of its lines.
    Object lines(const Call& call, RangeMode m) const
    {
        if (call.positionalCount() == 0)
            return sub(area(), m);
        return Range(ref, m).item(call);
    }

    std::int64_t cellCount() const { return std::int64_t(area().rows()) * area().columns(); }

    // The one cell a value is read from.
    const Cell* singleCell() const
    {
        if (!area().isSingleCell())
            throw quorvale::AutomationError(QStringLiteral("reading several cells at once is not supported"));
        return sheet().cell(area().top, area().left);
    }

    void writeCells(CellValue value) const
    {
        if (area().isSingleCell()) {
            sheet().cellAt(area().top, area().left).value = std::move(value);
            return;
        }
        if (cellCount() > MostCellsWritten)
            throw quorvale::AutomationError(
                QStringLiteral("writing %1 cells at once is not supported").arg(cellCount()));
        for (int r = area().top; r <= area().bottom; ++r)
            for (int c = area().left; c <= area().right; ++c)
                sheet().cellAt(r, c).value = value;
    }

    static Variant select(Range& self, const Call&)
    {
        const Workbook& book = self.ref.model();
        if (book.sheets[std::size_t(book.activeSheet)].get() != self.ref.sheet)
            throw quorvale::AutomationError(QStringLiteral("the range's sheet is not the active sheet"));
        Sheet& sheet = self.sheet();
        sheet.selection = self.area();
        sheet.activeRow = self.area().top;
        sheet.activeColumn = self.area().left;
        return {};
    }

    static Variant clear(Range& self, const Call&)
    {
        self.sheet().clear(self.area());
        return {};
    }

    static Variant merge(Range& self, const Call& call)
    {
        if (const Variant* across = call.argument(0, "Across"); across && across->toBool())
            throw quorvale::AutomationError(QStringLiteral("merging across rows is not supported"));
        if (self.area().isSingleCell())
            return {};
        // With alerts on, the application would ask before values are lost;
        // it cannot ask, so it refuses.
        if (self.ref.app->settings.displayAlerts && self.sheet().mergeDiscardsValues(self.area()))
            throw quorvale::AutomationError(
                QStringLiteral("merging would keep only the upper-left value; turn DisplayAlerts off to merge anyway"));
        self.sheet().merge(self.area());
        return {};
    }

    static Variant copyPicture(Range& self, const Call&)
    {
        render::copyPicture(self.ref.model(), self.sheet(), self.area(), self.ref.app->settings.windowZoom / 100.0);
        return {};
    }

    static Variant rows(Range& self, const Call& call) { return self.lines(call, RangeMode::Rows); }
    static Variant columns(Range& self, const Call& call) { return self.lines(call, RangeMode::Columns); }

    static Variant cells(Range& self, const Call& call)
    {
        if (call.positionalCount() >= 2)
            return self.cellAt(call.positional(0), call.positional(1));
        return self.sub(self.area());
    }

    static Variant itemMember(Range& self, const Call& call) { return self.item(call); }

    // Where the cells lie on the sheet as it shows, in points.
    template <render::Side Side>
    static Variant placed(Range& self, const Call&)
    {
        return render::sideInPoints(self.ref.model(), self.sheet(), self.area(), Side);
    }

    static Variant row(Range& self, const Call&) { return std::int32_t(self.area().top + 1); }
    static Variant column(Range& self, const Call&) { return std::int32_t(self.area().left + 1); }
    static Variant address(Range& self, const Call&) { return addressText(self.area()); }

    static Variant count(Range& self, const Call&)
    {
        switch (self.mode) {
        case RangeMode::Rows: return std::int32_t(self.area().rows());
        case RangeMode::Columns: return std::int32_t(self.area().columns());
        case RangeMode::Cells: break;
        }
        return std::int32_t(self.cellCount());
    }

    // The value every line of [first, last] has, or Empty when they differ.
    template <class ValueAt>
    static Variant uniformLine(int first, int last, ValueAt valueAt)
    {
        const double value = valueAt(first);
        for (int i = first + 1; i <= last; ++i)
            if (valueAt(i) != value)
                return {};
        return value;
    }

    static Variant getColumnWidth(Range& self, const Call&)
    {
        return uniformLine(self.area().left, self.area().right, [&](int c) { return self.sheet().columnWidth(c); });
    }
    static void putColumnWidth(Range& self, const Call&, const Variant& value)
    {
        const double width = checkedDouble(value, 0, MaxColumnWidth, "column width");
        for (int c = self.area().left; c <= self.area().right; ++c)
            self.sheet().columns[std::size_t(c)].width = width;
    }

    static Variant getRowHeight(Range& self, const Call&)
    {
        return uniformLine(self.area().top, self.area().bottom, [&](int r) { return self.sheet().rowHeight(r); });
    }
    static void putRowHeight(Range& self, const Call&, const Variant& value)
    {
        const double height = checkedDouble(value, 0, MaxRowHeight, "row height");
        Sheet& sheet = self.sheet();
        // All rows: the sheet's default height, which costs nothing per row.
        if (self.area().wholeColumns()) {
            sheet.defaultRowHeight = height;
            for (Row& row : sheet.rows)
                row.height.reset();
            return;
        }
        for (int r = self.area().top; r <= self.area().bottom; ++r)
            sheet.rowAt(r).height = height;
    }

    // The cell's value: a number (a date is one too, as Value2 gives it),
    // a text, a Boolean or an error value. A formula whose result its file
    // did not keep has no value this application could give.
    static Variant getValue(Range& self, const Call&)
    {
        const Cell* cell = self.singleCell();
        if (!cell)
            return {};
        return std::visit(
            [&](const auto& value) -> Variant {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::monostate>)
                    return {};
                else if constexpr (std::is_same_v<T, CellError>) {
                    if (value == CellError::NotCalculated)
                        throw quorvale::AutomationError(
                            QStringLiteral("%1 holds a formula whose result was not saved; open and save the file "
                                           "in a spreadsheet program first")
                                .arg(columnName(self.area().left) + QString::number(self.area().top + 1)));
                    return automation::ErrorValue{2000 + int(value)};
                } else
                    return value;
            },
            cell->value);
    }

    // The cell's text as it was typed: a number in its General form, TRUE
    // or FALSE, an error as it shows (#DIV/0!).
    static Variant getFormula(Range& self, const Call&)
    {
        const Cell* cell = self.singleCell();
        if (!cell)
            return QString();
        if (const double* number = std::get_if<double>(&cell->value))
            return generalText(*number);
        if (const bool* truth = std::get_if<bool>(&cell->value))
            return *truth ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        if (const CellError* error = std::get_if<CellError>(&cell->value))
            return errorText(*error);
        if (const QString* text = std::get_if<QString>(&cell->value))
            return *text;
        return QString();
    }

    // The code of the number format, "General" when it has none.
    static Variant getNumberFormat(Range& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) {
            return Variant(f.numberFormat.isEmpty() ? QStringLiteral("General") : f.numberFormat);
        });
    }
    static void putNumberFormat(Range& self, const Call&, const Variant& value)
    {
        QString code = value.toString();
        if (code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
            code.clear();
        self.ref.format([&code](CellFormat& f) { f.numberFormat = code; });
    }

    static void putValue(Range& self, const Call&, const Variant& value) { self.writeCells(cellValue(value)); }

    // The default member: Value, or Item when indexes are given.
    static Variant defaultMember(Range& self, const Call& call)
    {
        if (call.kind != CallKind::Put && call.positionalCount() > 0)
            return self.item(call);
        return property<Range, &getValue, &putValue>(self, call);
    }

    static Variant getWrap(Range& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(f.wrap); });
    }
    static void putWrap(Range& self, const Call&, const Variant& value)
    {
        const bool wrap = value.toBool();
        self.ref.format([wrap](CellFormat& f) { f.wrap = wrap; }, changeOf(Formatted::Wrap, wrap));
    }

    static Variant getHorizontal(Range& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(toCode(f.horizontal, HorizontalCodes)); });
    }
    static void putHorizontal(Range& self, const Call&, const Variant& value)
    {
        const HAlign align = fromCode(value, HorizontalCodes, "horizontal alignment");
        self.ref.format([align](CellFormat& f) { f.horizontal = align; },
                        changeOf(Formatted::Horizontal, std::int64_t(align)));
    }

    static Variant getVertical(Range& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(toCode(f.vertical, VerticalCodes)); });
    }
    static void putVertical(Range& self, const Call&, const Variant& value)
    {
        const VAlign align = fromCode(value, VerticalCodes, "vertical alignment");
        self.ref.format([align](CellFormat& f) { f.vertical = align; },
                        changeOf(Formatted::Vertical, std::int64_t(align)));
    }

    static Variant interior(Range& self, const Call&) { return interiorObject(self.ref); }
    static Variant font(Range& self, const Call&) { return fontObject(self.ref); }
    static Variant borders(Range& self, const Call& call)
    {
        return borderObject(self.ref, fromCode(call.positional(0), EdgeCodes, "border edge"));
    }

    static const automation::MemberTable<Range>& members()
    {
        using Self = Range;
        static const automation::MemberTable<Self> table{
            {"Select", &readOnly<Self, &select>},
            {"Clear", &readOnly<Self, &clear>},
            {"Merge", &readOnly<Self, &merge>},
            {"CopyPicture", &readOnly<Self, &copyPicture>},
            {"Rows", &readOnly<Self, &rows>},
            {"Columns", &readOnly<Self, &columns>},
            {"Cells", &readOnly<Self, &cells>},
            {"Item", &readOnly<Self, &itemMember>},
            {"Row", &readOnly<Self, &row>},
            {"Column", &readOnly<Self, &column>},
            {"Count", &readOnly<Self, &count>},
            {"Address", &readOnly<Self, &address>},
            {"Left", &readOnly<Self, &placed<render::Side::Left>>},
            {"Top", &readOnly<Self, &placed<render::Side::Top>>},
            {"Width", &readOnly<Self, &placed<render::Side::Width>>},
            {"Height", &readOnly<Self, &placed<render::Side::Height>>},
            {"ColumnWidth", &property<Self, &getColumnWidth, &putColumnWidth>},
            {"RowHeight", &property<Self, &getRowHeight, &putRowHeight>},
            {"FormulaR1C1", &property<Self, &getFormula, &putValue>},
            // The text the cell shows: the built-in application shows every
            // number in the General format.
            {"Text", &readOnly<Self, &getFormula>},
            {"Value", &property<Self, &getValue, &putValue>},
            {"Value2", &property<Self, &getValue, &putValue>},
            {"NumberFormat", &property<Self, &getNumberFormat, &putNumberFormat>},
            {"", &defaultMember},
            {"WrapText", &property<Self, &getWrap, &putWrap>},
            {"HorizontalAlignment", &property<Self, &getHorizontal, &putHorizontal>},
            {"VerticalAlignment", &property<Self, &getVertical, &putVertical>},
            {"Interior", &readOnly<Self, &interior>},
            {"Font", &readOnly<Self, &font>},
            {"Borders", &readOnly<Self, &borders>},
        };
        return table;
    }
};

Area rangeArea(const Call& call) { return addressOf(call.positional(0)); }

// Rows(...) or Columns(...) of a sheet: all of them, one by number, or the
// lines a text names.
Area linesArea(const Call& call, RangeMode mode)
{
    const bool rows = mode == RangeMode::Rows;
    Area area = Area::wholeSheet();
    if (call.positionalCount() > 0) {
        const Variant& index = call.positional(0);
        if (index.type() == automation::VarType::String)
            area = linesAddress(index, rows);
        else if (rows)
            area.top = area.bottom = lineNumber(index, MaxRows, "row");
        else
            area.left = area.right = lineNumber(index, MaxColumns, "column");
    }
    return area;
}

// Cells(row, column): one cell; Cells: the whole sheet.
Area cellsArea(const Call& call)
{
    if (call.positionalCount() < 2)
        return Area::wholeSheet();
    const int r = lineNumber(call.positional(0), MaxRows, "row");
    const int c = lineNumber(call.positional(1), MaxColumns, "column");
    return Area::cell(r, c);
}

automation::Object rangeObject(RangeRef ref, RangeMode mode)
{
    return Object(std::make_shared<Range>(std::move(ref), mode));
}

automation::Object RangeCache::get(const SheetRef& sheet, const Area& area, RangeMode mode)
{
    if (m_last && m_last->shows(sheet, area, mode))
        return Object(m_last);
    if (m_last && m_last.use_count() == 1)
        m_last->aim(sheet, area, mode);
    else
        m_last = std::make_shared<Range>(RangeRef{sheet, area}, mode);
    return Object(m_last);
}

automation::Object rangeOf(const SheetRef& sheet, const Call& call)
{
    return rangeObject(RangeRef{sheet, rangeArea(call)});
}

automation::Object rowsOf(const SheetRef& sheet, const Call& call)
{
    return rangeObject(RangeRef{sheet, linesArea(call, RangeMode::Rows)}, RangeMode::Rows);
}

automation::Object columnsOf(const SheetRef& sheet, const Call& call)
{
    return rangeObject(RangeRef{sheet, linesArea(call, RangeMode::Columns)}, RangeMode::Columns);
}

automation::Object cellsOf(const SheetRef& sheet, const Call& call)
{
    return rangeObject(RangeRef{sheet, cellsArea(call)});
}

} // namespace ss::objects
