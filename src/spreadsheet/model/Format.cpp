#include "spreadsheet/model/Format.h"

#include <QHash>

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

} // namespace ss
