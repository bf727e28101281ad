#include "records/Import.h"

#include "records/Fields.h"
#include "records/ListItems.h"
#include "records/RecordStore.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace records {

namespace {

bool blank(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

QString caption(int field) { return QLatin1String(Fields[std::size_t(field)].sheetCaption); }

// What is wrong with one record, or nothing; ids holds the IDs before it,
// each with the line of the file it came on (0 for the list).
std::optional<FileFault> refusal(const InventoryRecord& record, int line, const QHash<QString, int>& ids)
{
    const QString& id = record[InventoryRecord::InventoryID];
    if (blank(id))
        return FileFault{line, caption(InventoryRecord::InventoryID), QStringLiteral("the inventory ID is empty")};
    if (const auto earlier = ids.constFind(id); earlier != ids.cend())
        return FileFault{line, caption(InventoryRecord::InventoryID),
                         *earlier == 0 ? QStringLiteral("the inventory ID %1 is in the list already").arg(id)
                                       : QStringLiteral("the inventory ID %1 is on line %2 already").arg(id).arg(*earlier)};
    for (int field = 0; field < InventoryRecord::FieldCount; ++field) {
        if (record[field].size() > InventoryRecord::MaxFieldLength)
            return FileFault{line, caption(field), QStringLiteral("the field has %1 characters, more than the %2 a "
                                                                  "cell holds")
                                                       .arg(record[field].size())
                                                       .arg(InventoryRecord::MaxFieldLength)};
        const QString separator = separatorIn(record[field]);
        if (!separator.isEmpty())
            return FileFault{line, caption(field),
                             QStringLiteral("the field holds \"%1\", which separates the stored items").arg(separator)};
    }
    return std::nullopt;
}

} // namespace

std::vector<FileFault> refusals(std::span<const InventoryRecord> list, const ReadTable& incoming)
{
    std::vector<FileFault> faults;
    const std::size_t total = list.size() + incoming.records.size();
    if (total > std::size_t(ListItems::Capacity))
        faults.push_back({0, {}, QStringLiteral("the list would hold %1 items, and it can hold %2")
                                     .arg(total)
                                     .arg(ListItems::Capacity)});
    QHash<QString, int> ids;
    ids.reserve(qsizetype(total));
    for (const InventoryRecord& record : list)
        ids.insert(record[InventoryRecord::InventoryID], 0);
    for (std::size_t i = 0; i < incoming.records.size(); ++i) {
        const InventoryRecord& record = incoming.records[i];
        if (const std::optional<FileFault> fault = refusal(record, incoming.lines[i], ids))
            faults.push_back(*fault);
        if (!ids.contains(record[InventoryRecord::InventoryID]))
            ids.insert(record[InventoryRecord::InventoryID], incoming.lines[i]);
    }
    return faults;
}

std::vector<FileFault> importFaults(std::span<const InventoryRecord> list, const ReadTable& incoming)
{
    std::vector<FileFault> faults = incoming.faults;
    const bool wholeInFault = std::any_of(faults.begin(), faults.end(), [&](const FileFault& f) {
        return f.line == 0 || f.line == incoming.headerLine;
    });
    if (wholeInFault)
        return faults;
    QSet<int> faultyLines;
    for (const FileFault& fault : faults)
        faultyLines.insert(fault.line);
    for (FileFault& refused : refusals(list, incoming))
        if (!faultyLines.contains(refused.line))
            faults.push_back(std::move(refused));
    std::stable_sort(faults.begin(), faults.end(), [](const FileFault& a, const FileFault& b) { return a.line < b.line; });
    return faults;
}

QString itemCount(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

} // namespace records
