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
// name. True when the file was created; false when a file (or link) of that
// name already exists, which is left untouched. Throws quorvale::Error when
// the file can be neither created nor found, as in a missing folder.
bool claim(const QString& path);

// Removes a claimed file that has not been written (it is still empty), so
// a failed save leaves no empty workbook behind.
void releaseUnwritten(const QString& path);

} // namespace TempNames
