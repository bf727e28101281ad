#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QImage>

namespace ss::render {

// Paints the cells of area as they look on screen at the given DPI.
QImage renderArea(const Workbook& book, const Sheet& sheet, const Area& area, double dpi);

// Range.CopyPicture(): renders area at the screen's DPI and puts the
// picture on the system clipboard. Throws AutomationError on failure.
void copyPicture(const Workbook& book, const Sheet& sheet, const Area& area);

} // namespace ss::render
