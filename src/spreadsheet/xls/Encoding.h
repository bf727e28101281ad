#pragma once

#include "spreadsheet/model/Format.h"

#include <cstdint>
#include <optional>

// How the model's colours, lines, alignments and sizes are coded in BIFF8.
namespace ss::xls {

inline constexpr std::uint16_t FontColorAutomatic = 0x7FFF;
inline constexpr std::uint16_t SystemWindowText = 64;       // automatic line and pattern colour
inline constexpr std::uint16_t SystemWindowBackground = 65; // automatic pattern background
inline constexpr int FirstPaletteCode = 8; // palette slot 1 is colour code 8

// Pixels of the widest digit of the standard font (Arial 10 at 96 DPI).
inline constexpr int MaxDigitWidth = 7;

// Colour code of a palette slot 1..56, or automatic for ColorAutomatic.
// Throws AutomationError for any other index.
std::uint16_t colorCode(int colorIndex, std::uint16_t automatic);
// Palette slot of a colour code; the eight fixed colours 0..7 are the first
// eight slots of the standard palette; system colours are automatic.
int colorIndexOf(std::uint16_t code);

std::uint8_t borderCode(const BorderLine& line);
// The line a border code draws, in the given colour. Throws AutomationError
// for a code BIFF8 does not define.
BorderLine borderLineOf(std::uint8_t code, int colorIndex);

std::uint8_t horizontalCode(HAlign align);
HAlign horizontalOf(std::uint8_t code);
std::uint8_t verticalCode(VAlign align);
VAlign verticalOf(std::uint8_t code);

// Column widths: the width in characters as the user sees it, and the
// COLINFO value in 1/256 of a digit that includes the cell padding.
std::uint16_t colInfoWidth(double characters);
double charactersOfColInfo(std::uint16_t units);
// The standard width of columns and the DEFCOLWIDTH value it is kept as.
std::uint16_t defColWidthOf(double characters);
double standardWidthOf(std::uint16_t defColWidth);

// RK values: a number kept in 32 bits, as a 30-bit integer or the high 30
// bits of a double, either of them possibly a hundredth of the number.
double numberOfRk(std::uint32_t rk);
// The RK form that gives value back exactly, bit for bit; none when every
// form would round it.
std::optional<std::uint32_t> rkOf(double value);

// Points as twips (1/20 point), and back.
std::uint16_t twips(double points);
inline double pointsOf(std::uint16_t twips) { return twips / 20.0; }

} // namespace ss::xls
