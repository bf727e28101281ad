#include "spreadsheet/model/Format.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

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
    char text[32];
    return QString::fromLatin1(text, writeGeneral(text, text + sizeof text, value) - text);
}

std::optional<double> generalNumber(QStringView text)
{
    // Longer texts have more digits than a number keeps.
    constexpr qsizetype longest = 24;
    if (text.isEmpty() || text.size() > longest)
        return std::nullopt;
    char ascii[longest];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!((c >= u'0' && c <= u'9') || c == u'-' || c == u'.'))
            return std::nullopt;
        ascii[i] = char(c);
    }
    const std::string_view typed(ascii, std::size_t(text.size()));
    double value = 0;
    const auto [stop, error] = std::from_chars(typed.data(), typed.data() + typed.size(), value);
    if (error != std::errc() || stop != typed.data() + typed.size() || !std::isfinite(value))
        return std::nullopt;
    char shown[32];
    if (std::string_view(shown, std::size_t(writeGeneral(shown, shown + sizeof shown, value) - shown)) != typed)
        return std::nullopt;
    return value;
}

} // namespace ss
