#pragma once

namespace ss {

// Registers the built-in spreadsheet application as the automation server
// for "Excel.Application": CreateObject makes a new instance; the running
// lookup finds an instance of this process that has not quit.
void registerExcelApplication();

} // namespace ss
