#pragma once

#include "automation/Object.h"

#include <QString>

#include <cstdint>

// Finding, probing and starting instances of the spreadsheet application.
namespace Excel1 {

// The programmatic identifier of the spreadsheet application.
inline constexpr char ProgId[] = "Excel.Application";

// True when an instance is running and answers "Microsoft Excel" as its
// default value; false on any error.
bool IsExcelRunning();
// True when the user chose not to go on; false when no instance is running
// or the user chose to go on.
bool ExcelOpenWarning();
// 56 for version 12 or later, -4143 otherwise; starts and quits an instance
// of its own when application is Nothing. Throws when the version cannot be
// read or is no number.
std::int32_t GetSaveFileFormat(const automation::Object& application = {});
// A new instance with the workbook at path open in it; the caller quits it.
// Throws when either step fails (an instance that could not open the file
// is quit first).
automation::Object OpenWorkbookInNewExcel(const QString& path);
// Writes a picture of the active sheet's used cells as a bitmap, whole and
// for the user alone, in place of the file at path that TempNames::claim
// made; a link another user put there is not followed.
// Traced: reports its own failures and never throws.
void saveCellsActivesheet(const automation::Object& workbook, const QString& path);

} // namespace Excel1
