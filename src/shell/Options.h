#pragma once

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

// The common procedures of the Options module. None of them fails.
namespace Options {

// Tries up to 1000 times, without pause, to fetch a picture from the
// clipboard; format 0 takes whichever picture the clipboard holds. A null
// image when every attempt failed.
QImage FetchClipboardPicture(std::int32_t format);

// The decimal separator of the user's number format.
QString LocaleDecimalSeparator();

// text with every "." and "," replaced by the locale's decimal separator.
QString ToLocaleDecimalText(const QString& text);

// The workbook palette, entries 1 to 56 (entry 0 is unused); each a colour
// word red + 256 * green + 65536 * blue.
using Palette = std::array<std::int32_t, 57>;
extern Palette WorkbookPalette;
void FillWorkbookPalette();
// The 56 values FillWorkbookPalette writes.
const Palette& defaultWorkbookPalette();

} // namespace Options
