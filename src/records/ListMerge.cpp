#include "records/ListMerge.h"

#include <QHash>

#include <unordered_map>
#include <unordered_set>

namespace records {

std::size_t fingerprintOf(const InventoryRecord& record)
{
    std::size_t seed = 0;
    for (const QString& field : record.fields)
        seed = qHashMulti(seed, field);
    return seed;
}

StoredItems StoredItems::of(const std::vector<InventoryRecord>& records)
{
    StoredItems items;
    items.ids.assign(records.size(), 0);
    items.fingerprints.reserve(records.size());
    for (const InventoryRecord& record : records)
        items.fingerprints.push_back(fingerprintOf(record));
    return items;
}

StoredItems StoredItems::of(const ListSnapshot& list)
{
    StoredItems items = of(list.records);
    items.ids = list.ids;
    return items;
}

TheirChanges theirChanges(const StoredItems& base, const ListSnapshot& mine,
                          const std::vector<InventoryRecord>& theirs)
{
    // Each stored record is matched to one of theirs alike, in order; the
    // rest of theirs are theirs alone.
    std::unordered_map<std::size_t, std::vector<std::size_t>> theirsBy;
    for (std::size_t j = 0; j < theirs.size(); ++j)
        theirsBy[fingerprintOf(theirs[j])].push_back(j);
    std::vector<bool> theirsMatched(theirs.size(), false);
    std::unordered_map<ListItems::RowId, std::size_t> mineAt;
    for (std::size_t k = 0; k < mine.ids.size(); ++k)
        mineAt.emplace(mine.ids[k], k);

    TheirChanges changes;
    for (std::size_t i = 0; i < base.fingerprints.size(); ++i) {
        bool kept = false;
        if (const auto alike = theirsBy.find(base.fingerprints[i]); alike != theirsBy.end())
            for (const std::size_t j : alike->second)
                if (!theirsMatched[j]) {
                    theirsMatched[j] = kept = true;
                    break;
                }
        if (kept)
            continue;
        const auto at = mineAt.find(base.ids[i]);
        if (at != mineAt.end() && fingerprintOf(mine.records[at->second]) == base.fingerprints[i])
            changes.removed.push_back({base.ids[i], base.fingerprints[i]});
    }
    for (std::size_t j = 0; j < theirs.size(); ++j)
        if (!theirsMatched[j])
            changes.added.push_back(theirs[j]);
    return changes;
}

std::vector<InventoryRecord> withTheirChanges(const ListSnapshot& mine, const TheirChanges& changes)
{
    std::unordered_set<ListItems::RowId> removed;
    for (const TheirChanges::Removed& item : changes.removed)
        removed.insert(item.id);
    std::vector<InventoryRecord> result;
    result.reserve(mine.records.size() + changes.added.size());
    for (std::size_t k = 0; k < mine.records.size(); ++k)
        if (!removed.contains(mine.ids[k]))
            result.push_back(mine.records[k]);
    result.insert(result.end(), changes.added.begin(), changes.added.end());
    return result;
}

} // namespace records
