#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ss {

// Colour indexes: 1 to PaletteSize name a slot of the workbook's palette;
// the two below stand for the automatic colour and for no colour (no fill).
inline constexpr int PaletteSize = 56;
inline constexpr int ColorAutomatic = 0;
inline constexpr int ColorNone = -1;

enum class HAlign : std::uint8_t { General, Left, Center, Right };
enum class VAlign : std::uint8_t { Top, Center, Bottom };

enum class LineStyle : std::uint8_t { None, Continuous, Dash, Dot, Double };
enum class LineWeight : std::uint8_t { Hairline, Thin, Medium, Thick };

struct BorderLine {
    LineStyle style = LineStyle::None;
    LineWeight weight = LineWeight::Thin;
    int colorIndex = ColorAutomatic;

    bool present() const { return style != LineStyle::None; }
    friend bool operator==(const BorderLine&, const BorderLine&) = default;
};

// The four borders a cell format holds.
enum Edge : std::uint8_t { EdgeLeft, EdgeTop, EdgeBottom, EdgeRight };

struct Font {
    QString name = QStringLiteral("Arial");
    double size = 10.0; // points
    bool bold = false;
    bool italic = false;
    int colorIndex = ColorAutomatic;

    friend bool operator==(const Font&, const Font&) = default;
};

struct CellFormat {
    Font font;
    int fillColorIndex = ColorNone; // a solid fill in this palette slot, or none
    std::array<BorderLine, 4> borders{}; // indexed by Edge
    HAlign horizontal = HAlign::General;
    VAlign vertical = VAlign::Bottom;
    bool wrap = false;
    // The number format's code ("0.00", "yyyy-mm-dd"); empty for General.
    QString numberFormat;

    friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

using FormatId = std::uint32_t;
inline constexpr FormatId NoFormat = 0xFFFFFFFFu; // "inherits from the level above"
inline constexpr FormatId DefaultFormat = 0;       // the default CellFormat

// Every distinct format of a workbook, stored once. Id 0 is the default.
class FormatTable {
public:
    FormatTable();

    FormatId intern(const CellFormat& format);
    const CellFormat& operator[](FormatId id) const { return m_formats[id]; }
    std::size_t size() const { return m_formats.size(); }

private:
    struct Hash {
        std::size_t operator()(const CellFormat& f) const noexcept;
    };
    std::vector<CellFormat> m_formats;
    std::unordered_map<CellFormat, FormatId, Hash> m_ids;
};

// The code of a number format built into Excel by its number (the same in
// the .xls FORMAT records' numbering and in .xlsx numFmtId): 14 is
// "m/d/yyyy". Empty for General (0) and for a number no format has.
QString builtInNumberFormat(int id);
// The built-in number of a code, or -1 when the code is not built in.
int builtInNumberFormatId(QStringView code);

// The text of a number as a cell's formula shows it: the plain numeral that
// generalNumber reads back as this very number ("46.99", "-4", "100000"),
// else the shortest text that does in scientific notation ("1E+20").
QString generalText(double value);

// The number a text typed into a cell stands for, the one rule of the
// workbook: a plain decimal numeral, an optional minus sign, digits without
// a leading zero before others, an optional point with digits after it, of
// at most 15 significant digits ("46.99", "11.10" as 11.1, "144455", "-4",
// "0.00"). Its number keeps every digit but trailing zeros of the fraction.
// Anything else is a text: "007", "1e3", "+5", "1,000", " 12", ".5", "5.",
// "-0" (the minus sign would be lost), "1234567890123456", "=1+2".
std::optional<double> generalNumber(QStringView text);

} // namespace ss
