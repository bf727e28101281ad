#pragma once

// Compares workbook models the way a save and an open must keep them: a
// description of the first difference, or an empty text when they agree.

#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Sheet.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

namespace xlscompare {

inline QString describe(const ss::CellFormat& f)
{
    QStringList parts{f.font.name, QString::number(f.font.size), f.font.bold ? "bold" : "", f.font.italic ? "italic" : "",
                      QString("font colour %1").arg(f.font.colorIndex), QString("fill %1").arg(f.fillColorIndex),
                      QString("h%1 v%2 wrap%3").arg(int(f.horizontal)).arg(int(f.vertical)).arg(f.wrap),
                      f.numberFormat.isEmpty() ? "" : "number format " + f.numberFormat};
    for (const ss::BorderLine& b : f.borders)
        parts << QString("line %1/%2/%3").arg(int(b.style)).arg(int(b.weight)).arg(b.colorIndex);
    return parts.join(' ');
}

// The format an id stands for; NoFormat stays apart from every format.
inline QString formatText(const ss::Workbook& book, ss::FormatId id)
{
    return id == ss::NoFormat ? QStringLiteral("(inherits)") : describe(book.formats[id]);
}

// Whether two ids of two workbooks stand for the same format.
inline bool sameFormat(const ss::Workbook& a, ss::FormatId ia, const ss::Workbook& b, ss::FormatId ib)
{
    if (ia == ss::NoFormat || ib == ss::NoFormat)
        return ia == ib;
    return a.formats[ia] == b.formats[ib];
}

inline bool near(double a, double b) { return std::abs(a - b) < 1e-9; }

inline std::set<std::tuple<int, int, int, int>> realMerges(const ss::Sheet& s)
{
    std::set<std::tuple<int, int, int, int>> merges;
    for (const ss::Area& m : s.merges)
        if (!m.isSingleCell())
            merges.emplace(m.top, m.left, m.bottom, m.right);
    return merges;
}

inline QString printAreaOf(const ss::Sheet& s)
{
    return s.pageSetup.printArea.isEmpty() ? QString() : ss::addressText(ss::parseAddress(s.pageSetup.printArea));
}

inline QString comparePage(const ss::PageSetup& a, const ss::PageSetup& b)
{
    const double am[] = {a.leftMargin, a.rightMargin, a.topMargin, a.bottomMargin, a.headerMargin, a.footerMargin};
    const double bm[] = {b.leftMargin, b.rightMargin, b.topMargin, b.bottomMargin, b.headerMargin, b.footerMargin};
    for (int i = 0; i < 6; ++i)
        if (!near(am[i], bm[i]))
            return QString("margin %1: %2 vs %3").arg(i).arg(am[i]).arg(bm[i]);
    if (a.printComments != b.printComments || a.orientation != b.orientation || a.paperSize != b.paperSize
        || a.zoom != b.zoom || a.fitToPagesWide != b.fitToPagesWide || a.fitToPagesTall != b.fitToPagesTall)
        return QStringLiteral("page set-up differs");
    return {};
}

inline QString compareSheetCommon(const ss::Sheet& a, const ss::Sheet& b)
{
    if (a.name != b.name)
        return QString("sheet name %1 vs %2").arg(a.name, b.name);
    if (!near(a.standardWidth, b.standardWidth) || !near(a.defaultRowHeight, b.defaultRowHeight))
        return QString("standard sizes of %1").arg(a.name);
    if (realMerges(a) != realMerges(b))
        return QString("merges of %1").arg(a.name);
    if (printAreaOf(a) != printAreaOf(b))
        return QString("print area %1 vs %2").arg(a.pageSetup.printArea, b.pageSetup.printArea);
    if (const QString page = comparePage(a.pageSetup, b.pageSetup); !page.isEmpty())
        return a.name + ": " + page;
    if (a.activeRow != b.activeRow || a.activeColumn != b.activeColumn || a.selection != b.selection)
        return QString("selection of %1").arg(a.name);
    for (int c = 0; c < ss::MaxColumns; ++c)
        if (!near(a.columnWidth(c), b.columnWidth(c)) || a.columns[std::size_t(c)].width.has_value() != b.columns[std::size_t(c)].width.has_value())
            return QString("width of column %1: %2 vs %3").arg(ss::columnName(c)).arg(a.columnWidth(c)).arg(b.columnWidth(c));
    const int rows = int(std::max(a.rows.size(), b.rows.size()));
    for (int r = 0; r < rows; ++r) {
        const ss::Row* ra = a.row(r);
        const ss::Row* rb = b.row(r);
        const auto height = [](const ss::Row* row) { return row ? row->height : std::optional<double>(); };
        if (height(ra).has_value() != height(rb).has_value() || !near(a.rowHeight(r), b.rowHeight(r)))
            return QString("height of row %1: %2 vs %3").arg(r + 1).arg(a.rowHeight(r)).arg(b.rowHeight(r));
    }
    return {};
}

inline QString compareWorkbookCommon(const ss::Workbook& a, const ss::Workbook& b)
{
    if (a.colors != b.colors)
        return QStringLiteral("palettes differ");
    if (a.sheets.size() != b.sheets.size() || a.activeSheet != b.activeSheet)
        return QStringLiteral("sheets or active sheet differ");
    if (a.dates1904 != b.dates1904)
        return QStringLiteral("the date systems differ");
    for (std::size_t s = 0; s < a.sheets.size(); ++s)
        if (a.sheets[s]->visibility != b.sheets[s]->visibility)
            return QString("visibility of %1").arg(a.sheets[s]->name);
    return {};
}

// What shows: the same values, cells present where they were, the same
// formats in every cell, row and column, whatever level carries them.
inline QString compareEquivalent(const ss::Workbook& a, const ss::Workbook& b)
{
    if (QString d = compareWorkbookCommon(a, b); !d.isEmpty())
        return d;
    for (std::size_t s = 0; s < a.sheets.size(); ++s) {
        const ss::Sheet& sa = *a.sheets[s];
        const ss::Sheet& sb = *b.sheets[s];
        if (QString d = compareSheetCommon(sa, sb); !d.isEmpty())
            return d;
        // One row past the last stored row stands for all the rows below.
        const int rows = int(std::max(sa.rows.size(), sb.rows.size())) + 1;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < ss::MaxColumns; ++c) {
                const ss::Cell* ca = sa.cell(r, c);
                const ss::Cell* cb = sb.cell(r, c);
                const auto at = [&] { return ss::addressText(ss::Area::cell(r, c)); };
                if (bool(ca) != bool(cb) || (ca && ca->value != cb->value))
                    return QString("cell %1 of %2: value or presence differs").arg(at(), sa.name);
                const ss::FormatId fa = sa.effectiveFormat(r, c);
                const ss::FormatId fb = sb.effectiveFormat(r, c);
                if (!sameFormat(a, fa, b, fb))
                    return QString("format of %1 of %2: %3 vs %4").arg(at(), sa.name, formatText(a, fa), formatText(b, fb));
            }
    }
    return {};
}

// The same model: every level holds the same formats as well.
inline QString compareExact(const ss::Workbook& a, const ss::Workbook& b)
{
    if (QString d = compareEquivalent(a, b); !d.isEmpty())
        return d;
    for (std::size_t s = 0; s < a.sheets.size(); ++s) {
        const ss::Sheet& sa = *a.sheets[s];
        const ss::Sheet& sb = *b.sheets[s];
        if (!sameFormat(a, sa.defaultFormat, b, sb.defaultFormat))
            return QString("default format of %1").arg(sa.name);
        for (int c = 0; c < ss::MaxColumns; ++c)
            if (!sameFormat(a, sa.columns[std::size_t(c)].format, b, sb.columns[std::size_t(c)].format))
                return QString("format of column %1 of %2").arg(ss::columnName(c), sa.name);
        const int rows = int(std::max(sa.rows.size(), sb.rows.size()));
        for (int r = 0; r < rows; ++r) {
            const auto rowFormat = [](const ss::Sheet& sh, int row) { return sh.row(row) ? sh.row(row)->format : ss::NoFormat; };
            if (!sameFormat(a, rowFormat(sa, r), b, rowFormat(sb, r)))
                return QString("format of row %1 of %2").arg(r + 1).arg(sa.name);
            for (int c = 0; c < ss::MaxColumns; ++c) {
                const ss::Cell* ca = sa.cell(r, c);
                const ss::Cell* cb = sb.cell(r, c);
                if (ca && !sameFormat(a, ca->format, b, cb->format))
                    return QString("own format of %1").arg(ss::addressText(ss::Area::cell(r, c)));
            }
        }
    }
    return {};
}

} // namespace xlscompare
