#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QRect>
#include <QSize>

#include <vector>

class QFont;
class QPaintDevice;

namespace ss::render {

// The largest picture of a range. The sheet keeps every row, but a picture
// shows only the top rows and the left columns that fit whole into this
// box: 4096 x 2048 pixels are at most 32 MiB in 32-bit colour, and hold the
// 1,127 pixels of the inventory table across and its first 98 items down
// (8.8 MiB), more than the preview shows at once at its smallest zoom. The
// preview draws the rows past it in bands of their own.
inline constexpr int MaxPictureWidth = 4096;
inline constexpr int MaxPictureHeight = 2048;

// Pixels between a cell's left edge and its text, and between its text and
// the grid line at its right; a column's width in characters leaves room
// for both and the line.
inline constexpr int TextMargin = 2;
inline constexpr int CellPadding = 2 * TextMargin + 1;

// The widest of the digits 0 to 9 in font, in whole pixels of device: the
// unit of column widths.
int maxDigitWidth(const QFont& font, const QPaintDevice& device);

// The pixels of a column of the given width in characters.
int columnPixels(double width, int digitWidth);

// The pixels of a row of the given height in points.
int rowPixels(double points, double dpi);

// Where the cells of a picture lie. Cell (r, c) of the grid is sheet cell
// (top + r, left + c); it covers x[c] to x[c + 1] and y[r] to y[r + 1], the
// last pixel column and row of that being its grid line.
struct Grid {
    int top = 0;
    int left = 0;
    std::vector<int> x{0};
    std::vector<int> y{0};

    int columns() const { return int(x.size()) - 1; }
    int rows() const { return int(y.size()) - 1; }
    int width() const { return x.back(); }
    int height() const { return y.back(); }
    bool contains(int r, int c) const { return r >= 0 && r < rows() && c >= 0 && c < columns(); }

    // The rectangle of cells of the grid.
    QRect rect(const Area& cells) const
    {
        const auto col = std::size_t(cells.left), row = std::size_t(cells.top);
        const auto endCol = std::size_t(cells.right) + 1, endRow = std::size_t(cells.bottom) + 1;
        return QRect(x[col], y[row], x[endCol] - x[col], y[endRow] - y[row]);
    }
    QRect cellRect(int r, int c) const { return rect(Area::cell(r, c)); }
};

// The grid of area: its columns from the left and its rows from the top,
// as many as fit whole into largest (at least one of each).
Grid layoutGrid(const Sheet& sheet, const Area& area, int digitWidth, double dpi,
                QSize largest = QSize(MaxPictureWidth, MaxPictureHeight));

} // namespace ss::render
