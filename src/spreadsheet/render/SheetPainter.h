#pragma once

#include "spreadsheet/model/Sheet.h"
#include "spreadsheet/render/Geometry.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <unordered_map>
#include <vector>

namespace ss::render {

// Fills rectangles through a painter, joining each with the next when they
// meet side by side or one below the other in the same colour: the cells of
// a row shaded alike, or a border along a column, become one rectangle. The
// pixels are those of filling them one by one, in the order given; a
// printed page gets far fewer drawing operations.
class RectRuns {
public:
    explicit RectRuns(QPainter& painter) : m_painter(painter) {}
    ~RectRuns() { flush(); }
    RectRuns(const RectRuns&) = delete;
    RectRuns& operator=(const RectRuns&) = delete;

    void fill(const QRect& rect, const QColor& color);
    // Fills what is pending.
    void flush();

private:
    QPainter& m_painter;
    QRect m_rect;
    QColor m_color;
};

// Paints the cells of a grid through painter, in the order a spreadsheet
// draws them: fills, texts, grid lines, borders. The grid's pixels are
// those of painter's user space; texts are measured on measure, a device of
// the grid's DPI. A picture on screen shows the grid lines, a printed page
// does not.
class SheetPainter {
public:
    enum class Gridlines : std::uint8_t { Shown, Hidden };

    SheetPainter(const Workbook& book, const Sheet& sheet, const Grid& grid, double dpi, const QPaintDevice& measure,
                 QPainter& painter, Gridlines gridlines = Gridlines::Shown);

    void paint();

private:
    struct Face {
        QFont font;
        QFontMetricsF metrics;
    };
    // A merged range as far as the grid shows it, in grid cells.
    struct Merge {
        Area cells;
        int sheetRow = 0; // its top left cell, which holds its value and format
        int sheetColumn = 0;
    };

    void collectMerges();
    void paintFills();
    void paintTexts();
    void paintGridlines();
    void paintBorders();

    void paintValue(const CellValue& value, FormatId id, const Area& cells, bool mayRunOn);
    void paintNumber(double value, const CellFormat& format, const Face& face, const QRect& rect);
    void paintLine(const QString& text, const CellFormat& format, const Face& face, const Area& cells, bool mayRunOn);
    // Draws one line from left in box, placed down by align and clipped to
    // the cells' rectangle.
    void drawLine(const QString& line, qreal width, const Face& face, VAlign align, const QRectF& box, qreal left,
                  const QRect& cells);
    bool insideClip(const QString& line, qreal width, const Face& face, const QPointF& at, const QRect& clip) const;
    void paintWrapped(const QString& text, const CellFormat& format, const Face& face, const QRect& rect);
    // The cells that an unwrapped line from x to x + width in cell (r, c)
    // runs on into, and marks the grid lines it crosses.
    Area runOn(int r, int c, qreal x, qreal width);
    // The line on the edge that cell (r1, c1) has on its side edge1 and
    // cell (r2, c2) on its side edge2; either cell may lie outside the grid.
    const BorderLine& edgeLine(int r1, int c1, Edge edge1, int r2, int c2, Edge edge2) const;
    // Draws line along a column (Qt::Vertical) or a row of cells: on the
    // edge before column or row number edge, beside row or column cell.
    void drawBorder(const BorderLine& line, Qt::Orientation along, int edge, int cell);

    std::size_t index(int r, int c) const { return std::size_t(r) * std::size_t(m_grid.columns()) + std::size_t(c); }
    const Face& face(FormatId id);
    const CellFormat& format(int r, int c) const { return m_book.formats[m_formatIds[index(r, c)]]; }
    const Merge* mergeAt(int r, int c) const;
    // Both cells lie in the grid and in the same merged range.
    bool sameMerge(int r1, int c1, int r2, int c2) const;
    // The fill of a cell, a merged cell filling as its top left cell; an
    // invalid colour when it has none.
    QColor fillAt(int r, int c) const;
    bool filled(int r, int c) const { return m_grid.contains(r, c) && fillAt(r, c).isValid(); }
    // A cell of the grid that a text may run on into.
    bool isFree(int r, int c) const;
    QColor color(int index, const QColor& fallback) const;

    const Workbook& m_book;
    const Sheet& m_sheet;
    const Grid& m_grid;
    double m_scale; // device pixels per pixel at 96 DPI
    QChar m_decimalPoint; // of the user's number format
    const QPaintDevice& m_measure;
    QPainter& m_painter;
    RectRuns m_runs{m_painter};
    Gridlines m_gridlines;
    std::vector<FormatId> m_formatIds;
    std::vector<Merge> m_merges;
    std::vector<int> m_mergeOf;         // per cell: index into m_merges, or -1
    std::vector<bool> m_crossedRight;   // per cell: a text crosses its right grid line
    std::unordered_map<FormatId, Face> m_faces;
    const Face* m_painterFace = nullptr; // the face the painter is set to
};

} // namespace ss::render
