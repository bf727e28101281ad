#include "spreadsheet/model/Sheet.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace ss {

namespace {

constexpr std::pair<CellError, const char16_t*> ErrorTexts[] = {
    {CellError::Null, u"#NULL!"},  {CellError::Div0, u"#DIV/0!"}, {CellError::Value, u"#VALUE!"},
    {CellError::Ref, u"#REF!"},    {CellError::Name, u"#NAME?"},  {CellError::Num, u"#NUM!"},
    {CellError::NA, u"#N/A"},      {CellError::GettingData, u"#GETTING_DATA"},
};

} // namespace

QString errorText(CellError error)
{
    for (const auto& [code, text] : ErrorTexts)
        if (code == error)
            return QString::fromUtf16(text);
    return {};
}

std::optional<CellError> errorOfText(QStringView text)
{
    for (const auto& [code, known] : ErrorTexts)
        if (text.compare(QStringView(known), Qt::CaseInsensitive) == 0)
            return code;
    return std::nullopt;
}

std::optional<CellError> errorOfCode(std::uint8_t code)
{
    for (const auto& [error, text] : ErrorTexts)
        if (std::uint8_t(error) == code)
            return error;
    return std::nullopt;
}

// A format change as applyFormat makes it: the new format of each old one
// is worked out once, however many cells share the old one.
class FormatChange {
public:
    FormatChange(const std::function<void(CellFormat&)>& change, const ChangeKey& key, FormatTable& formats,
                 RecentChanges& recent)
        : m_change(change), m_key(key), m_formats(formats), m_recent(recent)
    {}

    FormatId operator()(FormatId from)
    {
        // The formats of a range come in a few kinds that take turns (plain
        // and shaded rows, the first column and the others), so the latest
        // few are looked at before all the others.
        for (const auto& [was, to] : m_latest)
            if (was == from)
                return to;
        const auto known = m_seen.empty() ? m_seen.end() : m_seen.find(from);
        const FormatId to = known != m_seen.end() ? known->second : make(from);
        remember(from, to);
        return to;
    }

private:
    FormatId make(FormatId from)
    {
        if (!m_key.empty())
            if (const std::optional<FormatId> made = m_recent.find(m_key, from))
                return *made;
        CellFormat f = m_formats[from];
        m_change(f);
        if (m_key.empty())
            if (const std::optional<FormatId> made = m_recent.find(from, f, m_formats))
                return *made;
        const FormatId to = m_formats.intern(f);
        m_recent.add(m_key, from, to);
        return to;
    }

    // Only a change that has left the latest few goes into the map, so a
    // change of a few formats allocates nothing.
    void remember(FormatId from, FormatId to)
    {
        std::pair<FormatId, FormatId>& slot = m_latest[m_next];
        if (slot.first != NoFormat)
            m_seen.try_emplace(slot.first, slot.second);
        slot = {from, to};
        m_next = (m_next + 1) % m_latest.size();
    }

    const std::function<void(CellFormat&)>& m_change;
    const ChangeKey& m_key;
    FormatTable& m_formats;
    RecentChanges& m_recent;
    std::array<std::pair<FormatId, FormatId>, 4> m_latest{{{NoFormat, NoFormat}, {NoFormat, NoFormat},
                                                           {NoFormat, NoFormat}, {NoFormat, NoFormat}}};
    std::size_t m_next = 0;
    std::unordered_map<FormatId, FormatId> m_seen;
};

namespace {

bool overlaps(const Area& a, const Area& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

Area boundingBox(const Area& a, const Area& b)
{
    return Area{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
                std::max(a.right, b.right)};
}

// area grown by every merged range it overlaps, until none sticks out.
Area mergedExtent(const std::vector<Area>& merges, Area area)
{
    for (bool grown = true; grown;) {
        grown = false;
        for (const Area& m : merges)
            if (overlaps(m, area) && boundingBox(m, area) != area) {
                area = boundingBox(m, area);
                grown = true;
            }
    }
    return area;
}

// Calls visit with every stored cell of area except its top-left one.
template <class Rows, class Visit>
void forCellsAfterFirst(Rows& rows, const Area& area, Visit visit)
{
    const int lastRow = std::min(area.bottom, int(rows.size()) - 1);
    for (int r = area.top; r <= lastRow; ++r) {
        auto& cells = rows[std::size_t(r)].cells;
        const int last = std::min(area.right, int(cells.size()) - 1);
        for (int c = area.left; c <= last; ++c)
            if (r != area.top || c != area.left)
                visit(cells[std::size_t(c)]);
    }
}

} // namespace

std::optional<EdgeCells> edgeCells(const Area& a, RangeEdge edge)
{
    switch (edge) {
    case RangeEdge::Left: return EdgeCells{Area{a.top, a.left, a.bottom, a.left}, EdgeLeft};
    case RangeEdge::Top: return EdgeCells{Area{a.top, a.left, a.top, a.right}, EdgeTop};
    case RangeEdge::Bottom: return EdgeCells{Area{a.bottom, a.left, a.bottom, a.right}, EdgeBottom};
    case RangeEdge::Right: return EdgeCells{Area{a.top, a.right, a.bottom, a.right}, EdgeRight};
    case RangeEdge::InsideVertical:
        if (a.columns() < 2)
            return std::nullopt;
        return EdgeCells{Area{a.top, a.left, a.bottom, a.right - 1}, EdgeRight};
    case RangeEdge::InsideHorizontal:
        if (a.rows() < 2)
            return std::nullopt;
        return EdgeCells{Area{a.top, a.left, a.bottom - 1, a.right}, EdgeBottom};
    }
    return std::nullopt;
}

std::optional<FormatId> RecentChanges::find(const ChangeKey& key, FormatId from) const
{
    for (const Made& made : m_made)
        if (made.from == from && made.key == key)
            return made.to;
    return std::nullopt;
}

std::optional<FormatId> RecentChanges::find(FormatId from, const CellFormat& made, const FormatTable& formats) const
{
    for (const Made& m : m_made)
        if (m.from == from && m.to < formats.size() && formats[m.to] == made)
            return m.to;
    return std::nullopt;
}

void RecentChanges::add(const ChangeKey& key, FormatId from, FormatId to)
{
    m_made[m_next] = Made{key, from, to};
    m_next = (m_next + 1) % m_made.size();
}

FormatId Sheet::effectiveFormat(int row, int col) const
{
    if (const Row* r = this->row(row))
        return formatIn(*r, col);
    return lineFormat(NoFormat, col);
}

FormatId Sheet::formatIn(const Row& row, int col) const
{
    if (col < int(row.cells.size()) && row.cells[std::size_t(col)].format != NoFormat)
        return row.cells[std::size_t(col)].format;
    return lineFormat(row.format, col);
}

FormatId Sheet::lineFormat(FormatId rowFormat, int col) const
{
    if (rowFormat != NoFormat)
        return rowFormat;
    if (columns[std::size_t(col)].format != NoFormat)
        return columns[std::size_t(col)].format;
    return defaultFormat;
}

const Cell* Sheet::cell(int row, int col) const
{
    const Row* r = this->row(row);
    if (!r || col < 0 || col >= int(r->cells.size()))
        return nullptr;
    const Cell& c = r->cells[std::size_t(col)];
    return c.present() ? &c : nullptr;
}

Row& Sheet::rowAt(int row)
{
    if (row >= int(rows.size()))
        rows.resize(std::size_t(row) + 1);
    return rows[std::size_t(row)];
}

Cell& Sheet::cellAt(int row, int col)
{
    Row& r = rowAt(row);
    if (col >= int(r.cells.size()))
        widen(row, col + 1);
    return r.cells[std::size_t(col)];
}

// A row that gets its first cells is given room for as many as the row
// above has: the rows of a table are alike, and one allocation then serves
// where the row would otherwise grow its cells time and again.
void Sheet::widen(int row, int width)
{
    std::vector<Cell>& cells = rows[std::size_t(row)].cells;
    if (cells.capacity() == 0 && row > 0)
        cells.reserve(std::max(std::size_t(width), rows[std::size_t(row) - 1].cells.size()));
    m_storedCells += std::size_t(width) - cells.size();
    cells.resize(std::size_t(width));
}

double Sheet::columnWidth(int col) const { return columns[std::size_t(col)].width.value_or(standardWidth); }

double Sheet::rowHeight(int row) const
{
    const Row* r = this->row(row);
    return r && r->height ? *r->height : defaultRowHeight;
}

void Sheet::applyFormat(const Area& area, const std::function<void(CellFormat&)>& change, FormatTable& formats,
                        const ChangeKey& key)
{
    FormatChange changed(change, key, formats, m_recentChanges);
    if (area.wholeColumns())
        changeWholeColumns(area, changed);
    else if (area.wholeRows())
        changeWholeRows(area, changed);
    else
        changeCells(area, changed);
}

// Cells that already carry a format of their own, and the cells where a new
// row or column format would hide the other level's format, get the change
// on their own format. Each cell is changed once.
void Sheet::changeWholeColumns(const Area& area, FormatChange& changed)
{
    const bool allColumns = area.wholeRows();
    for (int r = 0; r < int(rows.size()); ++r) {
        Row& row = rows[std::size_t(r)];
        const bool rowFormatted = row.format != NoFormat && !allColumns;
        const int last = std::min(area.right, rowFormatted ? area.right : int(row.cells.size()) - 1);
        for (int c = area.left; c <= last; ++c) {
            if (rowFormatted || row.cells[std::size_t(c)].format != NoFormat) {
                const FormatId f = changed(effectiveFormat(r, c));
                cellAt(r, c).format = f;
            }
        }
        if (allColumns && row.format != NoFormat)
            row.format = changed(row.format);
    }
    if (allColumns) {
        defaultFormat = changed(defaultFormat);
        for (Column& col : columns)
            if (col.format != NoFormat)
                col.format = changed(col.format);
    } else {
        for (int c = area.left; c <= area.right; ++c) {
            Column& col = columns[std::size_t(c)];
            col.format = changed(col.format != NoFormat ? col.format : defaultFormat);
        }
    }
}

void Sheet::changeWholeRows(const Area& area, FormatChange& changed)
{
    // Past its stored cells and the last formatted column, a row shows its
    // own format.
    int columnsFormatted = 0;
    for (int c = 0; c < MaxColumns; ++c)
        if (columns[std::size_t(c)].format != NoFormat)
            columnsFormatted = c + 1;
    for (int r = area.top; r <= area.bottom; ++r) {
        Row& row = rowAt(r);
        const int last = std::max(int(row.cells.size()), columnsFormatted);
        for (int c = 0; c < last; ++c) {
            const bool own = c < int(row.cells.size()) && row.cells[std::size_t(c)].format != NoFormat;
            if (own || columns[std::size_t(c)].format != NoFormat) {
                const FormatId f = changed(effectiveFormat(r, c));
                cellAt(r, c).format = f;
            }
        }
        Row& again = rowAt(r);
        again.format = changed(again.format != NoFormat ? again.format : defaultFormat);
    }
}

void Sheet::changeCells(const Area& area, FormatChange& changed)
{
    for (int r = area.top; r <= area.bottom; ++r) {
        Row& row = rowAt(r);
        if (area.right >= int(row.cells.size()))
            widen(r, area.right + 1);
        for (int c = area.left; c <= area.right; ++c)
            row.cells[std::size_t(c)].format = changed(formatIn(row, c));
    }
}

void Sheet::applyBorder(const Area& area, RangeEdge edge, const std::function<void(BorderLine&)>& change,
                        FormatTable& formats)
{
    const std::optional<EdgeCells> along = edgeCells(area, edge);
    if (!along)
        return;
    applyFormat(along->cells, [&](CellFormat& f) { change(f.borders[along->side]); }, formats);
    // The cells on the other side of an inside line carry it too.
    if (edge == RangeEdge::InsideVertical)
        applyFormat(Area{area.top, area.left + 1, area.bottom, area.right},
                    [&](CellFormat& f) { change(f.borders[EdgeLeft]); }, formats);
    else if (edge == RangeEdge::InsideHorizontal)
        applyFormat(Area{area.top + 1, area.left, area.bottom, area.right},
                    [&](CellFormat& f) { change(f.borders[EdgeTop]); }, formats);
}

void Sheet::visitFormats(const Area& area, const std::function<bool(FormatId)>& visit) const
{
    const int lastStored = std::min(area.bottom, int(rows.size()) - 1);
    for (int r = area.top; r <= lastStored; ++r)
        for (int c = area.left; c <= area.right; ++c)
            if (!visit(effectiveFormat(r, c)))
                return;
    // Rows that were never stored show the column formats.
    if (area.bottom > lastStored)
        for (int c = area.left; c <= area.right; ++c) {
            const FormatId f = columns[std::size_t(c)].format;
            if (!visit(f != NoFormat ? f : defaultFormat))
                return;
        }
}

void Sheet::clear(const Area& area)
{
    const bool allRows = area.wholeColumns();
    const bool allColumns = area.wholeRows();
    const int lastRow = std::min(area.bottom, int(rows.size()) - 1);
    for (int r = area.top; r <= lastRow; ++r) {
        Row& row = rows[std::size_t(r)];
        const int last = std::min(area.right, int(row.cells.size()) - 1);
        for (int c = area.left; c <= last; ++c)
            row.cells[std::size_t(c)] = Cell{};
        if (allColumns)
            row.format = NoFormat;
    }
    if (allRows) {
        for (int c = area.left; c <= area.right; ++c)
            columns[std::size_t(c)].format = NoFormat;
        if (allColumns)
            defaultFormat = DefaultFormat;
    }
    std::erase_if(merges, [&](const Area& m) {
        return m.top >= area.top && m.bottom <= area.bottom && m.left >= area.left && m.right <= area.right;
    });
}

bool Sheet::mergeDiscardsValues(const Area& area) const
{
    bool discards = false;
    forCellsAfterFirst(rows, mergedExtent(merges, area), [&](const Cell& c) { discards |= c.hasValue(); });
    return discards;
}

Area Sheet::merge(const Area& area)
{
    if (area.isSingleCell())
        return area;
    const Area target = mergedExtent(merges, area);
    forCellsAfterFirst(rows, target, [](Cell& c) { c.value = std::monostate{}; });
    std::erase_if(merges, [&](const Area& m) { return overlaps(m, target); });
    merges.push_back(target);
    return target;
}

const Area* Sheet::mergeAt(int row, int col) const
{
    for (const Area& m : merges)
        if (m.contains(row, col))
            return &m;
    return nullptr;
}

std::optional<Area> Sheet::usedArea() const
{
    std::optional<Area> used;
    const auto include = [&](int r, int c) {
        if (!used)
            used = Area::cell(r, c);
        else {
            used->top = std::min(used->top, r);
            used->bottom = std::max(used->bottom, r);
            used->left = std::min(used->left, c);
            used->right = std::max(used->right, c);
        }
    };
    // A row counts with its first and its last present cell.
    const auto present = [](const Cell& c) { return c.present(); };
    for (int r = 0; r < int(rows.size()); ++r) {
        const std::vector<Cell>& cells = rows[std::size_t(r)].cells;
        const auto first = std::find_if(cells.begin(), cells.end(), present);
        if (first == cells.end())
            continue;
        const auto last = std::find_if(cells.rbegin(), cells.rend(), present);
        include(r, int(first - cells.begin()));
        include(r, int(cells.rend() - last) - 1);
    }
    return used;
}

Workbook::Workbook() : colors(defaultColors()) {}

const std::array<std::int32_t, PaletteSize>& Workbook::defaultColors()
{
    // The standard 56 colours of a new workbook.
    static constexpr auto rgb = [](int r, int g, int b) { return std::int32_t(r + 256 * g + 65536 * b); };
    static const std::array<std::int32_t, PaletteSize> palette = {
        rgb(0, 0, 0),       rgb(255, 255, 255), rgb(255, 0, 0),     rgb(0, 255, 0),     rgb(0, 0, 255),
        rgb(255, 255, 0),   rgb(255, 0, 255),   rgb(0, 255, 255),   rgb(128, 0, 0),     rgb(0, 128, 0),
        rgb(0, 0, 128),     rgb(128, 128, 0),   rgb(128, 0, 128),   rgb(0, 128, 128),   rgb(192, 192, 192),
        rgb(128, 128, 128), rgb(153, 153, 255), rgb(153, 51, 102),  rgb(255, 255, 204), rgb(204, 255, 255),
        rgb(102, 0, 102),   rgb(255, 128, 128), rgb(0, 102, 204),   rgb(204, 204, 255), rgb(0, 0, 128),
        rgb(255, 0, 255),   rgb(255, 255, 0),   rgb(0, 255, 255),   rgb(128, 0, 128),   rgb(128, 0, 0),
        rgb(0, 128, 128),   rgb(0, 0, 255),     rgb(0, 204, 255),   rgb(204, 255, 255), rgb(204, 255, 204),
        rgb(255, 255, 153), rgb(153, 204, 255), rgb(255, 153, 204), rgb(204, 153, 255), rgb(255, 204, 153),
        rgb(51, 102, 255),  rgb(51, 204, 204),  rgb(153, 204, 0),   rgb(255, 204, 0),   rgb(255, 153, 0),
        rgb(255, 102, 0),   rgb(102, 102, 153), rgb(150, 150, 150), rgb(0, 51, 102),    rgb(51, 153, 102),
        rgb(0, 51, 0),      rgb(51, 51, 0),     rgb(153, 51, 0),    rgb(153, 51, 102),  rgb(51, 51, 153),
        rgb(51, 51, 51),
    };
    return palette;
}

int Workbook::firstVisibleSheet() const
{
    const auto shown = std::find_if(sheets.begin(), sheets.end(),
                                    [](const auto& s) { return s->visibility == SheetVisibility::Visible; });
    return shown == sheets.end() ? 0 : int(shown - sheets.begin());
}

Sheet& Workbook::addSheet(const QString& name)
{
    sheets.push_back(std::make_unique<Sheet>());
    sheets.back()->name = name;
    return *sheets.back();
}

} // namespace ss
