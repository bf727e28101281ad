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

// The text the General number format gives a number: the shortest decimal
// text that reads back as the same number ("46.99", "-4", "1E+20").
QString generalText(double value);

// The number a text typed into a cell stands for: only a plain decimal text
// that General shows exactly as typed ("46.99", "144455", "-4"); "0012",
// "6.90", "1,000", " 12", "+3", ".5", "1e5" and "1E+20" are texts.
std::optional<double> generalNumber(QStringView text);

} // namespace ss
