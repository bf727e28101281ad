#pragma once

#include "automation/Object.h"
#include "spreadsheet/model/Sheet.h"

namespace ss {

// Registers the built-in spreadsheet application as the automation server
// for "Excel.Application": CreateObject makes a new instance; the running
// lookup finds an instance of this process that has not quit.
void registerExcelApplication();

// The model behind a workbook object of the built-in application (as
// Workbooks.Add or ActiveWorkbook give it), or nullptr for any other object.
// Lets tests and tools look at what the automation calls built. A closed
// workbook's model holds no sheets.
Workbook* workbookModel(const automation::Object& workbook);

} // namespace ss
