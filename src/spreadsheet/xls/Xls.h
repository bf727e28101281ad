#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QString>

#include <memory>

namespace ss::xls {

// Writes the workbook as an Excel 97-2003 (BIFF8) file at path, whole or not
// at all, through the program's file writer. Throws AutomationError with the
// reason on failure; path is then as it was.
void save(const Workbook& book, const QString& path);

// Reads an Excel 97-2003 file into a new workbook. Throws AutomationError
// saying what was wrong for a file that is not one or is damaged.
std::unique_ptr<Workbook> open(const QString& path);
// The same of the file's contents, already read.
std::unique_ptr<Workbook> open(const QString& path, const QByteArray& contents);

} // namespace ss::xls
