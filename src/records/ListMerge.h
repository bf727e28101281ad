#pragma once

#include "records/InventoryRecord.h"
#include "records/ListItems.h"

#include <cstddef>
#include <vector>

// What another program changed in the stored list while this one held it,
// found by comparing records, so that a store takes those changes in
// instead of writing over them.
namespace records {

// A list as it is now: its items' numbers and records.
struct ListSnapshot {
    std::vector<ListItems::RowId> ids;
    std::vector<InventoryRecord> records;

    static ListSnapshot of(const ListItems& items) { return {items.rowIds(), items.records()}; }
};

// A record told by a hash of its nine fields. Two different records share
// one with a chance of about one in 2^64, far below any other fault.
std::size_t fingerprintOf(const InventoryRecord& record);

// A list as this program last stored it: its items' numbers and the
// fingerprints of their records, which is all a later store needs of it.
struct StoredItems {
    std::vector<ListItems::RowId> ids;
    std::vector<std::size_t> fingerprints;

    // Items that no item of a list is numbered as (a list read, not held).
    static StoredItems of(const std::vector<InventoryRecord>& records);
    static StoredItems of(const ListSnapshot& list);
};

// The changes of theirs to take into this program's list.
struct TheirChanges {
    struct Removed {
        ListItems::RowId id;
        std::size_t fingerprint; // as it was stored, and still is here
    };
    // Items stored before that the other program removed or changed, and
    // that this program has left as they were.
    std::vector<Removed> removed;
    // Records the other program added, or changed into, in its order: they
    // go at the end of the list.
    std::vector<InventoryRecord> added;

    bool empty() const { return removed.empty() && added.empty(); }
};

// base is the list as last stored by this program, mine the list now,
// theirs what is stored now. A record this program changed or removed stays
// as this program has it; a record both changed is kept both ways, so
// nothing typed anywhere is lost.
TheirChanges theirChanges(const StoredItems& base, const ListSnapshot& mine,
                          const std::vector<InventoryRecord>& theirs);

// mine with their changes made.
std::vector<InventoryRecord> withTheirChanges(const ListSnapshot& mine, const TheirChanges& changes);

} // namespace records
