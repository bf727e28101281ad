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
