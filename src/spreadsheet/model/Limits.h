#pragma once

#include <QChar>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string_view>

// What names and sizes the model holds: the one rule of each, which the
// automation objects, the xls writer and reader and the renderer share.
namespace ss {

// Sheet names: 1 to 31 characters, none of these, and no apostrophe at
// either end.
inline constexpr qsizetype MaxSheetName = 31;
inline constexpr std::u16string_view SheetNameForbidden = u":\\/?*[]";

// The first rule of sheet names that a name breaks, checked in the order
// above; the forbidden character is the first of SheetNameForbidden that
// the name holds.
struct SheetNameFault {
    enum Rule : std::uint8_t { Length, Character, Apostrophe };
    Rule rule;
    QChar character; // for Character
};
std::optional<SheetNameFault> sheetNameFault(QStringView name);

// Font names in characters. The automation Font object takes up to 31, as
// the spreadsheet's own dialogs do; a BIFF8 FONT record stores up to 255,
// so that a workbook from elsewhere with a longer name opens and saves
// again. Whatever the object takes, a file stores.
inline constexpr qsizetype MaxFontName = 31;
inline constexpr qsizetype MaxStoredFontName = 255;
static_assert(MaxFontName <= MaxStoredFontName);

// Font sizes in points.
inline constexpr double MinFontSize = 1;
inline constexpr double MaxFontSize = 409;

// Row heights in points. The automation RowHeight takes 0 to 409, as the
// spreadsheet does. A ROW record keeps the height in twips, with room for a
// little more; the writer stores and the renderer draws heights up to
// 409.5, so that a workbook from elsewhere with such a row opens, shows and
// saves again.
inline constexpr double MaxRowHeight = 409;
inline constexpr double MaxStoredRowHeight = 409.5;
static_assert(MaxRowHeight <= MaxStoredRowHeight);

// Column widths in characters.
inline constexpr double MaxColumnWidth = 255;

// Page set-up: the print zoom in percent, the pages a sheet is fitted to
// (0 leaves a direction free), and the margins a file may hold, in inches.
inline constexpr int MinZoom = 10;
inline constexpr int MaxZoom = 400;
inline constexpr int MaxFitToPages = 32767;
inline constexpr double MaxStoredMargin = 49;

} // namespace ss
