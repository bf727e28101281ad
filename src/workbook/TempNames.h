#pragma once

#include <QString>

// The files a generation run keeps in the temporary folder: the temporary
// workbook and the snapshot bitmap. Both are the run's own: each is created
// under a name no other file has, never through a link, and readable and
// writable by the user alone.
namespace TempNames {

// The name every temporary workbook starts with, before its eight digits.
inline constexpr char WorkbookPrefix[] = "kintra";
// The name every snapshot bitmap starts with, before its eight digits.
inline constexpr char SnapshotPrefix[] = "temp-";

// The value of TEMP when it is set and not empty, else the system's
// temporary folder.
QString temporaryFolder();
// The temporary folder and name + ".xls", in the platform's separators.
QString workbookPath(const QString& name);
// The temporary folder and name + ".bmp", in the platform's separators.
QString snapshotPath(const QString& name);

// Claims path for this run by creating the file there exclusively, so no
// other run (of this or another copy of the program) can draw the same
// name. The file is the user's alone (mode 0600). False only when a file
// (or link) of that name already exists, which is left untouched. A folder
// that takes no file, missing or read-only, leaves the name free without a
// file: the save into it reports why.
bool claim(const QString& path);

// Draws snapshot names, "temp-" and eight digits from 1 to 9, until one is
// claimed, and returns its path: the run's own bitmap file, which no other
// run shares.
QString claimSnapshot();

// Removes a claimed file that has not been written (it is still the user's
// own empty file), so a failed save leaves no empty workbook behind.
void releaseUnwritten(const QString& path);

// Removes the temporary workbooks and snapshots that runs which never ended
// (the program was killed while the preview was open, or while it took the
// picture) left in the temporary folder: the plain files of their names,
// "kintra" and eight digits from 1 to 9 + ".xls", "temp-" and eight such
// digits + ".bmp", that belong to the user and were last written more than a
// day ago. Nothing else is touched, and nothing is reported.
void removeLeftovers();

} // namespace TempNames
