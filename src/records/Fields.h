#pragma once

#include "records/InventoryRecord.h"

#include <array>

namespace records {

// How one field of an InventoryRecord shows: its text box in the main
// window, the label beside it, its list column, its name in messages and
// its caption on the inventory sheet (and in the files the command line
// reads and writes).
struct FieldInfo {
    const char* textBox;
    const char* label;
    const char* columnCaption;
    int columnWidthTwips;
    const char* name;
    const char* sheetCaption;
};

// The nine fields in InventoryRecord order.
inline constexpr std::array<FieldInfo, InventoryRecord::FieldCount> Fields{{
    {"txtInventoryID", "Inventory ID:", "ID", 1000, "Inventory ID", "Inventory ID"},
    {"txtInventoryName", "Name:", "Name", 2500, "Name", "Name"},
    {"txtDescription", "Description:", "Description", 3500, "Description", "Description"},
    {"txtUnitPrice", "Unit Price:", "Unit Price", 1500, "Unit Price", "Unit Price"},
    {"txtQtyInStock", "Quantity in Stock:", "Quantity in Stock", 1500, "Quantity in Stock", "Quantity in Stock"},
    {"txtReorderLevel", "Reorder Level:", "Reorder Level", 1500, "Reorder Level", "Reorder Level"},
    {"txtReorderTime", "Reorder Time in Days:", "Reorder Time in Days", 1500, "Reorder Time in Days",
     "Reorder Time in Days"},
    {"txtQuantityReorder", "Quantity in Reorder:", "Quantity in Reorder", 1500, "Quantity in Reorder",
     "Quantity in Reorder"},
    {"txtDiscontinued", "Discontinued?", "Discontinued?", 1500, "Discontinued", "Discontinued?"},
}};

} // namespace records
