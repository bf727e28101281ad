// The workbook as Office Open XML through libxlsxwriter, which writes only
// to a file name: it makes the file in a private scratch folder, and the
// program's one file writer puts that file's bytes in the target's place.
// Each sheet is written in parts: its columns, its rows, its merged ranges,
// its cells, its view and its page set-up.
#include "spreadsheet/xlsx/XlsxWriter.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/xlsx/XlsxFormats.h"

#include "automation/Error.h"
#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace ss::xlsx {

namespace {

[[noreturn]] void cannotSave(const QString& path, const QString& why)
{
    throw quorvale::AutomationError(
        QStringLiteral("Cannot save the workbook as \"%1\": %2").arg(QDir::toNativeSeparators(path), why));
}

// Checks a call of libxlsxwriter; where() names what was being written, in
// the words of the failure, and is worked out only then.
template <class Where>
void check(lxw_error error, Where where)
{
    if (error != LXW_NO_ERROR)
        throw quorvale::AutomationError(QStringLiteral("%1: %2").arg(where(), QString::fromUtf8(lxw_strerror(error))));
}

QString cellName(int row, int col) { return columnName(col) + QString::number(row + 1); }

// A sheet being written: the model's sheet, the library's and the formats.
struct SheetOut {
    const Sheet& sheet;
    lxw_worksheet* out;
    XlsxFormats& formats;

    QString where(const QString& what) const { return QStringLiteral("sheet \"%1\", %2").arg(sheet.name, what); }
    QString whereCell(int row, int col) const { return where(QStringLiteral("cell %1").arg(cellName(row, col))); }
};

lxw_worksheet* addSheet(lxw_workbook* file, const Sheet& sheet)
{
    const QByteArray name = sheet.name.toUtf8();
    const auto where = [&] { return QStringLiteral("sheet name \"%1\"").arg(sheet.name); };
    check(workbook_validate_sheet_name(file, name.constData()), where);
    lxw_worksheet* out = workbook_add_worksheet(file, name.constData());
    if (!out)
        check(LXW_ERROR_MEMORY_MALLOC_FAILED, where);
    return out;
}

// --- Columns ---------------------------------------------------------------

// What a column shows: its width and format. A column without a width of
// its own is as wide as the sheet's standard width, which libxlsxwriter
// 1.1.4 has no call for, so such a column carries it; one without a format
// shows the sheet's.
struct ColumnLook {
    double width = LXW_DEF_COL_WIDTH;
    lxw_format* format = nullptr;

    bool plain() const { return width == LXW_DEF_COL_WIDTH && !format; }
    friend bool operator==(const ColumnLook&, const ColumnLook&) = default;
};

ColumnLook columnLook(SheetOut& s, int col)
{
    const Column& column = s.sheet.columns[std::size_t(col)];
    const FormatId format = column.format != NoFormat            ? column.format
                            : s.sheet.defaultFormat != DefaultFormat ? s.sheet.defaultFormat
                                                                     : NoFormat;
    return {column.width.value_or(s.sheet.standardWidth), s.formats[format]};
}

// Columns alike are written as one stretch: the file's column entries may
// not overlap.
void writeColumns(SheetOut& s)
{
    int first = 0;
    while (first < MaxColumns) {
        const ColumnLook look = columnLook(s, first);
        int last = first;
        while (last + 1 < MaxColumns && columnLook(s, last + 1) == look)
            ++last;
        if (!look.plain())
            check(worksheet_set_column_opt(s.out, lxw_col_t(first), lxw_col_t(last), look.width, look.format, nullptr),
                  [&] { return s.where(QStringLiteral("columns %1:%2").arg(columnName(first), columnName(last))); });
        first = last + 1;
    }
}

// --- Rows ------------------------------------------------------------------

// The height libxlsxwriter 1.1.4 is given for a row of height points: it
// leaves out the height of a row exactly as high as its own default of 15
// points, even when the sheet's default row height is another, so such a
// row is given the next height up, which it writes as 15 again.
double rowHeightFor(const Sheet& sheet, double height)
{
    if (height == LXW_DEF_ROW_HEIGHT && sheet.defaultRowHeight != LXW_DEF_ROW_HEIGHT)
        return std::nextafter(height, std::numeric_limits<double>::infinity());
    return height;
}

// Rows with a height or a format of their own; a row's format is a row
// format of the file, which shows in every cell of the row without one.
void writeRows(SheetOut& s)
{
    worksheet_set_default_row(s.out, s.sheet.defaultRowHeight, LXW_FALSE);
    for (std::size_t r = 0; r < s.sheet.rows.size(); ++r) {
        const Row& row = s.sheet.rows[r];
        if (!row.height && row.format == NoFormat)
            continue;
        const double height = rowHeightFor(s.sheet, row.height.value_or(s.sheet.defaultRowHeight));
        check(worksheet_set_row_opt(s.out, lxw_row_t(r), height, s.formats[row.format], nullptr),
              [&] { return s.where(QStringLiteral("row %1").arg(r + 1)); });
    }
}

// --- Merged ranges ---------------------------------------------------------

// A merged range takes the format of its top-left cell; every other cell of
// it keeps its own, so that its borders stay. The value of the top-left
// cell is written with the cells.
void writeMerges(SheetOut& s)
{
    for (const Area& merge : s.sheet.merges) {
        if (merge.isSingleCell())
            continue;
        const auto where = [&] {
            return s.where(QStringLiteral("merged range %1:%2").arg(cellName(merge.top, merge.left),
                                                                     cellName(merge.bottom, merge.right)));
        };
        lxw_format* const topLeft = s.formats[s.sheet.effectiveFormat(merge.top, merge.left)];
        check(worksheet_merge_range(s.out, lxw_row_t(merge.top), lxw_col_t(merge.left), lxw_row_t(merge.bottom),
                                    lxw_col_t(merge.right), "", topLeft),
              where);
        for (int r = merge.top; r <= merge.bottom; ++r)
            for (int c = merge.left; c <= merge.right; ++c)
                if (lxw_format* const own = s.formats[s.sheet.effectiveFormat(r, c)]; own != topLeft)
                    check(worksheet_write_blank(s.out, lxw_row_t(r), lxw_col_t(c), own), where);
    }
}

// --- Cells -----------------------------------------------------------------

// An error value is kept as the formula of its literal with the error as
// its result ("=#DIV/0!"), the one way libxlsxwriter writes an error. A
// result that was never calculated has no value to keep.
lxw_error writeError(SheetOut& s, lxw_row_t r, lxw_col_t c, CellError error, lxw_format* format)
{
    if (error == CellError::NotCalculated)
        return worksheet_write_blank(s.out, r, c, format);
    const QByteArray text = errorText(error).toUtf8();
    return worksheet_write_formula_str(s.out, r, c, ("=" + text).constData(), format, text.constData());
}

lxw_error writeValue(SheetOut& s, int row, int col, const CellValue& value, lxw_format* format)
{
    const auto r = lxw_row_t(row);
    const auto c = lxw_col_t(col);
    if (const double* number = std::get_if<double>(&value)) {
        if (!std::isfinite(*number))
            throw quorvale::AutomationError(s.whereCell(row, col) + QStringLiteral(": the number is not finite"));
        return worksheet_write_number(s.out, r, c, *number, format);
    }
    if (const QString* text = std::get_if<QString>(&value))
        return worksheet_write_string(s.out, r, c, text->toUtf8().constData(), format);
    if (const bool* truth = std::get_if<bool>(&value))
        return worksheet_write_boolean(s.out, r, c, *truth ? 1 : 0, format);
    if (const CellError* error = std::get_if<CellError>(&value))
        return writeError(s, r, c, *error, format);
    return worksheet_write_blank(s.out, r, c, format);
}

// Every cell with a value or a format of its own. The file's cells do not
// take the row's or the column's format as the model's do, so each is
// written with the format that shows in it.
void writeCells(SheetOut& s)
{
    for (std::size_t r = 0; r < s.sheet.rows.size(); ++r) {
        const std::vector<Cell>& cells = s.sheet.rows[r].cells;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (!cells[c].present())
                continue;
            const int row = int(r);
            const int col = int(c);
            lxw_format* const format = s.formats[s.sheet.effectiveFormat(row, col)];
            check(writeValue(s, row, col, cells[c].value, format), [&] { return s.whereCell(row, col); });
        }
    }
}

// --- View ------------------------------------------------------------------

// The selection with the active cell first, as libxlsxwriter takes it: the
// active cell is one corner of the selection. One inside a selection of
// more than a row or column is moved to its top-left corner.
void writeSelection(SheetOut& s)
{
    const Area& a = s.sheet.selection;
    const int row = s.sheet.activeRow;
    const int col = s.sheet.activeColumn;
    if (!a.contains(row, col)) {
        worksheet_set_selection(s.out, lxw_row_t(row), lxw_col_t(col), lxw_row_t(row), lxw_col_t(col));
        return;
    }
    const bool bottom = row == a.bottom && row != a.top;
    const bool right = col == a.right && col != a.left;
    worksheet_set_selection(s.out, lxw_row_t(bottom ? a.bottom : a.top), lxw_col_t(right ? a.right : a.left),
                            lxw_row_t(bottom ? a.top : a.bottom), lxw_col_t(right ? a.left : a.right));
}

// --- Page set-up -----------------------------------------------------------

void writePrintArea(SheetOut& s)
{
    const QString& text = s.sheet.pageSetup.printArea;
    if (text.isEmpty())
        return;
    const auto where = [&] { return s.where(QStringLiteral("print area \"%1\"").arg(text)); };
    Area area;
    try {
        area = parseAddress(text);
    } catch (const quorvale::AutomationError& e) {
        throw quorvale::AutomationError(where() + QStringLiteral(": ") + e.description());
    }
    check(worksheet_print_area(s.out, lxw_row_t(area.top), lxw_col_t(area.left), lxw_row_t(area.bottom),
                               lxw_col_t(area.right)),
          where);
}

// Margins in inches. libxlsxwriter 1.1.4 sets the header and footer margins
// only along with a header or footer text, and never to 0, so they are set
// on its sheet itself.
void writeMargins(SheetOut& s)
{
    const PageSetup& page = s.sheet.pageSetup;
    worksheet_set_margins(s.out, page.leftMargin / PointsPerInch, page.rightMargin / PointsPerInch,
                          page.topMargin / PointsPerInch, page.bottomMargin / PointsPerInch);
    s.out->margin_header = page.headerMargin / PointsPerInch;
    s.out->margin_footer = page.footerMargin / PointsPerInch;
}

// The paper codes are those of the file; one past the library's 255 (a
// paper size of the user's) leaves the printer's paper. A print zoom, or
// else the pages to fit to (0 leaves that direction free).
void writePaperAndScale(SheetOut& s)
{
    const PageSetup& page = s.sheet.pageSetup;
    if (page.orientation == Orientation::Landscape)
        worksheet_set_landscape(s.out);
    else
        worksheet_set_portrait(s.out);
    if (page.paperSize >= 1 && page.paperSize <= 255)
        worksheet_set_paper(s.out, std::uint8_t(page.paperSize));
    if (page.zoom)
        worksheet_set_print_scale(s.out, std::uint16_t(*page.zoom));
    else
        worksheet_fit_to_pages(s.out, std::uint16_t(page.fitToPagesWide), std::uint16_t(page.fitToPagesTall));
}

// --- Workbook --------------------------------------------------------------

// Merged ranges go before the cells, which write the top-left values over
// the blanks the merges leave.
lxw_worksheet* writeSheet(lxw_workbook* file, const Sheet& sheet, XlsxFormats& formats)
{
    SheetOut s{sheet, addSheet(file, sheet), formats};
    writeColumns(s);
    writeRows(s);
    writeMerges(s);
    writeCells(s);
    writeSelection(s);
    writePrintArea(s);
    writeMargins(s);
    writePaperAndScale(s);
    return s.out;
}

// The active sheet, and the hidden ones. libxlsxwriter 1.1.4 knows no very
// hidden sheet: such a sheet is hidden, which the user can show again.
void showSheets(const Workbook& book, const std::vector<lxw_worksheet*>& sheets)
{
    const auto active = std::size_t(book.activeSheet);
    if (active < sheets.size() && book.sheets[active]->visibility == SheetVisibility::Visible)
        worksheet_activate(sheets[active]);
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (book.sheets[i]->visibility != SheetVisibility::Visible)
            worksheet_hide(sheets[i]);
}

struct FreeWorkbook {
    void operator()(lxw_workbook* file) const { lxw_workbook_free(file); }
};

// The workbook as the file at path, in which libxlsxwriter keeps its
// working files in folder too.
void writeWorkbook(const Workbook& book, const QString& path, const QString& folder)
{
    // Dates would show four years off: libxlsxwriter 1.1.4 writes the 1900
    // date system only.
    if (book.dates1904)
        throw quorvale::AutomationError(
            QStringLiteral("its dates count from 1904, which an .xlsx file of this application cannot keep"));
    const QByteArray fileName = QFile::encodeName(path);
    QByteArray folderName = QFile::encodeName(folder);
    lxw_workbook_options options{};
    options.tmpdir = folderName.data();
    std::unique_ptr<lxw_workbook, FreeWorkbook> file(workbook_new_opt(fileName.constData(), &options));
    if (!file)
        check(LXW_ERROR_MEMORY_MALLOC_FAILED, [] { return QStringLiteral("a new workbook"); });
    XlsxFormats formats(file.get(), book);
    std::vector<lxw_worksheet*> sheets;
    for (const auto& sheet : book.sheets)
        sheets.push_back(writeSheet(file.get(), *sheet, formats));
    showSheets(book, sheets);
    check(workbook_close(file.release()), [] { return QStringLiteral("the file"); });
}

} // namespace

void save(const Workbook& book, const QString& path)
{
    // A folder of the user's alone (mkdtemp makes it 0700), gone with all
    // it holds when the save is over, whichever way.
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        cannotSave(path, QStringLiteral("no private folder to make it in: %1").arg(scratch.errorString()));
    const QString made = scratch.filePath(QStringLiteral("workbook.xlsx"));
    try {
        writeWorkbook(book, made, scratch.path());
    } catch (const quorvale::AutomationError& e) {
        cannotSave(path, e.description());
    }
    try {
        quorvale::files::writeWhole(path, quorvale::files::readOwnFile(made));
    } catch (const quorvale::files::FileError& e) {
        cannotSave(path, e.reason());
    }
}

} // namespace ss::xlsx
