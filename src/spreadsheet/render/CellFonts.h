#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace ss::render {

// The installed family that draws fonts of the given name: the font itself
// when it is installed, otherwise a metric-compatible substitute (Liberation
// Sans for Arial, and so on), otherwise the name as given, which leaves the
// choice to the font system. The answer for a name is kept: fonts installed
// while the program runs are not seen.
QString installedFamily(const QString& name);

// The screen font of a cell font.
QFont screenFont(const Font& font);

// Palette slot index (1 to 56) of book, or fallback for any other index
// (automatic, none).
QColor paletteColor(const Workbook& book, int index, const QColor& fallback);

} // namespace ss::render
