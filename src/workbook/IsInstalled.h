#pragma once

// Whether the spreadsheet application can be started at all.
namespace IsInstalled {

// Returns when an instance of "Excel.Application" could be created;
// otherwise shows the advice and ends the application without storing.
void CheckExcelInstalled();

} // namespace IsInstalled
