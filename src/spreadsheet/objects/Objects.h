#pragma once

#include "automation/Object.h"
#include "spreadsheet/objects/Instance.h"

// The automation objects of the built-in spreadsheet application. Each is a
// small handle over the shared instance state, cheap to make: a call that
// returns an object makes a new handle.
namespace ss::objects {

// The workbook in the file (Workbooks.Open), read by the reader of its
// format, which its contents tell rather than its name: an Excel 97-2003
// workbook is a compound document, an .xlsx and an .ods file are zip
// archives that hold xl/workbook.xml or say what they are in their
// "mimetype" entry. Throws AutomationError saying why it cannot be read.
std::unique_ptr<Workbook> readWorkbookFile(const QString& path);

// How a range counts and indexes: by cells, or by rows or columns as the
// results of Rows and Columns do.
enum class RangeMode : std::uint8_t { Cells, Rows, Columns };

automation::Object applicationObject(const std::shared_ptr<Instance>& app);
automation::Object windowObject(const AppRef& ref);
automation::Object workbooksObject(const AppRef& ref);
automation::Object workbookObject(const BookRef& ref);
// The workbook behind a workbook object, or nullptr for any other object.
Book* bookOf(const automation::Object& workbook);
automation::Object sheetsObject(const BookRef& ref);
automation::Object worksheetObject(const SheetRef& ref);
automation::Object pageSetupObject(const SheetRef& ref);
automation::Object rangeObject(RangeRef ref, RangeMode mode = RangeMode::Cells);
automation::Object fontObject(const RangeRef& ref);
automation::Object interiorObject(const RangeRef& ref);
automation::Object borderObject(const RangeRef& ref, RangeEdge edge);

// The cells that the members Range(text), Rows, Columns and Cells name on a
// sheet, with the arguments of the call; these members of the application,
// a worksheet and a range share them.
Area rangeArea(const automation::Call& call);
Area linesArea(const automation::Call& call, RangeMode mode);
Area cellsArea(const automation::Call& call);

// The objects of those members.
automation::Object rangeOf(const SheetRef& sheet, const automation::Call& call);
automation::Object rowsOf(const SheetRef& sheet, const automation::Call& call);
automation::Object columnsOf(const SheetRef& sheet, const automation::Call& call);
automation::Object cellsOf(const SheetRef& sheet, const automation::Call& call);

class Range;

// Hands out the range objects of the application's ranges. Asked for the
// same cells of the same sheet, counted the same way, as last time, it gives
// the same object again: the layout asks for a range, selects it and then
// asks for the Selection and the ActiveCell, and one object serves all
// three. Asked for other cells, it aims the object it gave last at them when
// nobody holds that object any more, rather than making a new one. Nobody
// can tell either from a new object: a range object never changes while
// anybody holds it.
class RangeCache {
public:
    automation::Object get(const SheetRef& sheet, const Area& area, RangeMode mode = RangeMode::Cells);

private:
    std::shared_ptr<Range> m_last;
};

// Workbooks(i) and Sheets(i): by 1-based number or by name.
automation::Object workbookItem(const AppRef& ref, const automation::Variant& index);
automation::Object sheetItem(const BookRef& ref, const automation::Variant& index);

} // namespace ss::objects
