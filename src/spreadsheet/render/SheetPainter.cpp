#include "spreadsheet/render/SheetPainter.h"

#include "spreadsheet/render/CellFonts.h"
#include "spreadsheet/render/GeneralNumber.h"

#include <QLocale>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace ss::render {

namespace {

// The light grey lines between cells that have no fill.
const QColor GridlineColor(212, 212, 212);

// Line thickness in pixels at 96 DPI, and the order in which a heavier
// line wins a shared edge.
int baseThickness(const BorderLine& line)
{
    if (line.style == LineStyle::Double)
        return 3;
    switch (line.weight) {
    case LineWeight::Hairline:
    case LineWeight::Thin: return 1;
    case LineWeight::Medium: return 2;
    case LineWeight::Thick: return 3;
    }
    return 1;
}

int rank(const BorderLine& line)
{
    if (!line.present())
        return 0;
    return line.weight == LineWeight::Hairline ? 1 : 1 + baseThickness(line);
}

// The line that shows on an edge two cells share: the heavier one, the
// first on a tie.
const BorderLine& heavier(const BorderLine& first, const BorderLine& second)
{
    return rank(second) > rank(first) ? second : first;
}

// Dashes along a line, in line units: pixels drawn, pixels left out.
struct Dashes {
    int on = 0;
    int off = 0;
};

Dashes dashesOf(const BorderLine& line)
{
    if (line.style == LineStyle::Dash)
        return {3, 1};
    if (line.style == LineStyle::Dot || line.weight == LineWeight::Hairline)
        return {1, 1};
    return {};
}

// Draws line over band, which runs along orientation; the gap of a double
// line shows background.
void drawBorderLine(RectRuns& painter, const QRect& band, Qt::Orientation along, const BorderLine& line,
                    const QColor& color, const QColor& background, int unit)
{
    if (line.style == LineStyle::Double) {
        const QRect first = along == Qt::Horizontal ? QRect(band.left(), band.top(), band.width(), unit)
                                                    : QRect(band.left(), band.top(), unit, band.height());
        const QPoint across =
            along == Qt::Horizontal ? QPoint(0, band.height() - unit) : QPoint(band.width() - unit, 0);
        painter.fill(band, background);
        painter.fill(first, color);
        painter.fill(first.translated(across), color);
        return;
    }
    const Dashes dashes = dashesOf(line);
    if (dashes.on == 0) {
        painter.fill(band, color);
        return;
    }
    const int length = along == Qt::Horizontal ? band.width() : band.height();
    for (int at = 0; at < length; at += (dashes.on + dashes.off) * unit) {
        const int piece = std::min(dashes.on * unit, length - at);
        painter.fill(along == Qt::Horizontal ? QRect(band.left() + at, band.top(), piece, band.height())
                                             : QRect(band.left(), band.top() + at, band.width(), piece),
                     color);
    }
}

// Where a line of the given thickness starts across the edge between cell
// i - 1 and cell i: on the grid line of cell i - 1, spreading into cell i
// as it grows, and kept inside the picture at its sides.
int linePosition(const std::vector<int>& edges, int i, int thickness)
{
    const int gridline = i == 0 ? 0 : edges[std::size_t(i)] - 1;
    return std::clamp(gridline - (thickness - 1) / 2, 0, std::max(0, edges.back() - thickness));
}

// The area a text may use in a cell rectangle: inside the margins, above
// the grid line.
QRectF textBox(const QRect& rect)
{
    return QRectF(rect.left() + TextMargin, rect.top(), rect.width() - CellPadding, rect.height() - 1);
}

// Inside the grid lines at the right and the bottom.
QRect clipBox(const QRect& rect) { return rect.adjusted(0, 0, -1, -1); }

qreal lineLeft(HAlign align, const QRectF& box, qreal width)
{
    switch (align) {
    case HAlign::Center: return box.left() + (box.width() - width) / 2;
    case HAlign::Right: return box.right() - width;
    case HAlign::General:
    case HAlign::Left: break;
    }
    return box.left();
}

// The offset from the top of box of a block of the given height.
qreal blockTop(VAlign align, const QRectF& box, qreal height)
{
    switch (align) {
    case VAlign::Top: return 0;
    case VAlign::Center: return (box.height() - height) / 2;
    case VAlign::Bottom: break;
    }
    return box.height() - height;
}

Qt::Alignment qtAlignment(HAlign align)
{
    switch (align) {
    case HAlign::Center: return Qt::AlignHCenter;
    case HAlign::Right: return Qt::AlignRight;
    case HAlign::General:
    case HAlign::Left: break;
    }
    return Qt::AlignLeft;
}

// General alignment puts numbers on the right and texts on the left.
HAlign effectiveAlign(HAlign align, bool number)
{
    if (align != HAlign::General)
        return align;
    return number ? HAlign::Right : HAlign::Left;
}

bool isBlank(const CellValue& value)
{
    const QString* text = std::get_if<QString>(&value);
    const CellError* error = std::get_if<CellError>(&value);
    return value.index() == 0 || (text && text->isEmpty()) || (error && *error == CellError::NotCalculated);
}

// TRUE, FALSE or an error's text.
QString truthOrErrorText(const CellValue& value)
{
    if (const bool* truth = std::get_if<bool>(&value))
        return *truth ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    return errorText(std::get<CellError>(value));
}

} // namespace

SheetPainter::SheetPainter(const Workbook& book, const Sheet& sheet, const Grid& grid, double dpi,
                           const QPaintDevice& measure, QPainter& painter, Gridlines gridlines)
    : m_book(book), m_sheet(sheet), m_grid(grid), m_scale(dpi / 96.0), m_decimalPoint(QLocale().decimalPoint().front()),
      m_measure(measure), m_painter(painter), m_gridlines(gridlines),
      m_formatIds(std::size_t(grid.rows()) * std::size_t(grid.columns())), m_mergeOf(m_formatIds.size(), -1),
      m_crossedRight(m_formatIds.size(), false)
{
    for (int r = 0; r < grid.rows(); ++r)
        for (int c = 0; c < grid.columns(); ++c)
            m_formatIds[index(r, c)] = sheet.effectiveFormat(grid.top + r, grid.left + c);
    collectMerges();
}

void SheetPainter::paint()
{
    m_painter.fillRect(QRect(0, 0, m_grid.width(), m_grid.height()), Qt::white);
    paintFills();
    paintTexts();
    if (m_gridlines == Gridlines::Shown)
        paintGridlines();
    paintBorders();
}

void SheetPainter::collectMerges()
{
    const Area shown{m_grid.top, m_grid.left, m_grid.top + m_grid.rows() - 1, m_grid.left + m_grid.columns() - 1};
    for (const Area& merge : m_sheet.merges) {
        const Area cells{std::max(merge.top, shown.top) - shown.top, std::max(merge.left, shown.left) - shown.left,
                         std::min(merge.bottom, shown.bottom) - shown.top,
                         std::min(merge.right, shown.right) - shown.left};
        if (merge.isSingleCell() || cells.rows() <= 0 || cells.columns() <= 0)
            continue;
        const int id = int(m_merges.size());
        m_merges.push_back(Merge{cells, merge.top, merge.left});
        for (int r = cells.top; r <= cells.bottom; ++r)
            for (int c = cells.left; c <= cells.right; ++c)
                m_mergeOf[index(r, c)] = id;
    }
}

const SheetPainter::Face& SheetPainter::face(FormatId id)
{
    auto found = m_faces.find(id);
    if (found == m_faces.end()) {
        const QFont font = screenFont(m_book.formats[id].font);
        found = m_faces.emplace(id, Face{font, QFontMetricsF(font, &m_measure)}).first;
    }
    return found->second;
}

const SheetPainter::Merge* SheetPainter::mergeAt(int r, int c) const
{
    const int id = m_mergeOf[index(r, c)];
    return id < 0 ? nullptr : &m_merges[std::size_t(id)];
}

bool SheetPainter::sameMerge(int r1, int c1, int r2, int c2) const
{
    if (!m_grid.contains(r1, c1) || !m_grid.contains(r2, c2))
        return false;
    const int id = m_mergeOf[index(r1, c1)];
    return id >= 0 && id == m_mergeOf[index(r2, c2)];
}

QColor SheetPainter::color(int index, const QColor& fallback) const { return paletteColor(m_book, index, fallback); }

QColor SheetPainter::fillAt(int r, int c) const
{
    if (const Merge* merge = mergeAt(r, c))
        return color(m_book.formats[m_sheet.effectiveFormat(merge->sheetRow, merge->sheetColumn)].fillColorIndex, {});
    return color(format(r, c).fillColorIndex, {});
}

bool SheetPainter::isFree(int r, int c) const
{
    if (!m_grid.contains(r, c) || mergeAt(r, c))
        return false;
    const Cell* cell = m_sheet.cell(m_grid.top + r, m_grid.left + c);
    return !cell || isBlank(cell->value);
}

// A fill covers the grid lines around its cells: its own at the right and
// the bottom, and those of unfilled neighbours at the left and the top.
void SheetPainter::paintFills()
{
    const auto paintFill = [&](const Area& cells) {
        const QColor fill = fillAt(cells.top, cells.left);
        if (!fill.isValid())
            return;
        const int left = cells.left > 0 && !filled(cells.top, cells.left - 1) ? 1 : 0;
        const int up = cells.top > 0 && !filled(cells.top - 1, cells.left) ? 1 : 0;
        m_runs.fill(m_grid.rect(cells).adjusted(-left, -up, 0, 0), fill);
    };
    for (int r = 0; r < m_grid.rows(); ++r)
        for (int c = 0; c < m_grid.columns(); ++c)
            if (!mergeAt(r, c))
                paintFill(Area::cell(r, c));
    for (const Merge& merge : m_merges)
        paintFill(merge.cells);
    m_runs.flush();
}

void SheetPainter::paintTexts()
{
    for (int r = 0; r < m_grid.rows(); ++r)
        for (int c = 0; c < m_grid.columns(); ++c) {
            if (mergeAt(r, c))
                continue;
            const int row = m_grid.top + r;
            const int column = m_grid.left + c;
            if (const Cell* cell = m_sheet.cell(row, column))
                paintValue(cell->value, m_formatIds[index(r, c)], Area::cell(r, c), true);
        }
    for (const Merge& merge : m_merges)
        if (const Cell* cell = m_sheet.cell(merge.sheetRow, merge.sheetColumn))
            paintValue(cell->value, m_sheet.effectiveFormat(merge.sheetRow, merge.sheetColumn), merge.cells, false);
}

void SheetPainter::paintValue(const CellValue& value, FormatId id, const Area& cells, bool mayRunOn)
{
    if (isBlank(value))
        return;
    const CellFormat& format = m_book.formats[id];
    const Face& shown = face(id);
    const QRect rect = m_grid.rect(cells);
    if (&shown != m_painterFace) {
        m_painter.setFont(shown.font);
        m_painterFace = &shown;
    }
    const QColor ink = color(format.font.colorIndex, Qt::black);
    if (m_painter.pen().color() != ink || m_painter.pen().style() != Qt::SolidLine)
        m_painter.setPen(ink);
    if (const double* number = std::get_if<double>(&value)) {
        paintNumber(*number, format, shown, rect);
    } else if (!std::holds_alternative<QString>(value)) {
        // TRUE, FALSE and errors stand in the middle of their cell unless
        // aligned otherwise.
        CellFormat centred = format;
        if (centred.horizontal == HAlign::General)
            centred.horizontal = HAlign::Center;
        paintLine(truthOrErrorText(value), centred, shown, cells, false);
    } else if (format.wrap)
        paintWrapped(std::get<QString>(value), format, shown, rect);
    else {
        paintLine(std::get<QString>(value), format, shown, cells, mayRunOn);
    }
}

// Numbers never run on into their neighbours: they show with fewer digits
// to fit their cell, and as "#" all across when even that fails.
void SheetPainter::paintNumber(double value, const CellFormat& format, const Face& face, const QRect& rect)
{
    const QRectF box = textBox(rect);
    QString text;
    qreal width = 0;
    for (int chars = GeneralMaxChars; chars > 0 && text.isEmpty(); --chars) {
        const QString candidate = generalNumberText(value, chars, m_decimalPoint);
        if (candidate.isEmpty())
            continue;
        width = face.metrics.horizontalAdvance(candidate);
        if (width <= box.width())
            text = candidate;
    }
    if (text.isEmpty()) {
        text = QString(int(box.width() / face.metrics.horizontalAdvance(QLatin1Char('#'))), QLatin1Char('#'));
        width = face.metrics.horizontalAdvance(text);
    }
    const qreal left = lineLeft(effectiveAlign(format.horizontal, true), box, width);
    drawLine(text, width, face, format.vertical, box, left, rect);
}

void SheetPainter::paintLine(const QString& text, const CellFormat& format, const Face& face, const Area& cells,
                             bool mayRunOn)
{
    // Without wrapping, line breaks do not show.
    QString line = text;
    line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    const QRect rect = m_grid.rect(cells);
    const QRectF box = textBox(rect);
    const qreal width = face.metrics.horizontalAdvance(line);
    const qreal left = lineLeft(effectiveAlign(format.horizontal, false), box, width);
    const Area span = mayRunOn ? runOn(cells.top, cells.left, left, width) : cells;
    drawLine(line, width, face, format.vertical, box, left, m_grid.rect(span));
}

// Whether the letters of line, drawn from x with the given advance, stay
// inside clip with a pixel to spare for their smoothed edges. Only for
// Latin-1 text, whose first and last letters are the first and last glyphs.
bool SheetPainter::insideClip(const QString& line, qreal width, const Face& face, const QPointF& at,
                              const QRect& clip) const
{
    if (line.isEmpty()
        || !std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x100; }))
        return false;
    const qreal left = at.x() + std::min<qreal>(0, face.metrics.leftBearing(line.front())) - 1;
    const qreal right = at.x() + width - std::min<qreal>(0, face.metrics.rightBearing(line.back())) + 1;
    return left >= clip.left() && right <= clip.right() + 1 && at.y() - face.metrics.ascent() - 1 >= clip.top()
        && at.y() + face.metrics.descent() + 1 <= clip.bottom() + 1;
}

void SheetPainter::drawLine(const QString& line, qreal width, const Face& face, VAlign align, const QRectF& box,
                            qreal left, const QRect& cells)
{
    const QPointF at(std::round(left), std::round(box.top() + blockTop(align, box, face.metrics.height()) + face.metrics.ascent()));
    // A line that the clip would not cut is drawn without one: on a printed
    // page each clip is a change of the graphics state, and costs.
    const QRect clip = clipBox(cells);
    if (insideClip(line, width, face, at, clip))
        m_painter.setClipping(false);
    else
        m_painter.setClipRect(clip);
    m_painter.drawText(at, line);
}

void SheetPainter::paintWrapped(const QString& text, const CellFormat& format, const Face& face, const QRect& rect)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    const QRectF box = textBox(rect);
    QTextOption option(qtAlignment(effectiveAlign(format.horizontal, false)));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(lines, face.font, const_cast<QPaintDevice*>(&m_measure));
    layout.setTextOption(option);
    const qreal lineHeight = std::round(face.metrics.height());
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, height));
        height += lineHeight;
    }
    layout.endLayout();
    m_painter.setClipRect(clipBox(rect));
    layout.draw(&m_painter, QPointF(box.left(), std::round(box.top() + blockTop(format.vertical, box, height))));
}

Area SheetPainter::runOn(int r, int c, qreal x, qreal width)
{
    Area span = Area::cell(r, c);
    while (x + width > m_grid.x[std::size_t(span.right) + 1] - TextMargin - 1 && isFree(r, span.right + 1))
        ++span.right;
    while (x < m_grid.x[std::size_t(span.left)] + TextMargin && isFree(r, span.left - 1))
        --span.left;
    for (int col = span.left; col < span.right; ++col)
        m_crossedRight[index(r, col)] = true;
    return span;
}

void SheetPainter::paintGridlines()
{
    m_painter.setClipping(false);
    const auto line = [&](int x, int y, int w, int h) { m_painter.fillRect(QRect(x, y, w, h), GridlineColor); };
    for (int r = 0; r < m_grid.rows(); ++r)
        for (int c = 0; c < m_grid.columns(); ++c) {
            if (filled(r, c))
                continue;
            const QRect cell = m_grid.cellRect(r, c);
            if (!filled(r, c + 1) && !m_crossedRight[index(r, c)] && !sameMerge(r, c, r, c + 1))
                line(cell.right(), cell.top(), 1, cell.height());
            if (!filled(r + 1, c) && !sameMerge(r, c, r + 1, c))
                line(cell.left(), cell.bottom(), cell.width(), 1);
            if (c == 0)
                line(cell.left(), cell.top(), 1, cell.height());
            if (r == 0)
                line(cell.left(), cell.top(), cell.width(), 1);
        }
}

void SheetPainter::paintBorders()
{
    m_painter.setClipping(false);
    // Down each column edge, then along each row edge, so that the pieces
    // of one line come one after the other and join. Pieces of one edge
    // never overlap, and where two edges meet (a hidden column) the later
    // edge is still drawn last.
    for (int i = 0; i <= m_grid.columns(); ++i)
        for (int r = 0; r < m_grid.rows(); ++r)
            drawBorder(edgeLine(r, i - 1, EdgeRight, r, i, EdgeLeft), Qt::Vertical, i, r);
    for (int j = 0; j <= m_grid.rows(); ++j)
        for (int c = 0; c < m_grid.columns(); ++c)
            drawBorder(edgeLine(j - 1, c, EdgeBottom, j, c, EdgeTop), Qt::Horizontal, j, c);
    m_runs.flush();
}

const BorderLine& SheetPainter::edgeLine(int r1, int c1, Edge edge1, int r2, int c2, Edge edge2) const
{
    static const BorderLine none;
    const bool first = m_grid.contains(r1, c1);
    const bool second = m_grid.contains(r2, c2);
    if (first && sameMerge(r1, c1, r2, c2))
        return none;
    return heavier(first ? format(r1, c1).borders[edge1] : none, second ? format(r2, c2).borders[edge2] : none);
}

void SheetPainter::drawBorder(const BorderLine& line, Qt::Orientation along, int edge, int cell)
{
    if (!line.present())
        return;
    const int unit = std::max(1, int(std::lround(m_scale)));
    const int thickness = std::max(1, int(std::lround(baseThickness(line) * m_scale)));
    const auto at = std::size_t(cell);
    const QRect band = along == Qt::Vertical
        ? QRect(linePosition(m_grid.x, edge, thickness), m_grid.y[at], thickness, m_grid.y[at + 1] - m_grid.y[at])
        : QRect(m_grid.x[at], linePosition(m_grid.y, edge, thickness), m_grid.x[at + 1] - m_grid.x[at], thickness);
    const int r = along == Qt::Vertical ? cell : std::min(edge, m_grid.rows() - 1);
    const int c = along == Qt::Vertical ? std::min(edge, m_grid.columns() - 1) : cell;
    const QColor fill = fillAt(r, c);
    drawBorderLine(m_runs, band, along, line, color(line.colorIndex, Qt::black),
                   fill.isValid() ? fill : QColor(Qt::white), unit);
}

void RectRuns::fill(const QRect& rect, const QColor& color)
{
    if (!m_rect.isEmpty() && color == m_color) {
        const bool beside = rect.top() == m_rect.top() && rect.height() == m_rect.height()
            && rect.left() == m_rect.right() + 1;
        const bool below = rect.left() == m_rect.left() && rect.width() == m_rect.width()
            && rect.top() == m_rect.bottom() + 1;
        if (beside || below) {
            m_rect |= rect;
            return;
        }
    }
    flush();
    m_rect = rect;
    m_color = color;
}

void RectRuns::flush()
{
    if (!m_rect.isEmpty())
        m_painter.fillRect(m_rect, m_color);
    m_rect = QRect();
}

} // namespace ss::render
