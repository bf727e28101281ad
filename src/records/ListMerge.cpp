#include "records/ListMerge.h"

#include <QHash>

#include <unordered_map>
#include <unordered_set>

namespace records {

namespace {

std::size_t hashOf(const InventoryRecord& record)
{
    std::size_t seed = 0;
    for (const QString& field : record.fields)
        seed = qHashMulti(seed, field);
    return seed;
}

// Which of theirs have a record of base to match, each matched once, in
// order; the rest are theirs alone.
std::vector<bool> matchedIn(const std::vector<InventoryRecord>& theirs, const std::vector<InventoryRecord>& base,
                            std::vector<bool>& baseMatched)
{
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    for (std::size_t j = 0; j < theirs.size(); ++j)
        byHash[hashOf(theirs[j])].push_back(j);
    std::vector<bool> matched(theirs.size(), false);
    baseMatched.assign(base.size(), false);
    for (std::size_t i = 0; i < base.size(); ++i) {
        const auto bucket = byHash.find(hashOf(base[i]));
        if (bucket == byHash.end())
            continue;
        for (const std::size_t j : bucket->second) {
            if (!matched[j] && theirs[j] == base[i]) {
                matched[j] = baseMatched[i] = true;
                break;
            }
        }
    }
    return matched;
}

} // namespace

TheirChanges theirChanges(const ListSnapshot& base, const ListSnapshot& mine,
                          const std::vector<InventoryRecord>& theirs)
{
    std::vector<bool> baseKept;
    const std::vector<bool> theirsMatched = matchedIn(theirs, base.records, baseKept);
    std::unordered_map<ListItems::RowId, std::size_t> mineAt;
    for (std::size_t k = 0; k < mine.ids.size(); ++k)
        mineAt.emplace(mine.ids[k], k);

    TheirChanges changes;
    for (std::size_t i = 0; i < base.records.size(); ++i) {
        if (baseKept[i])
            continue;
        const auto at = mineAt.find(base.ids[i]);
        if (at != mineAt.end() && mine.records[at->second] == base.records[i])
            changes.removed.push_back({base.ids[i], base.records[i]});
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
