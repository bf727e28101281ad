#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QString>

namespace ss::xlsx {

// Writes the workbook as an Excel workbook of 2007 and later (Office Open
// XML, .xlsx) at path, whole or not at all, through the program's file
// writer. Throws AutomationError with the reason on failure; path is then
// as it was.
void save(const Workbook& book, const QString& path);

} // namespace ss::xlsx
