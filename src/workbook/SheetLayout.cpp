// BuildInventorySheet and its layout procedures. Every range is reached
// through the application object, so each call acts on the active sheet.
#include "workbook/SheetLayout.h"

#include "workbook/AutomationValues.h"
#include "workbook/InventoryList.h"

#include "automation/ExcelConstants.h"
#include "records/Fields.h"
#include "shell/Options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <string_view>

namespace InventoryList {

namespace {

using automation::Arg;
using automation::MemberName;
using automation::Object;
using automation::Variant;
using workbook::Integer;
using workbook::Long;

// Palette entries used by the layout.
constexpr std::int16_t White = 2;
constexpr std::int16_t BandFill = 11;
constexpr std::int16_t CaptionBorder = 12;
constexpr std::int16_t ShadedRowFill = 13;
constexpr std::int16_t GridBorder = 14;

// One column of the sheet: A holds the item's text, B to I its sub-items,
// each under the caption of its field.
struct Column {
    char letter;
    double width;
    bool captionWraps; // as first written; SetAlignment wraps every caption
};
constexpr std::array<Column, InventoryRecord::FieldCount> kColumns{{
    {'A', 13.57, false},
    {'B', 34.86, false},
    {'C', 35, true},
    {'D', 10.71, true},
    {'E', 10.57, true},
    {'F', 10.57, true},
    {'G', 10.71, true},
    {'H', 13.57, true},
    {'I', 15, true},
}};

// The members called for every item, numbered once, so that none of the
// many calls looks its member up by name.
namespace member {
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
} // namespace member

Object selection() { return ExcelApp.object(member::Selection); }

Object range(const QString& text) { return ExcelApp.object(member::Range, {Variant(text)}); }

void selectIfGiven(const QString& text)
{
    if (!text.isEmpty())
        range(text).call(member::Select);
}

// The decimal digits of a row number, worked out once for all the range
// texts of the row.
class RowDigits {
public:
    explicit RowDigits(std::size_t row) : m_end(std::to_chars(m_digits, std::end(m_digits), row).ptr) {}

    std::string_view text() const { return {m_digits, std::size_t(m_end - m_digits)}; }

private:
    char m_digits[24];
    char* m_end;
};

// The characters of a range text, put together on the stack.
class RangeChars {
public:
    RangeChars& letter(char c)
    {
        *m_end++ = c;
        return *this;
    }
    RangeChars& row(const RowDigits& row)
    {
        m_end = std::copy(row.text().begin(), row.text().end(), m_end);
        return *this;
    }

    // Writes the characters over text. The server lets go of a range text
    // when its call returns, so writing over the text of the call before
    // allocates nothing.
    void writeOver(QString& text) const { text = QLatin1String(m_chars, qsizetype(m_end - m_chars)); }

private:
    char m_chars[64];
    char* m_end = m_chars;
};

// "$A3:$A3": one cell as a range text.
void writeCellRange(QString& text, char column, const RowDigits& row)
{
    RangeChars chars;
    chars.letter('$').letter(column).row(row).letter(':').letter('$').letter(column).row(row);
    chars.writeOver(text);
}

// "3:3": one whole row.
void writeRowRange(QString& text, const RowDigits& row)
{
    RangeChars chars;
    chars.row(row).letter(':').row(row);
    chars.writeOver(text);
}

void loadPalette()
{
    for (std::int32_t i = 1; i <= 56; ++i)
        ExcelApp.object("ActiveWorkbook")
            .put("Colors", Long(Options::WorkbookPalette[std::size_t(i)]), {Arg::byReference(Long(i))});
}

void clearSheet()
{
    ExcelApp.object("Cells").call("Select");
    ExcelApp.object("Cells").call("Clear");
}

void setBaseFormat()
{
    selection().object("Font").put("Name", Variant("Arial"));
    selection().object("Font").put("Size", Integer(10));
    selection().put("VerticalAlignment", Long(excel::xlCenter));
    selection().put("WrapText", automation::True);
}

void setColumnWidths()
{
    for (const Column& column : kColumns)
        SetColumnWidth(QStringLiteral("%1:%1").arg(QLatin1Char(column.letter)), column.width);
}

} // namespace

void WriteItems(std::span<const InventoryRecord> items)
{
    QString rowText;
    QString cellText;
    for (std::size_t i = 1; i <= items.size(); ++i) {
        const InventoryRecord& item = items[i - 1];
        const RowDigits row(i + 2);
        writeRowRange(rowText, row);
        SetRowHeight(rowText, 15);
        if (i % 2 == 0)
            SetInteriorColor(rowText, ShadedRowFill);
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            writeCellRange(cellText, kColumns[c].letter, row);
            WriteCell(cellText, item.fields[c], true, false);
        }
    }
}

namespace {

void drawBorders(const QString& lastRow)
{
    SetRangeBorders(QStringLiteral("$A2:$I") + lastRow,
                    {.left = true, .right = true, .top = true, .bottom = true, .insideVertical = true}, excel::xlThin,
                    GridBorder);
    SetRangeBorders(QStringLiteral("$A2:$I2"), {.left = true, .right = true, .top = true, .bottom = true}, excel::xlMedium,
                    CaptionBorder);
    SetRangeBorders(QStringLiteral("$A3:$I") + lastRow, {.left = true, .right = true, .bottom = true}, excel::xlMedium,
                    GridBorder);
}

void writeTitle()
{
    WriteCell(QStringLiteral("$A1:$A1"), QStringLiteral("Inventory List"), false, false);
    SetFont(QStringLiteral("Bold"), 14, excel::xlColorIndexAutomatic, QStringLiteral("Arial"));
}

void writeCaptions()
{
    QString cellText;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const Column& column = kColumns[c];
        writeCellRange(cellText, column.letter, RowDigits(2));
        WriteCell(cellText, QLatin1String(records::Fields[c].sheetCaption), true, column.captionWraps);
        SetFont(QStringLiteral("Bold"), 10, excel::xlColorIndexAutomatic, QStringLiteral("Tahoma"));
        SetAlignment(true, false, true, false);
    }
}

Variant inchesToPoints(const Variant& inches) { return ExcelApp.call("InchesToPoints", {inches}); }

} // namespace

QString PrintAreaAddress;

void BuildInventorySheet(std::span<const InventoryRecord> items)
{
    const QString lastRow = QString::number(items.size() + 2);

    loadPalette();
    clearSheet();
    setBaseFormat();
    SetInteriorColor({}, White);
    setColumnWidths();
    SetRowHeight(QStringLiteral("1:1"), 43.5);
    SetRowHeight(QStringLiteral("2:2"), 45);
    WriteItems(items);
    SetInteriorColor(QStringLiteral("$A1:$I2"), BandFill);
    drawBorders(lastRow);
    writeTitle();
    writeCaptions();
    PrintAreaAddress = QStringLiteral("A1:I") + lastRow;
    SetupPage();
    range(QStringLiteral("C15")).call("Select");
}

void SetColumnWidth(const QString& columns, double width)
{
    ExcelApp.object("Columns", {Variant(columns)}).call("Select");
    selection().put("ColumnWidth", width);
}

void SetRowHeight(const QString& rows, double height)
{
    ExcelApp.object(member::Rows, {Variant(rows)}).call(member::Select);
    selection().put(member::RowHeight, height);
}

void SetInteriorColor(const QString& rangeText, std::int16_t colorIndex)
{
    selectIfGiven(rangeText);
    selection().object(member::Interior).put(member::ColorIndex, colorIndex);
}

void WriteCell(const QString& rangeText, const QString& text, bool merge, bool wrap)
{
    selectIfGiven(rangeText);
    ExcelApp.object(member::ActiveCell).put(member::FormulaR1C1, text);
    if (merge)
        selection().call(member::Merge);
    selection().put(member::WrapText, wrap);
}

void SetFont(const QString& style, std::int16_t size, std::int32_t colorIndex, const QString& name)
{
    const Object font = selection().object("Font");
    font.put("FontStyle", style);
    font.put("Size", size);
    font.put("ColorIndex", colorIndex);
    font.put("Name", name);
}

void SetAlignment(bool centreAcross, bool centreDown, bool wrap, bool alignRight)
{
    const Object target = selection();
    if (centreAcross)
        target.put("HorizontalAlignment", Long(excel::xlCenter));
    if (alignRight)
        target.put("HorizontalAlignment", Long(excel::xlRight));
    if (centreDown)
        target.put("VerticalAlignment", Long(excel::xlCenter));
    if (wrap)
        target.put("WrapText", automation::True);
}

void SetRangeBorders(const QString& rangeText, Edges edges, std::int32_t weight, std::int32_t colorIndex)
{
    selectIfGiven(rangeText);
    const std::pair<bool, std::int32_t> inDrawingOrder[] = {
        {edges.left, excel::xlEdgeLeft},   {edges.top, excel::xlEdgeTop},
        {edges.bottom, excel::xlEdgeBottom}, {edges.right, excel::xlEdgeRight},
        {edges.insideHorizontal, excel::xlInsideHorizontal}, {edges.insideVertical, excel::xlInsideVertical},
    };
    for (const auto& [drawn, edge] : inDrawingOrder)
        if (drawn)
            SetBorderEdge(edge, weight, colorIndex);
}

void SetBorderEdge(std::int32_t edge, std::int32_t weight, std::int32_t colorIndex)
{
    const Object border = selection().object("Borders", {Long(edge)});
    border.put("LineStyle", Long(excel::xlContinuous));
    border.put("Weight", weight);
    border.put("ColorIndex", colorIndex);
}

void SetupPage()
{
    ExcelApp.object("ActiveSheet").object("PageSetup").put("PrintArea", PrintAreaAddress);
    const Object page = ExcelApp.object("ActiveSheet").object("PageSetup");
    page.put("LeftMargin", inchesToPoints(0.7));
    page.put("RightMargin", inchesToPoints(0.7));
    page.put("TopMargin", inchesToPoints(0.5));
    page.put("BottomMargin", inchesToPoints(0.5));
    page.put("HeaderMargin", inchesToPoints(Integer(0)));
    page.put("FooterMargin", inchesToPoints(Integer(0)));
    page.put("PrintComments", Integer(excel::xlPrintNoComments));
    page.put("Orientation", Integer(excel::xlLandscape));
    page.put("PaperSize", Integer(excel::xlPaperA4));
    page.put("Zoom", automation::False);
    page.put("FitToPagesWide", Integer(1));
    page.put("FitToPagesTall", Integer(1));
}

} // namespace InventoryList
