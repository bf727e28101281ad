#pragma once

#include "spreadsheet/model/Sheet.h"
#include "spreadsheet/xls/CompoundFile.h"

namespace ss::xls {

// The BIFF8 workbook stream of book: the globals, then one worksheet
// substream a sheet. Throws AutomationError, before anything is written,
// when the book holds something BIFF8 cannot store.
Bytes writeWorkbookStream(const Workbook& book);

// The checks writeWorkbookStream makes before it writes: throws the same
// AutomationError for a book that BIFF8 cannot store.
void checkStorable(const Workbook& book);

} // namespace ss::xls
