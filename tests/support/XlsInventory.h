#pragma once

// The inventory workbook as the layout leaves it, with its page set-up and
// final selection, built straight on the model.

#include "support/RenderFixture.h"

#include <QString>

namespace xlsinventory {

inline ss::Workbook inventory(int items)
{
    ss::Workbook book = renderfixture::inventoryBook(renderfixture::manyItems(items));
    ss::Sheet& sheet = *book.sheets.front();
    ss::PageSetup& page = sheet.pageSetup;
    page.printArea = QStringLiteral("A1:I%1").arg(items + 2);
    page.leftMargin = page.rightMargin = 0.7 * 72;
    page.topMargin = page.bottomMargin = 0.5 * 72;
    page.headerMargin = page.footerMargin = 0;
    page.printComments = ss::CommentPrinting::None;
    page.orientation = ss::Orientation::Landscape;
    page.paperSize = 9;
    page.zoom.reset();
    page.fitToPagesWide = 1;
    page.fitToPagesTall = 1;
    sheet.activeRow = 14;
    sheet.activeColumn = 2;
    sheet.selection = ss::Area::cell(14, 2);
    return book;
}

} // namespace xlsinventory
