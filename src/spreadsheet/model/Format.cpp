#include "spreadsheet/model/Format.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ss {

namespace {
inline void mix(std::size_t& seed, std::size_t v) { seed ^= v + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2); }
} // namespace

std::size_t FormatTable::Hash::operator()(const CellFormat& f) const noexcept
{
    std::size_t h = qHash(f.font.name);
    mix(h, std::hash<double>{}(f.font.size));
    mix(h, std::size_t(f.font.bold) | std::size_t(f.font.italic) << 1 | std::size_t(f.wrap) << 2
               | std::size_t(f.horizontal) << 3 | std::size_t(f.vertical) << 6);
    mix(h, std::size_t(std::uint32_t(f.font.colorIndex)));
    mix(h, std::size_t(std::uint32_t(f.fillColorIndex)));
    for (const BorderLine& b : f.borders)
        mix(h, std::size_t(b.style) | std::size_t(b.weight) << 4 | std::size_t(std::uint32_t(b.colorIndex)) << 8);
    if (!f.numberFormat.isEmpty())
        mix(h, qHash(f.numberFormat));
    return h;
}

FormatTable::FormatTable() { intern(CellFormat{}); }

FormatId FormatTable::intern(const CellFormat& format)
{
    const auto it = m_ids.find(format);
    if (it != m_ids.end())
        return it->second;
    const FormatId id = FormatId(m_formats.size());
    m_formats.push_back(format);
    m_ids.emplace(format, id);
    return id;
}

namespace {

// Excel's built-in number formats by number, as its files of the US
// English version number them; the numbers missing are locale's own.
constexpr std::pair<int, const char*> BuiltInFormats[] = {
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {5, "\"$\"#,##0_);\\(\"$\"#,##0\\)"},
    {6, "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)"},
    {7, "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
    {8, "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/??"},
    {14, "m/d/yyyy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yyyy h:mm"},
    {37, "#,##0_);\\(#,##0\\)"},
    {38, "#,##0_);[Red]\\(#,##0\\)"},
    {39, "#,##0.00_);\\(#,##0.00\\)"},
    {40, "#,##0.00_);[Red]\\(#,##0.00\\)"},
    {41, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
    {42, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
    {43, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"},
    {44, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

} // namespace

QString builtInNumberFormat(int id)
{
    for (const auto& [number, code] : BuiltInFormats)
        if (number == id)
            return QString::fromLatin1(code);
    return {};
}

int builtInNumberFormatId(QStringView code)
{
    if (code.isEmpty() || code.compare(u"General", Qt::CaseInsensitive) == 0)
        return 0;
    for (const auto& [number, text] : BuiltInFormats)
        if (code == QLatin1StringView(text))
            return number;
    return -1;
}

namespace {

// The General text of value into text, which has room for any; returns its end.
char* writeGeneral(char* text, char* end, double value)
{
    // Negative zero shows as 0.
    char* stop = std::to_chars(text, end, value == 0.0 ? 0.0 : value).ptr;
    std::replace(text, stop, 'e', 'E');
    return stop;
}

} // namespace

QString generalText(double value)
{
    // Room for the plain digits of any double: 309 before the point, or 324 after it.
    char plain[400];
    const auto [end, error] = std::to_chars(plain, plain + sizeof plain, value, std::chars_format::fixed);
    if (error == std::errc()) {
        const QString text = QString::fromLatin1(plain, end - plain);
        if (const std::optional<double> number = generalNumber(text); number && *number == value)
            return text;
    }
    char text[32];
    return QString::fromLatin1(text, writeGeneral(text, text + sizeof text, value) - text);
}

std::optional<double> generalNumber(QStringView text)
{
    constexpr qsizetype MaxSignificantDigits = 15;
    const auto digitAt = [&](qsizetype i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
    const bool negative = text.startsWith(u'-');
    qsizetype at = negative ? 1 : 0;
    const qsizetype integer = at;
    while (digitAt(at))
        ++at;
    // A zero leads only a point: "0.5", never "007".
    if (at == integer || (text[integer] == u'0' && at - integer > 1))
        return std::nullopt;
    qsizetype end = at; // past the last digit the number keeps: trailing zeros of a fraction go
    if (at < text.size() && text[at] == u'.') {
        const qsizetype fraction = ++at;
        for (; digitAt(at); ++at)
            if (text[at] != u'0')
                end = at + 1;
        if (at == fraction)
            return std::nullopt;
    }
    if (at != text.size())
        return std::nullopt;
    // The significant digits: from the first that is not zero to the last kept.
    qsizetype significant = 0;
    for (const QChar c : text.sliced(integer, end - integer))
        significant += c != u'.' && (significant > 0 || c != u'0');
    // "-0" would lose its sign.
    if (significant > MaxSignificantDigits || (negative && significant == 0))
        return std::nullopt;
    const QByteArray ascii = text.first(end).toLatin1();
    double value = 0;
    const auto [stop, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || stop != ascii.data() + ascii.size() || !(value == 0 || std::isnormal(value)))
        return std::nullopt;
    return value;
}

} // namespace ss
