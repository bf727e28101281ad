#pragma once

#include "records/Csv.h"
#include "records/InventoryRecord.h"

#include <span>
#include <vector>

// Records that come from a file, taken into the list under the rules of the
// record editor: all of them or none.
namespace records {

// Each record of incoming that the list would refuse, with its line and
// why, and a fault of the whole (line 0) when the list would hold more items
// than it can. The rules are the editor's for a new record: an ID blank but
// for spaces, an ID that the list (or a record earlier in the file) already
// has, compared exactly, a field that holds a separator of the stored form,
// a field longer than a cell holds.
std::vector<FileFault> refusals(std::span<const InventoryRecord> list, const ReadTable& incoming);

// Every fault of an import of incoming into list, in the order of the lines:
// the file's own (a line that does not match the header, say) and the
// refusals of the lines without one. When the file as a whole or its header
// is in fault, only its own faults: its records cannot be judged.
std::vector<FileFault> importFaults(std::span<const InventoryRecord> list, const ReadTable& incoming);

// "1 item", "3 items".
QString itemCount(std::size_t count);

} // namespace records
