#pragma once

#include "automation/Object.h"

#include <QString>

#include <cstdint>

// Finding, probing and starting instances of the spreadsheet application.
namespace Excel1 {

bool IsExcelRunning();
// True when the user chose not to go on.
bool ExcelOpenWarning();
// 56 for version 12 or later, -4143 otherwise; starts and quits an instance
// of its own when application is Nothing.
std::int32_t GetSaveFileFormat(const automation::Object& application = {});
automation::Object OpenWorkbookInNewExcel(const QString& path);
// Writes a picture of the active sheet's used cells to path as a bitmap.
void saveCellsActivesheet(const automation::Object& workbook, const QString& path);

} // namespace Excel1
