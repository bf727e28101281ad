#pragma once

#include <QString>

// The files a generation run keeps in the temporary folder: the temporary
// workbook and the snapshot bitmap.
namespace TempNames {

// The name every temporary workbook starts with, before its eight digits.
inline constexpr char WorkbookPrefix[] = "kintra";

// The value of TEMP when it is set and not empty, else the system's
// temporary folder.
QString temporaryFolder();
// The temporary folder and name + ".xls", in the platform's separators.
QString workbookPath(const QString& name);
// The temporary folder and "temp.bmp", in the platform's separators.
QString snapshotPath();

// Claims path for this run by creating the file there exclusively, so no
// other run (of this or another copy of the program) can draw the same
// name. False only when a file (or link) of that name already exists, which
// is left untouched. A folder that takes no file, missing or read-only,
// leaves the name free without a file: the save into it reports why.
bool claim(const QString& path);

// Removes a claimed file that has not been written (it is still empty), so
// a failed save leaves no empty workbook behind.
void releaseUnwritten(const QString& path);

} // namespace TempNames
