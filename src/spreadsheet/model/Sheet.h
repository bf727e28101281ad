#pragma once

#include "spreadsheet/model/Format.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace ss {

inline constexpr int MaxColumns = 256;
inline constexpr int MaxRows = 65536;

// The most cell slots (see Sheet::storedCells) the sheets of a workbook that
// is opened may hold together: a file that would take more (about 40 bytes
// a slot) is refused while it is read, so that no file takes more memory
// than this.
inline constexpr std::size_t MaxOpenedCells = 4'194'304;

// A rectangle of cells, 0-based and inclusive: row 0 is sheet row 1,
// column 0 is column A.
struct Area {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool wholeColumns() const { return top == 0 && bottom == MaxRows - 1; }
    bool wholeRows() const { return left == 0 && right == MaxColumns - 1; }
    bool contains(int row, int col) const { return row >= top && row <= bottom && col >= left && col <= right; }
    bool isSingleCell() const { return top == bottom && left == right; }
    static Area cell(int row, int col) { return Area{row, col, row, col}; }
    static Area wholeSheet() { return Area{0, 0, MaxRows - 1, MaxColumns - 1}; }
    friend bool operator==(const Area&, const Area&) = default;
};

// An error value of a cell, by its code in Excel's files (BOOLERR).
// NotCalculated is no code of a file's: a formula cell whose result the
// file did not keep, which this application, calculating nothing, cannot
// know.
enum class CellError : std::uint8_t {
    Null = 0x00,
    Div0 = 0x07,
    Value = 0x0F,
    Ref = 0x17,
    Name = 0x1D,
    Num = 0x24,
    NA = 0x2A,
    GettingData = 0x2B,
    NotCalculated = 0xFF,
};

// The text of an error as a cell shows it ("#DIV/0!"); empty for
// NotCalculated.
QString errorText(CellError error);
// The error of its text; nothing for another text.
std::optional<CellError> errorOfText(QStringView text);
// The error of a file's code; nothing for a code that names none.
std::optional<CellError> errorOfCode(std::uint8_t code);

// A cell's value: empty, a number, a text, TRUE or FALSE, or an error.
using CellValue = std::variant<std::monostate, double, QString, bool, CellError>;

struct Cell {
    CellValue value;
    FormatId format = NoFormat; // NoFormat: the row's, column's or sheet's format shows

    bool hasValue() const { return value.index() != 0; }
    bool present() const { return hasValue() || format != NoFormat; }
};

struct Row {
    std::optional<double> height; // points, when set
    FormatId format = NoFormat;
    std::vector<Cell> cells; // indexed by column; may be shorter than 256
};

struct Column {
    std::optional<double> width; // character units, when set
    FormatId format = NoFormat;
};

// The edges of a range that a border can be drawn on: its outline and the
// lines between its cells.
enum class RangeEdge : std::uint8_t { Left, Top, Bottom, Right, InsideVertical, InsideHorizontal };

// The cells along an edge of an area and the side of theirs on that edge.
// An inside edge is the right (bottom) side of every cell but the last
// column (row); an area one cell wide (high) has no inside vertical
// (horizontal) edge.
struct EdgeCells {
    Area cells;
    Edge side;
};
std::optional<EdgeCells> edgeCells(const Area& area, RangeEdge edge);

// Where a sheet's comments are printed: not at all, at the end of the
// sheet, or where they stand.
enum class CommentPrinting : std::uint8_t { None, AtEnd, InPlace };
enum class Orientation : std::uint8_t { Portrait, Landscape };

inline constexpr double PointsPerInch = 72;

// The page set-up of a sheet; margins in points.
struct PageSetup {
    QString printArea; // as assigned, e.g. "A1:I12"; empty when none
    double leftMargin = 0.7 * PointsPerInch;
    double rightMargin = 0.7 * PointsPerInch;
    double topMargin = 0.75 * PointsPerInch;
    double bottomMargin = 0.75 * PointsPerInch;
    double headerMargin = 0.3 * PointsPerInch;
    double footerMargin = 0.3 * PointsPerInch;
    CommentPrinting printComments = CommentPrinting::None;
    Orientation orientation = Orientation::Portrait;
    // The paper code, which the automation PaperSize and the file's SETUP
    // record share: 9 is A4.
    int paperSize = 9;
    std::optional<int> zoom = 100; // percent; empty means Zoom = False (fit to pages)
    int fitToPagesWide = 1;
    int fitToPagesTall = 1;

    friend bool operator==(const PageSetup&, const PageSetup&) = default;
};

// Whether a sheet's tab shows: a hidden sheet can be shown again by the
// user, a very hidden one only by a program.
enum class SheetVisibility : std::uint8_t { Visible, Hidden, VeryHidden };

class FormatChange;

// What a change of format sets and the value it gives it, for a caller that
// makes the same changes many times: two changes with the same key make the
// same change of any format. The empty key names no change.
struct ChangeKey {
    std::uint32_t what = 0;
    std::int64_t value = 0;

    bool empty() const { return what == 0; }
    friend bool operator==(const ChangeKey&, const ChangeKey&) = default;
};

// The latest changes of format that a sheet made: the change's key, the
// format it was made of and the format it made. A change that is made of the
// same format again finds the format it makes here, by its key or, without
// one, by comparing the format it makes; either costs less than the look-up
// of a format in the table.
class RecentChanges {
public:
    // The format made lately of from by the change of key.
    std::optional<FormatId> find(const ChangeKey& key, FormatId from) const;
    // The format made lately of from that equals made.
    std::optional<FormatId> find(FormatId from, const CellFormat& made, const FormatTable& formats) const;
    void add(const ChangeKey& key, FormatId from, FormatId to);

private:
    struct Made {
        ChangeKey key;
        FormatId from = NoFormat;
        FormatId to = NoFormat;
    };
    std::array<Made, 4> m_made{};
    std::size_t m_next = 0;
};

// One worksheet. Formatting lives at four levels, as in spreadsheets: the
// sheet's default, columns, rows and cells; the most specific level shows
// (cell, then row, then column, then sheet). Formatting a whole column, row
// or the sheet therefore costs nothing per cell.
class Sheet {
public:
    QString name;
    SheetVisibility visibility = SheetVisibility::Visible;
    FormatId defaultFormat = DefaultFormat;
    std::array<Column, MaxColumns> columns{};
    std::vector<Row> rows; // indexed by row; may be shorter than 65536
    std::vector<Area> merges;
    PageSetup pageSetup;
    int activeRow = 0;
    int activeColumn = 0;
    Area selection{};
    double standardWidth = 8.43;     // character units of a column without its own width
    double defaultRowHeight = 12.75; // points of a row without its own height

    // The format that shows in a cell.
    FormatId effectiveFormat(int row, int col) const;
    // The cell, or nullptr when nothing is stored there.
    const Cell* cell(int row, int col) const;
    // The cell, created when missing.
    Cell& cellAt(int row, int col);
    // The cells the rows hold room for: a row holds every cell up to its
    // last one, empty or not.
    std::size_t storedCells() const { return m_storedCells; }
    Row& rowAt(int row);
    const Row* row(int r) const { return r >= 0 && r < int(rows.size()) ? &rows[std::size_t(r)] : nullptr; }

    double columnWidth(int col) const;
    double rowHeight(int row) const;

    // Applies a change to the format of every cell of area, at the level
    // the area covers: the sheet, whole columns, whole rows or cells.
    // The key, when given, names the change (see ChangeKey); the formats are
    // those of the sheet's workbook.
    void applyFormat(const Area& area, const std::function<void(CellFormat&)>& change, FormatTable& formats,
                     const ChangeKey& key = {});
    // Applies a change to one border of area: an outline edge changes that
    // side of the cells along it; an inside edge changes both cells' sides
    // where two cells of area meet, so neighbours always agree.
    void applyBorder(const Area& area, RangeEdge edge, const std::function<void(BorderLine&)>& change,
                     FormatTable& formats);
    // Calls visit with the format of every cell of area, a format shared by
    // a whole stretch of cells possibly only once, until visit returns false.
    void visitFormats(const Area& area, const std::function<bool(FormatId)>& visit) const;
    // Removes values, formats and merges inside area (Range.Clear).
    void clear(const Area& area);
    // Merges area into one cell (Range.Merge): a single cell stays as it is;
    // otherwise merged ranges that overlap area are taken into it and only
    // the value of its top-left cell is kept. Returns the merged range.
    Area merge(const Area& area);
    // Whether merging area would discard the value of a cell other than
    // its top-left one.
    bool mergeDiscardsValues(const Area& area) const;

    // The merged range that contains the cell, if any.
    const Area* mergeAt(int row, int col) const;

    // The bounding box of the cells that hold a value or a format of their
    // own; empty for a blank sheet.
    std::optional<Area> usedArea() const;

private:
    void changeWholeColumns(const Area& area, FormatChange& changed);
    void changeWholeRows(const Area& area, FormatChange& changed);
    void changeCells(const Area& area, FormatChange& changed);
    // Gives the stored row at least width cells.
    void widen(int row, int width);

    // The format that shows in column col of row.
    FormatId formatIn(const Row& row, int col) const;
    // The format that shows in a cell of column col without one of its own,
    // in a row of the given format.
    FormatId lineFormat(FormatId rowFormat, int col) const;

    RecentChanges m_recentChanges;
    std::size_t m_storedCells = 0;
};

// A workbook: its sheets, its formats and its 56-slot palette.
class Workbook {
public:
    Workbook();

    std::vector<std::unique_ptr<Sheet>> sheets;
    FormatTable formats;
    // Workbook.Colors(1..56): colour words red + 256 * green + 65536 * blue.
    std::array<std::int32_t, PaletteSize> colors{};
    int activeSheet = 0;
    bool dates1904 = false; // dates count days from 1904 rather than from 1900
    QString fullName;       // path after a save or an open; empty for a new book

    // The standard palette of a new workbook.
    static const std::array<std::int32_t, PaletteSize>& defaultColors();

    Sheet& addSheet(const QString& name);
    // The first sheet that is not hidden; the first sheet when all are.
    int firstVisibleSheet() const;
};

} // namespace ss
