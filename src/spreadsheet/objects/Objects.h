#pragma once

#include "automation/Object.h"
#include "spreadsheet/objects/Instance.h"

// The automation objects of the built-in spreadsheet application. Each is a
// small handle over the shared instance state, cheap to make: a call that
// returns an object makes a new handle.
namespace ss::objects {

// How a range counts and indexes: by cells, or by rows or columns as the
// results of Rows and Columns do.
enum class RangeMode : std::uint8_t { Cells, Rows, Columns };

automation::Object applicationObject(const std::shared_ptr<Instance>& app);
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

// Hands out the range objects of the application's ranges. Asked for the
// same cells of the same sheet as last time, it gives the same object again:
// the layout asks for a range, selects it and then asks for the Selection
// and the ActiveCell, and one object serves all three. Range objects never
// change, so sharing one is the same as making a new one.
class RangeCache {
public:
    automation::Object get(RangeRef ref);

private:
    automation::Object m_last;
    const Sheet* m_sheet = nullptr;
    Area m_area;
};

// The members that the application, a worksheet and a range share for
// reaching ranges of a sheet: Range(text), Rows, Columns and Cells, each
// with the arguments of the call.
automation::Object rangeOf(SheetRef sheet, const automation::Call& call, RangeCache* cache = nullptr);
automation::Object rowsOf(const SheetRef& sheet, const automation::Call& call);
automation::Object columnsOf(const SheetRef& sheet, const automation::Call& call);
automation::Object cellsOf(const SheetRef& sheet, const automation::Call& call);

// Workbooks(i) and Sheets(i): by 1-based number or by name.
automation::Object workbookItem(const AppRef& ref, const automation::Variant& index);
automation::Object sheetItem(const BookRef& ref, const automation::Variant& index);

} // namespace ss::objects
