#include "spreadsheet/xls/SheetReader.h"

#include "automation/Error.h"
#include "core/LittleEndian.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/Encoding.h"
#include "spreadsheet/xls/Records.h"

#include <QLocale>

#include <array>
#include <cmath>
#include <cstring>
#include <map>

namespace ss::xls {

namespace {

CommentPrinting commentPrintingOf(std::uint16_t setupOptions)
{
    if (!(setupOptions & rec::SetupComments))
        return CommentPrinting::None;
    return setupOptions & rec::SetupCommentsAtEnd ? CommentPrinting::AtEnd : CommentPrinting::InPlace;
}

struct ColumnRecord {
    std::uint16_t width;
    std::uint16_t xf;
    bool widthSet;
};

// One worksheet substream being read.
class SheetParser {
public:
    SheetParser(const Bytes& stream, Sheet& sheet, const SheetResources& resources)
        : m_stream(stream), m_sheet(sheet), m_resources(resources)
    {
    }

    void read(std::size_t offset);

private:
    void dispatch(RecordStream& records, const Record& record);
    void skipSubstream(RecordStream& records);

    FormatId formatOf(std::uint16_t xf, const Record& record) const;
    int column(std::uint16_t col, const Record& record) const;
    void put(const Record& record, std::uint16_t row, std::uint16_t col, std::uint16_t xf, CellValue value);

    void defaultRowHeight(Cursor in);
    void colInfo(const Record& record);
    void row(const Record& record);
    void labelSst(const Record& record);
    void mulRk(const Record& record);
    void mulBlank(const Record& record);
    void formula(RecordStream& records, const Record& record);
    static QString formulaText(RecordStream& records, const Record& record);
    void richText(const Record& record);
    void boolErr(const Record& record);
    void mergedCells(const Record& record);
    void selection(const Record& record);
    void margin(const Record& record, double& points);
    void setup(const Record& record);
    void finishColumns();

    const Bytes& m_stream;
    Sheet& m_sheet;
    const SheetResources& m_resources;
    std::map<int, ColumnRecord> m_columns;
    bool m_fitToPage = false;
    std::uint16_t m_scale = 100;
    bool m_mainPaneSeen = false;
};

void SheetParser::read(std::size_t offset)
{
    if (offset >= m_stream.size())
        damaged(QStringLiteral("sheet \"%1\" starts at offset %2, past the end of the workbook stream")
                    .arg(m_sheet.name)
                    .arg(offset));
    RecordStream records(m_stream, offset);
    const Record bof = records.next();
    Cursor in(bof);
    if (bof.type != rec::Bof || in.u16() != rec::Biff8Version || in.u16() != rec::BofWorksheet)
        damaged(QStringLiteral("sheet \"%1\" does not start with a worksheet BOF record at offset %2")
                    .arg(m_sheet.name)
                    .arg(offset));
    for (;;) {
        if (records.atEnd())
            damaged(QStringLiteral("sheet \"%1\" ends without an EOF record").arg(m_sheet.name));
        const Record record = records.next();
        if (record.type == rec::Eof)
            break;
        dispatch(records, record);
    }
    finishColumns();
    const bool scaleKnown = m_scale >= MinZoom && m_scale <= MaxZoom;
    m_sheet.pageSetup.zoom = m_fitToPage ? std::nullopt : std::optional<int>(scaleKnown ? m_scale : 100);
}

void SheetParser::dispatch(RecordStream& records, const Record& record)
{
    Cursor in(record);
    switch (record.type) {
    case rec::Bof: skipSubstream(records); break;
    case rec::DefaultRowHeight: defaultRowHeight(in); break;
    case rec::DefColWidth: m_sheet.standardWidth = standardWidthOf(in.u16()); break;
    case rec::ColInfo: colInfo(record); break;
    case rec::Row: row(record); break;
    case rec::LabelSst: labelSst(record); break;
    case rec::RString: richText(record); break;
    case rec::Label: {
        const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
        put(record, r, c, xf, in.string());
        break;
    }
    case rec::Number: {
        const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
        put(record, r, c, xf, in.f64());
        break;
    }
    case rec::Rk: {
        const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
        put(record, r, c, xf, numberOfRk(in.u32()));
        break;
    }
    case rec::Blank: {
        const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
        put(record, r, c, xf, std::monostate{});
        break;
    }
    case rec::MulRk: mulRk(record); break;
    case rec::MulBlank: mulBlank(record); break;
    case rec::Formula: formula(records, record); break;
    case rec::BoolErr: boolErr(record); break;
    case rec::MergedCells: mergedCells(record); break;
    case rec::Selection: selection(record); break;
    case rec::WsBool: m_fitToPage = in.u16() & rec::WsBoolFitToPage; break;
    case rec::LeftMargin: margin(record, m_sheet.pageSetup.leftMargin); break;
    case rec::RightMargin: margin(record, m_sheet.pageSetup.rightMargin); break;
    case rec::TopMargin: margin(record, m_sheet.pageSetup.topMargin); break;
    case rec::BottomMargin: margin(record, m_sheet.pageSetup.bottomMargin); break;
    case rec::Setup: setup(record); break;
    default: break;
    }
}

// An embedded substream (a chart on the sheet) runs to its own EOF.
void SheetParser::skipSubstream(RecordStream& records)
{
    int depth = 1;
    while (depth > 0) {
        if (records.atEnd())
            damaged(QStringLiteral("an embedded object of sheet \"%1\" ends without an EOF record").arg(m_sheet.name));
        const std::uint16_t type = records.next().type;
        depth += type == rec::Bof ? 1 : type == rec::Eof ? -1 : 0;
    }
}

FormatId SheetParser::formatOf(std::uint16_t xf, const Record& record) const
{
    if (xf >= m_resources.formatOfXf.size())
        damaged(QStringLiteral("%1 refers to cell format %2, but the file has only %3")
                    .arg(record.where())
                    .arg(xf)
                    .arg(m_resources.formatOfXf.size()));
    return m_resources.formatOfXf[xf];
}

int SheetParser::column(std::uint16_t col, const Record& record) const
{
    if (col >= MaxColumns)
        damaged(QStringLiteral("%1 names column %2, beyond the sheet's %3 columns").arg(record.where()).arg(col + 1).arg(MaxColumns));
    return col;
}

void SheetParser::put(const Record& record, std::uint16_t row, std::uint16_t col, std::uint16_t xf, CellValue value)
{
    const int c = column(col, record);
    Cell& cell = m_sheet.cellAt(row, c);
    if (m_resources.cellsBefore + m_sheet.storedCells() > MaxOpenedCells)
        throw quorvale::AutomationError(QStringLiteral("the workbook holds more cells than the %1 this application "
                                                       "opens")
                                            .arg(QLocale(QLocale::English).toString(qulonglong(MaxOpenedCells))));
    cell.format = formatOf(xf, record);
    cell.value = std::move(value);
}

void SheetParser::defaultRowHeight(Cursor in)
{
    in.u16();
    m_sheet.defaultRowHeight = pointsOf(in.u16() & rec::RowHeightMask);
}

void SheetParser::colInfo(const Record& record)
{
    Cursor in(record);
    const std::uint16_t first = in.u16();
    // Some writers close the last range one past column IV.
    const std::uint16_t last = std::min<std::uint16_t>(in.u16(), MaxColumns - 1);
    const std::uint16_t width = in.u16();
    const std::uint16_t xf = in.u16();
    const std::uint16_t options = in.u16();
    if (first >= MaxColumns || first > last)
        damaged(QStringLiteral("%1 covers columns %2 to %3, which do not exist").arg(record.where()).arg(first + 1).arg(last + 1));
    formatOf(xf, record);
    for (int c = first; c <= last; ++c)
        m_columns[c] = ColumnRecord{width, xf, bool(options & rec::ColumnWidthSet)};
}

void SheetParser::row(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16();
    in.skip(4);
    const std::uint16_t height = in.u16() & rec::RowHeightMask;
    in.skip(4);
    const std::uint16_t flags = in.u16();
    const std::uint16_t xf = in.u16() & rec::RowXfMask;
    Row& row = m_sheet.rowAt(r);
    row.height = flags & rec::RowCustomHeight ? std::optional<double>(pointsOf(height)) : std::nullopt;
    row.format = flags & rec::RowFormatted ? formatOf(xf, record) : NoFormat;
}

void SheetParser::labelSst(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
    const std::uint32_t index = in.u32();
    if (index >= m_resources.strings.size())
        damaged(QStringLiteral("%1 refers to shared string %2, but the table has only %3")
                    .arg(record.where())
                    .arg(index)
                    .arg(m_resources.strings.size()));
    put(record, r, c, xf, m_resources.strings[index]);
}

void SheetParser::mulRk(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), first = in.u16();
    if (in.remaining() < 2 || (in.remaining() - 2) % 6 != 0)
        damaged(QStringLiteral("%1 has a length that fits no number of cells").arg(record.where()));
    const std::size_t count = (in.remaining() - 2) / 6;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t xf = in.u16();
        put(record, r, std::uint16_t(first + i), xf, numberOfRk(in.u32()));
    }
    if (in.u16() != first + count - 1)
        damaged(QStringLiteral("%1 does not end at the column its length gives").arg(record.where()));
}

void SheetParser::mulBlank(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), first = in.u16();
    if (in.remaining() < 2 || in.remaining() % 2 != 0)
        damaged(QStringLiteral("%1 has a length that fits no number of cells").arg(record.where()));
    const std::size_t count = (in.remaining() - 2) / 2;
    for (std::size_t i = 0; i < count; ++i)
        put(record, r, std::uint16_t(first + i), in.u16(), std::monostate{});
    if (in.u16() != first + count - 1)
        damaged(QStringLiteral("%1 does not end at the column its length gives").arg(record.where()));
}

// A formula keeps the value it last gave. A text result follows in a STRING
// record, after the SHRFMLA, ARRAY or TABLE record the formula may have.
// Programs that write formulas without calculating them (xlwt writes a blank
// result, Spreadsheet::WriteExcel a zero to be calculated on opening) leave
// a placeholder, which is taken for no result at all unless the workbook
// was calculated before it was saved.
void SheetParser::formula(RecordStream& records, const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
    const double number = in.f64();
    const std::uint16_t options = in.u16();
    std::uint8_t result[8];
    std::memcpy(result, &record.data[6], sizeof result);
    const bool placeholder = !m_resources.calculated && (options & rec::FormulaCalcOnLoad);
    CellValue value;
    if (quorvale::le::u16(result + 6) != rec::FormulaNotNumber) {
        value = number;
    } else if (result[0] == rec::FormulaText) {
        const std::uint16_t next = records.peekType();
        if (next == rec::ShrFmla || next == rec::Array || next == rec::Table)
            records.next();
        if (records.peekType() == rec::String)
            value = formulaText(records, records.next());
    } else if (result[0] == rec::FormulaBoolean) {
        value = result[2] != 0;
    } else if (result[0] == rec::FormulaError) {
        value = errorOfCode(result[2]).value_or(CellError::Value);
    } else if (result[0] == rec::FormulaBlank && !m_resources.calculated) {
        value = CellError::NotCalculated;
    }
    put(record, r, c, xf, placeholder ? CellValue(CellError::NotCalculated) : std::move(value));
}

// The text of a STRING record, which goes on in CONTINUE records when long.
QString SheetParser::formulaText(RecordStream& records, const Record& record)
{
    ContinuedCursor in(withContinues(records, record));
    const std::uint16_t length = in.u16();
    const bool wide = in.u8() & rec::StringWide;
    return in.chars(length, wide);
}

// A text with formatting runs, of which the cell keeps the text.
void SheetParser::richText(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
    QString text = in.string();
    in.need(std::size_t(in.u16()) * rec::FormatRunSize);
    put(record, r, c, xf, std::move(text));
}

// TRUE or FALSE, or an error value.
void SheetParser::boolErr(const Record& record)
{
    Cursor in(record);
    const std::uint16_t r = in.u16(), c = in.u16(), xf = in.u16();
    const std::uint8_t value = in.u8();
    const bool error = in.u8();
    if (error && !errorOfCode(value))
        damaged(QStringLiteral("%1 holds the error code %2, which names no error").arg(record.where()).arg(value));
    put(record, r, c, xf, error ? CellValue(*errorOfCode(value)) : CellValue(value != 0));
}

void SheetParser::mergedCells(const Record& record)
{
    Cursor in(record);
    const std::uint16_t count = in.u16();
    in.need(std::size_t(count) * 8);
    for (std::uint16_t i = 0; i < count; ++i) {
        Area area;
        area.top = in.u16();
        area.bottom = in.u16();
        area.left = in.u16();
        area.right = in.u16();
        if (area.top > area.bottom || area.left > area.right || area.right >= MaxColumns)
            damaged(QStringLiteral("%1 holds a merged range that is not a range of the sheet").arg(record.where()));
        m_sheet.merges.push_back(area);
    }
}

void SheetParser::selection(const Record& record)
{
    Cursor in(record);
    const std::uint8_t pane = in.u8();
    const std::uint16_t row = in.u16(), col = in.u16(), active = in.u16(), count = in.u16();
    in.need(std::size_t(count) * 6);
    if (m_mainPaneSeen && pane != rec::PaneMain)
        return;
    if (active >= count || col >= MaxColumns)
        damaged(QStringLiteral("%1 names a selection it does not hold").arg(record.where()));
    Area area;
    for (std::uint16_t i = 0; i <= active; ++i) {
        area.top = in.u16();
        area.bottom = in.u16();
        area.left = in.u8();
        area.right = in.u8();
    }
    if (area.top > area.bottom || area.left > area.right)
        damaged(QStringLiteral("%1 holds a selection that is not a range of the sheet").arg(record.where()));
    m_sheet.activeRow = row;
    m_sheet.activeColumn = col;
    m_sheet.selection = area;
    m_mainPaneSeen = m_mainPaneSeen || pane == rec::PaneMain;
}

void SheetParser::margin(const Record& record, double& points)
{
    const double inches = Cursor(record).f64();
    if (!(inches >= 0 && inches <= MaxStoredMargin))
        damaged(QStringLiteral("%1 gives a margin of %2 inches").arg(record.where()).arg(inches));
    points = inches * PointsPerInch;
}

void SheetParser::setup(const Record& record)
{
    Cursor in(record);
    PageSetup& page = m_sheet.pageSetup;
    const std::uint16_t paper = in.u16();
    const std::uint16_t scale = in.u16();
    in.u16(); // first page number
    page.fitToPagesWide = in.u16();
    page.fitToPagesTall = in.u16();
    const std::uint16_t options = in.u16();
    in.skip(4); // printer resolutions
    const double header = in.f64();
    const double footer = in.f64();
    if (!(header >= 0 && header <= MaxStoredMargin && footer >= 0 && footer <= MaxStoredMargin))
        damaged(QStringLiteral("%1 gives header or footer margins outside 0 to %2 inches")
                    .arg(record.where())
                    .arg(MaxStoredMargin));
    page.headerMargin = header * PointsPerInch;
    page.footerMargin = footer * PointsPerInch;
    page.printComments = commentPrintingOf(options);
    if (options & rec::SetupNoPrinterData)
        return;
    page.paperSize = paper;
    m_scale = scale;
    if (!(options & rec::SetupNoOrientation))
        page.orientation = options & rec::SetupPortrait ? Orientation::Portrait : Orientation::Landscape;
}

// The sheet's default format is the one most columns show; the others keep
// their own. A column's width counts when it was set or differs from the
// standard width.
void SheetParser::finishColumns()
{
    std::array<FormatId, MaxColumns> formats;
    std::map<FormatId, int> votes;
    for (int c = 0; c < MaxColumns; ++c) {
        const auto it = m_columns.find(c);
        formats[std::size_t(c)] = m_resources.formatOfXf[it == m_columns.end() ? rec::DefaultCellXf : it->second.xf];
        ++votes[formats[std::size_t(c)]];
    }
    // Ties go to the format of the rightmost column among them.
    FormatId sheetFormat = formats[MaxColumns - 1];
    for (int c = MaxColumns - 1; c >= 0; --c)
        if (votes[formats[std::size_t(c)]] > votes[sheetFormat])
            sheetFormat = formats[std::size_t(c)];
    m_sheet.defaultFormat = sheetFormat;
    const std::uint16_t standard = colInfoWidth(m_sheet.standardWidth);
    for (int c = 0; c < MaxColumns; ++c) {
        Column& column = m_sheet.columns[std::size_t(c)];
        column.format = formats[std::size_t(c)] != sheetFormat ? formats[std::size_t(c)] : NoFormat;
        const auto it = m_columns.find(c);
        if (it != m_columns.end() && (it->second.widthSet || it->second.width != standard))
            column.width = charactersOfColInfo(it->second.width);
    }
}

} // namespace

void readSheet(const Bytes& stream, std::size_t offset, Sheet& sheet, const SheetResources& resources)
{
    SheetParser(stream, sheet, resources).read(offset);
}

} // namespace ss::xls
