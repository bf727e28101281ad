#pragma once

#include "records/Csv.h"

#include <QString>

// The records of a workbook's first sheet that is not hidden, read through
// an instance of the spreadsheet application: the first row that holds the
// Inventory ID caption is the header (with any of the other captions, in
// any order), each row below it that holds anything is a record, and each
// cell gives its text by the rule of CellText.h (46.99 and not
// 46.990000000000002, a date as 2021-08-31). A workbook that the program
// made so reads back as the list it was made from. A workbook that cannot
// be opened, has no such row, or a cell whose value cannot be known (a
// formula without its saved result) is a fault of the whole.
records::ReadTable readWorkbookTable(const QString& path);

// The records of a file of items, the way an import reads it: a workbook
// (.xls, .xlsx or .ods, known by its content, whatever its name) as above,
// any other file as CSV, read a piece at a time. "-" is standard input; a
// pipe named is read to its end.
// A file that cannot be read is a fault of the whole.
records::ReadTable readItemsFile(const QString& path);
