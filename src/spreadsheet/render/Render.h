#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QImage>

namespace ss::render {

// Paints the cells of area as they look on screen at the given DPI and
// zoom: the top rows and left columns of it that fit into the largest
// picture (see Geometry.h). At a zoom the cells are laid out as at 100 %
// and drawn zoom times as large, so the picture is zoom times the size of
// the one at 100 % (rounded), and as sharp. A null image when the picture
// has no pixels (all its rows or columns hidden) or cannot be allocated.
// Throws AutomationError for an area that does not lie on the sheet, a DPI
// outside 24 to 1200 or a zoom outside a window's (10 % to 400 %).
QImage renderArea(const Workbook& book, const Sheet& sheet, const Area& area, double dpi, double zoom = 1.0);

// Range.CopyPicture(): renders area at the screen's DPI and the window's
// zoom and puts the picture on the system clipboard. Throws AutomationError
// on failure.
void copyPicture(const Workbook& book, const Sheet& sheet, const Area& area, double zoom = 1.0);

// Range.Left, Top, Width and Height: where the cells of area lie on the
// sheet as it shows at the screen's DPI, from the sheet's top left corner,
// in points. A picture of the area is as many pixels as these points make at
// that DPI, whatever its size; the pictures of two ranges that meet meet
// there. Each side is worked out alone: Top and Height add up rows only.
enum class Side : std::uint8_t { Left, Top, Width, Height };
double sideInPoints(const Workbook& book, const Sheet& sheet, const Area& area, Side side);

} // namespace ss::render
