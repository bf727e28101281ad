#pragma once

#include "records/Csv.h"

#include <QString>

// The records of a workbook's first sheet, read through an instance of the
// spreadsheet application: the first row that holds the nine captions of the
// inventory sheet is the header, each row below it that holds anything is a
// record, and each cell gives the text it shows (a number in its General
// form, 46.99 and not 46.990000000000002). A workbook that the program made
// so reads back as the list it was made from. A workbook that cannot be
// opened, or has no such row, is a fault of the whole.
records::ReadTable readWorkbookTable(const QString& path);

// The records of a file of items, the way an import reads it: a workbook
// (known by its content, whatever its name) as above, any other file as
// CSV. "-" is standard input; a pipe named is read to its end.
// A file that cannot be read is a fault of the whole.
records::ReadTable readItemsFile(const QString& path);
