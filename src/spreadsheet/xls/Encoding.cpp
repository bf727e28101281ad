#include "spreadsheet/xls/Encoding.h"

#include "spreadsheet/model/Limits.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/Records.h"

#include "automation/Error.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ss::xls {

namespace {

// Pixels of a column of w characters, and the characters of p pixels, as
// spreadsheets count them: a digit per character plus 5 pixels of padding;
// below one character the padding shrinks with the width.
int pixelsOf(double characters)
{
    if (characters < 1)
        return int(std::trunc(characters * (MaxDigitWidth + 5) + 0.5));
    return int(std::trunc(characters * MaxDigitWidth + 0.5)) + 5;
}

double charactersOfPixels(int pixels)
{
    const double characters = pixels < MaxDigitWidth + 5 ? double(pixels) / (MaxDigitWidth + 5)
                                                          : double(pixels - 5) / MaxDigitWidth;
    return std::round(characters * 100) / 100;
}

// The integers an RK value holds: 30 bits with a sign.
constexpr double RkIntegerLimit = 1 << 29;
constexpr std::uint64_t RkDroppedBits = (std::uint64_t(1) << 34) - 1;

std::uint64_t bitsOf(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::optional<std::uint32_t> rkInteger(double value, std::uint32_t flags)
{
    if (!(value >= -RkIntegerLimit && value < RkIntegerLimit) || value != std::trunc(value))
        return std::nullopt;
    return std::uint32_t(std::int32_t(value)) << rec::RkValueShift | rec::RkInteger | flags;
}

std::optional<std::uint32_t> rkDouble(double value, std::uint32_t flags)
{
    const std::uint64_t bits = bitsOf(value);
    if ((bits & RkDroppedBits) != 0)
        return std::nullopt;
    return std::uint32_t(bits >> 32) | flags;
}

} // namespace

std::uint16_t colorCode(int colorIndex, std::uint16_t automatic)
{
    if (colorIndex == ColorAutomatic)
        return automatic;
    if (colorIndex < 1 || colorIndex > PaletteSize)
        throw quorvale::AutomationError(
            QStringLiteral("Colour index %1 is not one of the %2 palette colours").arg(colorIndex).arg(PaletteSize));
    return std::uint16_t(colorIndex + FirstPaletteCode - 1);
}

int colorIndexOf(std::uint16_t code)
{
    if (code < FirstPaletteCode)
        return code + 1;
    if (code < FirstPaletteCode + PaletteSize)
        return code - FirstPaletteCode + 1;
    return ColorAutomatic;
}

std::uint8_t borderCode(const BorderLine& line)
{
    switch (line.style) {
    case LineStyle::None: return 0;
    case LineStyle::Continuous:
        switch (line.weight) {
        case LineWeight::Hairline: return 7;
        case LineWeight::Thin: return 1;
        case LineWeight::Medium: return 2;
        case LineWeight::Thick: return 5;
        }
        break;
    case LineStyle::Dash: return line.weight == LineWeight::Medium || line.weight == LineWeight::Thick ? 8 : 3;
    case LineStyle::Dot: return 4;
    case LineStyle::Double: return 6;
    }
    return 1;
}

BorderLine borderLineOf(std::uint8_t code, int colorIndex)
{
    const auto line = [&](LineStyle style, LineWeight weight) { return BorderLine{style, weight, colorIndex}; };
    switch (code) {
    case 0: return BorderLine{};
    case 1: return line(LineStyle::Continuous, LineWeight::Thin);
    case 2: return line(LineStyle::Continuous, LineWeight::Medium);
    case 3: return line(LineStyle::Dash, LineWeight::Thin);
    case 4: return line(LineStyle::Dot, LineWeight::Thin);
    case 5: return line(LineStyle::Continuous, LineWeight::Thick);
    case 6: return line(LineStyle::Double, LineWeight::Thick);
    case 7: return line(LineStyle::Continuous, LineWeight::Hairline);
    case 8: return line(LineStyle::Dash, LineWeight::Medium);
    // The dash-dot lines are kept as the nearest dashed line.
    case 9:
    case 11: return line(LineStyle::Dash, LineWeight::Thin);
    case 10:
    case 12:
    case 13: return line(LineStyle::Dash, LineWeight::Medium);
    default: damaged(QStringLiteral("border line style %1 is not defined").arg(code));
    }
}

std::uint8_t horizontalCode(HAlign align)
{
    switch (align) {
    case HAlign::General: return 0;
    case HAlign::Left: return 1;
    case HAlign::Center: return 2;
    case HAlign::Right: return 3;
    }
    return 0;
}

HAlign horizontalOf(std::uint8_t code)
{
    switch (code) {
    case 1: return HAlign::Left;
    case 2:
    case 6: return HAlign::Center; // centred, or centred across the selection
    case 3: return HAlign::Right;
    default: return HAlign::General;
    }
}

std::uint8_t verticalCode(VAlign align)
{
    switch (align) {
    case VAlign::Top: return 0;
    case VAlign::Center: return 1;
    case VAlign::Bottom: return 2;
    }
    return 2;
}

VAlign verticalOf(std::uint8_t code)
{
    switch (code) {
    case 0: return VAlign::Top;
    case 2: return VAlign::Bottom;
    default: return VAlign::Center; // centred, justified or distributed
    }
}

std::uint16_t colInfoWidth(double characters)
{
    const double units = std::trunc(pixelsOf(characters) * 256.0 / MaxDigitWidth);
    return std::uint16_t(std::clamp(units, 0.0, 65535.0));
}

double charactersOfColInfo(std::uint16_t units)
{
    return charactersOfPixels(int(std::trunc(units * double(MaxDigitWidth) / 256 + 0.5)));
}

std::uint16_t defColWidthOf(double characters)
{
    return std::uint16_t(std::clamp(std::trunc(characters), 0.0, MaxColumnWidth));
}

double standardWidthOf(std::uint16_t defColWidth)
{
    // The standard width fills whole digits plus padding, rounded up to a
    // multiple of 8 pixels: 8 characters are 64 pixels, 8.43 as shown.
    const int pixels = (defColWidth * MaxDigitWidth + 5 + 7) / 8 * 8;
    return charactersOfPixels(pixels);
}

double numberOfRk(std::uint32_t rk)
{
    double value = 0;
    if (rk & rec::RkInteger) {
        value = double(std::int32_t(rk) >> rec::RkValueShift);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & ~(rec::RkInteger | rec::RkHundredths)) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & rec::RkHundredths ? value / 100 : value;
}

std::optional<std::uint32_t> rkOf(double value)
{
    // A whole number, a whole number of hundredths (46.99), a double with
    // few binary digits, or a hundred times one: the first form that reads
    // back as value itself.
    const auto exact = [&](std::optional<std::uint32_t> rk) { return rk && bitsOf(numberOfRk(*rk)) == bitsOf(value); };
    if (const auto rk = rkInteger(value, 0); exact(rk))
        return rk;
    if (const auto rk = rkInteger(std::round(value * 100), rec::RkHundredths); exact(rk))
        return rk;
    if (const auto rk = rkDouble(value, 0); exact(rk))
        return rk;
    if (const auto rk = rkDouble(value * 100, rec::RkHundredths); exact(rk))
        return rk;
    return std::nullopt;
}

std::uint16_t twips(double points)
{
    return std::uint16_t(std::clamp(std::round(points * 20), 0.0, 65535.0));
}

} // namespace ss::xls
