#pragma once

#include "spreadsheet/model/Sheet.h"
#include "spreadsheet/xls/CompoundFile.h"

#include <memory>

namespace ss::xls {

// Reads a BIFF8 workbook stream into a new workbook. Throws AutomationError
// saying what is wrong when a record is cut short, runs past the stream or
// refers to something the file does not have.
std::unique_ptr<Workbook> readWorkbookStream(const Bytes& stream);

} // namespace ss::xls
