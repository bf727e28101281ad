#include "spreadsheet/xls/SheetWriter.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/xls/BiffWriter.h"
#include "spreadsheet/xls/Encoding.h"
#include "spreadsheet/xls/Formats.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/SharedStrings.h"

#include "automation/Error.h"

#include <array>
#include <cmath>
#include <optional>
#include <span>

namespace ss::xls {

namespace {

constexpr std::size_t RowsPerBlock = 32;
constexpr std::size_t RowRecordSize = rec::HeaderSize + 16;
constexpr std::size_t MergesPerRecord = 1026;

// What one worksheet substream is written from.
struct SheetOut {
    BiffWriter& out;
    const Sheet& sheet;
    const FormatPlan& formats;
    const SharedStrings& strings;
};

// The first and last column of a row's cells; {-1, -1} for a row without cells.
std::pair<int, int> cellColumns(const Row& row)
{
    const auto present = [](const Cell& c) { return c.present(); };
    const auto first = std::find_if(row.cells.begin(), row.cells.end(), present);
    if (first == row.cells.end())
        return {-1, -1};
    const auto last = std::find_if(row.cells.rbegin(), row.cells.rend(), present);
    return {int(first - row.cells.begin()), int(row.cells.rend() - last) - 1};
}

bool needsRowRecord(const Row& row) { return row.height || row.format != NoFormat || cellColumns(row).first >= 0; }

std::vector<int> rowsToWrite(const Sheet& sheet)
{
    std::vector<int> rows;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r)
        if (needsRowRecord(sheet.rows[r]))
            rows.push_back(int(r));
    return rows;
}

// The row blocks: 32 rows each, counted from the first row written, with
// or without rows of their own.
std::size_t blockCount(const std::vector<int>& rows)
{
    return rows.empty() ? 0 : std::size_t(rows.back() - rows.front()) / RowsPerBlock + 1;
}

// INDEX, with room for the DEFCOLWIDTH position and one DBCELL position a
// row block; returns the position of the first of those fields.
std::size_t index(BiffWriter& out, const std::vector<int>& rows)
{
    out.begin(rec::Index);
    out.u32(0);
    out.u32(rows.empty() ? 0 : std::uint32_t(rows.front()));
    out.u32(rows.empty() ? 0 : std::uint32_t(rows.back() + 1));
    const std::size_t fields = out.position();
    out.zeros(4 * (1 + blockCount(rows)));
    out.end();
    return fields;
}

void calculationSettings(BiffWriter& out)
{
    out.record(rec::CalcMode, [](BiffWriter& w) { w.u16(1); });
    out.record(rec::CalcCount, [](BiffWriter& w) { w.u16(100); });
    out.record(rec::RefMode, [](BiffWriter& w) { w.u16(1); });
    out.record(rec::Iteration, [](BiffWriter& w) { w.u16(0); });
    out.record(rec::Delta, [](BiffWriter& w) { w.f64(0.001); });
    out.record(rec::SaveRecalc, [](BiffWriter& w) { w.u16(1); });
}

void printSettings(BiffWriter& out)
{
    out.record(rec::PrintHeaders, [](BiffWriter& w) { w.u16(0); });
    out.record(rec::PrintGridlines, [](BiffWriter& w) { w.u16(0); });
    out.record(rec::GridSet, [](BiffWriter& w) { w.u16(1); });
    out.record(rec::Guts, [](BiffWriter& w) { w.u16(0).u16(0).u16(0).u16(0); });
}

void defaultRowHeight(BiffWriter& out, const Sheet& sheet)
{
    out.record(rec::DefaultRowHeight, [&](BiffWriter& w) { w.u16(0).u16(twips(sheet.defaultRowHeight)); });
}

void wsBool(BiffWriter& out, const PageSetup& page)
{
    out.record(rec::WsBool, [&](BiffWriter& w) { w.u16(rec::WsBoolDefault | (page.zoom ? 0 : rec::WsBoolFitToPage)); });
}

// The printed page's header and footer: none, as empty records.
void headerFooter(BiffWriter& out)
{
    out.record(rec::Header, [](BiffWriter&) {});
    out.record(rec::Footer, [](BiffWriter&) {});
}

void margins(BiffWriter& out, const PageSetup& page)
{
    out.record(rec::HCenter, [](BiffWriter& w) { w.u16(0); });
    out.record(rec::VCenter, [](BiffWriter& w) { w.u16(0); });
    const auto margin = [&](std::uint16_t type, double points) {
        out.record(type, [&](BiffWriter& w) { w.f64(points / PointsPerInch); });
    };
    margin(rec::LeftMargin, page.leftMargin);
    margin(rec::RightMargin, page.rightMargin);
    margin(rec::TopMargin, page.topMargin);
    margin(rec::BottomMargin, page.bottomMargin);
}

std::uint16_t setupOptions(const PageSetup& page)
{
    std::uint16_t options = page.orientation == Orientation::Landscape ? 0 : rec::SetupPortrait;
    if (page.printComments != CommentPrinting::None)
        options |= rec::SetupComments;
    if (page.printComments == CommentPrinting::AtEnd)
        options |= rec::SetupCommentsAtEnd;
    return options;
}

void setup(BiffWriter& out, const PageSetup& page)
{
    out.record(rec::Setup, [&](BiffWriter& w) {
        w.u16(std::uint32_t(page.paperSize)).u16(std::uint32_t(page.zoom.value_or(100))).u16(1);
        w.u16(std::uint32_t(page.fitToPagesWide)).u16(std::uint32_t(page.fitToPagesTall));
        w.u16(setupOptions(page)).u16(600).u16(600);
        w.f64(page.headerMargin / PointsPerInch).f64(page.footerMargin / PointsPerInch).u16(1);
    });
}

// One COLINFO a run of neighbouring columns with the same width and format.
void colInfos(const SheetOut& s)
{
    struct ColumnLook {
        std::uint16_t width;
        std::uint16_t xf;
        std::uint16_t options;
        bool operator==(const ColumnLook&) const = default;
    };
    const auto lookOf = [&](int c) {
        const Column& column = s.sheet.columns[std::size_t(c)];
        const FormatId format = column.format != NoFormat ? column.format : s.sheet.defaultFormat;
        return ColumnLook{colInfoWidth(column.width.value_or(s.sheet.standardWidth)), s.formats.xfOf(format),
                          std::uint16_t(column.width ? rec::ColumnWidthSet : 0)};
    };
    const auto needed = [](const ColumnLook& look) { return look.options != 0 || look.xf != rec::DefaultCellXf; };
    for (int first = 0; first < MaxColumns;) {
        const ColumnLook look = lookOf(first);
        int last = first;
        while (last + 1 < MaxColumns && lookOf(last + 1) == look)
            ++last;
        if (needed(look))
            s.out.record(rec::ColInfo, [&](BiffWriter& w) {
                w.u16(std::uint32_t(first)).u16(std::uint32_t(last)).u16(look.width).u16(look.xf).u16(look.options).u16(0);
            });
        first = last + 1;
    }
}

// The rows written, formatted ones without cells too, and the columns of
// the cells; rows without any cell cover the first column.
void dimensions(BiffWriter& out, const Sheet& sheet, const std::vector<int>& rows)
{
    int left = MaxColumns, right = -1;
    for (const int r : rows) {
        const auto [first, last] = cellColumns(sheet.rows[std::size_t(r)]);
        if (last >= 0) {
            left = std::min(left, first);
            right = std::max(right, last);
        }
    }
    out.record(rec::Dimensions, [&](BiffWriter& w) {
        if (rows.empty())
            w.u32(0).u32(0).u16(0).u16(0);
        else
            w.u32(std::uint32_t(rows.front())).u32(std::uint32_t(rows.back() + 1))
                .u16(right < 0 ? 0 : std::uint32_t(left))
                .u16(right < 0 ? 1 : std::uint32_t(right + 1));
        w.u16(0);
    });
}

void rowRecord(const SheetOut& s, int r)
{
    const Row& row = s.sheet.rows[std::size_t(r)];
    const std::pair<int, int> columns = cellColumns(row);
    const int first = columns.first; // named, not bound: a lambda below takes them
    const int last = columns.second;
    std::uint16_t flags = rec::RowFlagsAlways;
    if (row.height)
        flags |= rec::RowCustomHeight;
    if (row.format != NoFormat)
        flags |= rec::RowFormatted;
    const std::uint16_t xf = row.format != NoFormat ? s.formats.xfOf(row.format) : rec::DefaultCellXf;
    s.out.record(rec::Row, [&](BiffWriter& w) {
        w.u16(std::uint32_t(r)).u16(std::uint32_t(std::max(first, 0))).u16(std::uint32_t(last + 1));
        w.u16(twips(row.height.value_or(s.sheet.defaultRowHeight))).u16(0).u16(0).u16(flags).u16(xf & rec::RowXfMask);
    });
}

std::uint16_t xfOfCell(const SheetOut& s, int r, int c)
{
    const Cell& cell = s.sheet.rows[std::size_t(r)].cells[std::size_t(c)];
    return s.formats.xfOf(cell.format != NoFormat ? cell.format : s.sheet.effectiveFormat(r, c));
}

// A text, a number that no RK form holds exactly, TRUE or FALSE, or an
// error value.
void valueCell(const SheetOut& s, int r, int c)
{
    const CellValue& value = s.sheet.rows[std::size_t(r)].cells[std::size_t(c)].value;
    const std::uint16_t xf = xfOfCell(s, r, c);
    if (const QString* text = std::get_if<QString>(&value)) {
        s.out.record(rec::LabelSst, [&](BiffWriter& w) {
            w.u16(std::uint32_t(r)).u16(std::uint32_t(c)).u16(xf).u32(s.strings.indexOf(*text));
        });
        return;
    }
    if (const double* number = std::get_if<double>(&value)) {
        s.out.record(rec::Number,
                     [&](BiffWriter& w) { w.u16(std::uint32_t(r)).u16(std::uint32_t(c)).u16(xf).f64(*number); });
        return;
    }
    const bool* truth = std::get_if<bool>(&value);
    const CellError error = truth ? CellError::NotCalculated : std::get<CellError>(value);
    // A result that was never calculated has no value to keep.
    if (error == CellError::NotCalculated && !truth) {
        s.out.record(rec::Blank, [&](BiffWriter& w) { w.u16(std::uint32_t(r)).u16(std::uint32_t(c)).u16(xf); });
        return;
    }
    s.out.record(rec::BoolErr, [&](BiffWriter& w) {
        w.u16(std::uint32_t(r)).u16(std::uint32_t(c)).u16(xf);
        w.u8(truth ? std::uint8_t(*truth) : std::uint8_t(error)).u8(truth ? 0 : 1);
    });
}

// Neighbouring numbers in RK form share one MULRK; a single one is an RK.
void rkCells(const SheetOut& s, int r, int first, std::span<const std::uint32_t> rks)
{
    if (rks.size() == 1) {
        s.out.record(rec::Rk, [&](BiffWriter& w) {
            w.u16(std::uint32_t(r)).u16(std::uint32_t(first)).u16(xfOfCell(s, r, first)).u32(rks.front());
        });
        return;
    }
    s.out.begin(rec::MulRk);
    s.out.u16(std::uint32_t(r)).u16(std::uint32_t(first));
    for (std::size_t i = 0; i < rks.size(); ++i)
        s.out.u16(xfOfCell(s, r, first + int(i))).u32(rks[i]);
    s.out.u16(std::uint32_t(first + int(rks.size()) - 1));
    s.out.end();
}

// Neighbouring cells that carry only a format share one MULBLANK.
void blankCells(const SheetOut& s, int r, int first, int last)
{
    if (first == last) {
        s.out.record(rec::Blank, [&](BiffWriter& w) { w.u16(std::uint32_t(r)).u16(std::uint32_t(first)).u16(xfOfCell(s, r, first)); });
        return;
    }
    s.out.begin(rec::MulBlank);
    s.out.u16(std::uint32_t(r)).u16(std::uint32_t(first));
    for (int c = first; c <= last; ++c)
        s.out.u16(xfOfCell(s, r, c));
    s.out.u16(std::uint32_t(last));
    s.out.end();
}

void cells(const SheetOut& s, int r)
{
    const std::vector<Cell>& row = s.sheet.rows[std::size_t(r)].cells;
    const int count = int(row.size());
    const auto blank = [&](int c) { return c < count && row[std::size_t(c)].present() && !row[std::size_t(c)].hasValue(); };
    const auto rk = [&](int c) {
        const double* number = c < count ? std::get_if<double>(&row[std::size_t(c)].value) : nullptr;
        return number ? rkOf(*number) : std::nullopt;
    };
    std::array<std::uint32_t, MaxColumns> rks;
    for (int c = 0; c < count;) {
        if (blank(c)) {
            int last = c;
            while (blank(last + 1))
                ++last;
            blankCells(s, r, c, last);
            c = last + 1;
        } else if (std::optional<std::uint32_t> number = rk(c)) {
            std::size_t n = 0;
            for (; number; number = rk(c + int(n)))
                rks[n++] = *number;
            rkCells(s, r, c, std::span<const std::uint32_t>(rks.data(), n));
            c += int(n);
        } else {
            if (row[std::size_t(c)].hasValue())
                valueCell(s, r, c);
            ++c;
        }
    }
}

// One row block: its ROW records, their cells, and the DBCELL that finds
// them: the first ROW, and the first cell of each row counted from the one
// before; a row without cells has 0. Returns the position of the DBCELL.
std::size_t rowBlock(const SheetOut& s, std::span<const int> rows)
{
    const std::size_t firstRow = s.out.position();
    for (const int r : rows)
        rowRecord(s, r);
    std::vector<std::uint16_t> offsets;
    std::size_t from = firstRow + RowRecordSize;
    for (const int r : rows) {
        const std::size_t start = s.out.position();
        cells(s, r);
        const bool written = s.out.position() > start;
        offsets.push_back(written ? std::uint16_t(start - from) : 0);
        from = written ? start : from;
    }
    const std::size_t dbCell = s.out.position();
    s.out.begin(rec::DbCell);
    s.out.u32(rows.empty() ? 0 : std::uint32_t(dbCell - firstRow));
    for (const std::uint16_t offset : offsets)
        s.out.u16(offset);
    s.out.end();
    return dbCell;
}

void window2(BiffWriter& out, bool active)
{
    out.record(rec::Window2, [&](BiffWriter& w) {
        w.u16(rec::Window2Default | (active ? rec::Window2Active : 0)).u16(0).u16(0).u16(SystemWindowText).u16(0);
        w.u16(0).u16(0).u32(0);
    });
}

void selection(BiffWriter& out, const Sheet& sheet)
{
    const Area& a = sheet.selection;
    out.record(rec::Selection, [&](BiffWriter& w) {
        w.u8(rec::PaneMain).u16(std::uint32_t(sheet.activeRow)).u16(std::uint32_t(sheet.activeColumn)).u16(0).u16(1);
        w.u16(std::uint32_t(a.top)).u16(std::uint32_t(a.bottom)).u8(std::uint32_t(a.left)).u8(std::uint32_t(a.right));
    });
}

void mergedCells(BiffWriter& out, const Sheet& sheet)
{
    // Merging a single cell changes nothing, so it is not stored.
    std::vector<Area> merges;
    std::copy_if(sheet.merges.begin(), sheet.merges.end(), std::back_inserter(merges),
                 [](const Area& m) { return !m.isSingleCell(); });
    for (std::size_t first = 0; first < merges.size(); first += MergesPerRecord) {
        const std::size_t count = std::min(MergesPerRecord, merges.size() - first);
        out.begin(rec::MergedCells);
        out.u16(std::uint32_t(count));
        for (std::size_t i = first; i < first + count; ++i) {
            const Area& m = merges[i];
            out.u16(std::uint32_t(m.top)).u16(std::uint32_t(m.bottom)).u16(std::uint32_t(m.left)).u16(std::uint32_t(m.right));
        }
        out.end();
    }
}

} // namespace

void writeBof(BiffWriter& out, std::uint16_t kind)
{
    out.record(rec::Bof, [&](BiffWriter& w) {
        w.u16(rec::Biff8Version).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(6);
    });
}

void writeSheet(BiffWriter& out, const Sheet& sheet, bool active, const FormatPlan& formats,
                const SharedStrings& strings)
{
    const SheetOut s{out, sheet, formats, strings};
    const std::vector<int> rows = rowsToWrite(sheet);
    writeBof(out, rec::BofWorksheet);
    const std::size_t indexFields = index(out, rows);
    calculationSettings(out);
    printSettings(out);
    defaultRowHeight(out, sheet);
    wsBool(out, sheet.pageSetup);
    headerFooter(out);
    margins(out, sheet.pageSetup);
    setup(out, sheet.pageSetup);
    out.patchU32(indexFields, std::uint32_t(out.position()));
    out.record(rec::DefColWidth, [&](BiffWriter& w) { w.u16(defColWidthOf(sheet.standardWidth)); });
    colInfos(s);
    dimensions(out, sheet, rows);
    auto next = rows.begin();
    for (std::size_t b = 0; b < blockCount(rows); ++b) {
        const int end = rows.front() + int((b + 1) * RowsPerBlock);
        const auto last = std::find_if(next, rows.end(), [&](int r) { return r >= end; });
        out.patchU32(indexFields + 4 * (1 + b), std::uint32_t(rowBlock(s, std::span<const int>(next, last))));
        next = last;
    }
    window2(out, active);
    selection(out, sheet);
    mergedCells(out, sheet);
    out.record(rec::Eof, [](BiffWriter&) {});
}

} // namespace ss::xls
