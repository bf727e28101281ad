#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QString>

#include <memory>

namespace ss::zip {
class ZipReader;
}

namespace ss::xlsx {

// Reads the Excel (.xlsx) workbook of an archive already opened, which
// holds xl/workbook.xml, into a new workbook: its worksheets in order with
// their names and visibility, their cells' values and number formats, fonts
// and alignment, merged ranges, column widths and row heights. Throws
// AutomationError with the reason alone for an archive that is damaged or
// holds more than this application's Excel 97-2003 sheets do.
std::unique_ptr<Workbook> read(const zip::ZipReader& archive);

} // namespace ss::xlsx
