#include "spreadsheet/render/Geometry.h"

#include "spreadsheet/model/Limits.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace ss::render {

namespace {

// Appends edges for the sizes given by pixelsOf(first), pixelsOf(first + 1),
// ... up to last, stopping before the one that would pass limit.
template <typename PixelsOf>
std::vector<int> edges(int first, int last, int limit, PixelsOf pixelsOf)
{
    std::vector<int> result{0};
    for (int i = first; i <= last; ++i) {
        const int next = result.back() + pixelsOf(i);
        if (next > limit && i > first)
            break;
        result.push_back(next);
    }
    return result;
}

} // namespace

int maxDigitWidth(const QFont& font, const QPaintDevice& device)
{
    const QFontMetricsF metrics(font, &device);
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    return std::max(1, int(std::lround(widest)));
}

int columnPixels(double width, int digitWidth)
{
    if (!(width > 0))
        return 0;
    width = std::min(width, MaxColumnWidth);
    // Below one character the padding shrinks with the column.
    if (width < 1)
        return int(width * (digitWidth + CellPadding) + 0.5);
    return int(width * digitWidth + 0.5) + CellPadding;
}

int rowPixels(double points, double dpi)
{
    if (!(points > 0))
        return 0;
    return int(std::lround(std::min(points, MaxStoredRowHeight) * dpi / PointsPerInch));
}

Grid layoutGrid(const Sheet& sheet, const Area& area, int digitWidth, double dpi, QSize largest)
{
    Grid grid;
    grid.top = area.top;
    grid.left = area.left;
    grid.x = edges(area.left, area.right, largest.width(),
                   [&](int col) { return columnPixels(sheet.columnWidth(col), digitWidth); });
    grid.y = edges(area.top, area.bottom, largest.height(),
                   [&](int row) { return rowPixels(sheet.rowHeight(row), dpi); });
    return grid;
}

} // namespace ss::render
