#pragma once

#include <QString>

class ListHistory;
class ListItems;
class QWidget;

// The window's import and export of items, as the command line's import
// and export: a file comes in whole or not at all under the editor's
// rules, appended to the list as one change that can be undone; the list
// goes out as CSV through the file writer. Each ends in one box that says
// what was done.
namespace itemfiles {

// The import's and the export's dialogs and their filters.
extern const QString ImportTitle;
extern const QString ExportTitle;

// Imports the file at path into items.
void importFile(ListHistory& history, ListItems& items, const QString& path);
// Asks for a file to import; "" when none is chosen.
QString chooseImportFile(QWidget* window);
// Asks for a file name and writes the list there as CSV.
void exportChosen(QWidget* window, const ListItems& items);

} // namespace itemfiles
