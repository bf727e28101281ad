#pragma once

#include "records/InventoryRecord.h"

#include <array>

// The example items that "Load Sample/Example Data" adds.
namespace records {

// The three items, in the order they are added.
const std::array<InventoryRecord, 3>& sampleRecords();

// The order in which the handler writes an item's fields into the text
// boxes: the reorder time comes last.
inline constexpr std::array<InventoryRecord::Field, InventoryRecord::FieldCount> SampleBoxOrder{
    InventoryRecord::InventoryID,     InventoryRecord::InventoryName, InventoryRecord::Description,
    InventoryRecord::UnitPrice,       InventoryRecord::QtyInStock,    InventoryRecord::ReorderLevel,
    InventoryRecord::QuantityReorder, InventoryRecord::Discontinued,  InventoryRecord::ReorderTime,
};

} // namespace records
