// What a sheet may hold to be written as BIFF8, checked before a byte is
// written.
#include "spreadsheet/xls/SheetCheck.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/xls/Records.h"

#include "automation/Error.h"

#include <cmath>

namespace ss::xls {

namespace {

constexpr qsizetype MaxCellText = 32767;

[[noreturn]] void refuse(const Sheet& sheet, const QString& what)
{
    throw quorvale::AutomationError(QStringLiteral("Sheet \"%1\": %2").arg(sheet.name, what));
}

bool inSheet(const Area& a)
{
    return a.top >= 0 && a.left >= 0 && a.top <= a.bottom && a.left <= a.right && a.bottom < MaxRows
           && a.right < MaxColumns;
}

void checkName(const Sheet& sheet)
{
    if (sheetNameFault(sheet.name))
        refuse(sheet, QStringLiteral("a sheet name has 1 to %1 characters, none of []:*?/\\ and no apostrophe at "
                                     "either end")
                          .arg(MaxSheetName));
}

void checkCells(const Sheet& sheet)
{
    if (sheet.rows.size() > std::size_t(MaxRows))
        refuse(sheet, QStringLiteral("more than %1 rows").arg(MaxRows));
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        const Row& row = sheet.rows[r];
        if (row.cells.size() > std::size_t(MaxColumns))
            refuse(sheet, QStringLiteral("row %1 has more than %2 columns").arg(r + 1).arg(MaxColumns));
        if (row.height && !(*row.height >= 0 && *row.height <= MaxStoredRowHeight))
            refuse(sheet, QStringLiteral("row %1 is %2 points high, outside 0 to %3")
                              .arg(r + 1)
                              .arg(*row.height)
                              .arg(MaxStoredRowHeight));
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const CellValue& value = row.cells[c].value;
            const auto at = [&] { return addressText(Area::cell(int(r), int(c))); };
            if (const QString* text = std::get_if<QString>(&value); text && text->size() > MaxCellText)
                refuse(sheet, QStringLiteral("cell %1 holds %2 characters, more than a cell keeps (32,767)")
                                  .arg(at())
                                  .arg(text->size()));
            if (const double* number = std::get_if<double>(&value); number && !std::isfinite(*number))
                refuse(sheet, QStringLiteral("cell %1 holds a number that is not finite").arg(at()));
        }
    }
}

void checkGeometry(const Sheet& sheet)
{
    for (int c = 0; c < MaxColumns; ++c) {
        const auto& width = sheet.columns[std::size_t(c)].width;
        if (width && !(*width >= 0 && *width <= MaxColumnWidth))
            refuse(sheet, QStringLiteral("column %1 is %2 characters wide, outside 0 to %3")
                              .arg(columnName(c))
                              .arg(*width)
                              .arg(MaxColumnWidth));
    }
    if (!(sheet.standardWidth >= 0 && sheet.standardWidth <= MaxColumnWidth))
        refuse(sheet, QStringLiteral("the standard column width %1 is outside 0 to %2")
                          .arg(sheet.standardWidth)
                          .arg(MaxColumnWidth));
    if (!(sheet.defaultRowHeight >= 0 && sheet.defaultRowHeight <= MaxStoredRowHeight))
        refuse(sheet, QStringLiteral("the standard row height %1 is outside 0 to %2")
                          .arg(sheet.defaultRowHeight)
                          .arg(MaxStoredRowHeight));
    for (const Area& merge : sheet.merges)
        if (!inSheet(merge))
            refuse(sheet, QStringLiteral("a merged range lies outside the sheet"));
    if (!inSheet(sheet.selection) || !inSheet(Area::cell(sheet.activeRow, sheet.activeColumn)))
        refuse(sheet, QStringLiteral("the selection or the active cell lies outside the sheet"));
}

void checkPageSetup(const Sheet& sheet)
{
    const PageSetup& page = sheet.pageSetup;
    for (const double margin : {page.leftMargin, page.rightMargin, page.topMargin, page.bottomMargin,
                                page.headerMargin, page.footerMargin})
        if (!(margin >= 0 && margin <= PointsPerInch * MaxStoredMargin))
            refuse(sheet, QStringLiteral("a page margin of %1 points is outside 0 to %2 inches")
                              .arg(margin)
                              .arg(MaxStoredMargin));
    if (page.zoom && (*page.zoom < MinZoom || *page.zoom > MaxZoom))
        refuse(sheet,
               QStringLiteral("the print zoom %1% is outside %2% to %3%").arg(*page.zoom).arg(MinZoom).arg(MaxZoom));
    const auto pagesInRange = [](int pages) { return pages >= 0 && pages <= MaxFitToPages; };
    if (!pagesInRange(page.fitToPagesWide) || !pagesInRange(page.fitToPagesTall))
        refuse(sheet, QStringLiteral("the pages to fit to are outside 0 to 32,767"));
    if (page.paperSize < 0 || page.paperSize > 0xFFFF)
        refuse(sheet, QStringLiteral("paper size %1 does not exist").arg(page.paperSize));
    if (!page.printArea.isEmpty()) {
        try {
            parseAddress(page.printArea);
        } catch (const quorvale::AutomationError&) {
            refuse(sheet, QStringLiteral("the print area \"%1\" is not a range address").arg(page.printArea));
        }
    }
}

} // namespace

void checkSheet(const Sheet& sheet)
{
    checkName(sheet);
    checkCells(sheet);
    checkGeometry(sheet);
    checkPageSetup(sheet);
}

} // namespace ss::xls
