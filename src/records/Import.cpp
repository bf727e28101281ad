#include "records/Import.h"

#include "records/Fields.h"
#include "records/ListItems.h"
#include "records/RecordStore.h"

#include <QSet>

#include <algorithm>

namespace records {

namespace {

bool blank(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

QString caption(int field) { return QLatin1String(Fields[std::size_t(field)].sheetCaption); }

// What is wrong with one record, or nothing; ids holds the IDs before it.
std::optional<FileFault> refusal(const InventoryRecord& record, int line, const QSet<QString>& ids)
{
    const QString& id = record[InventoryRecord::InventoryID];
    if (blank(id))
        return FileFault{line, caption(InventoryRecord::InventoryID), QStringLiteral("the inventory ID is empty")};
    if (ids.contains(id))
        return FileFault{line, caption(InventoryRecord::InventoryID),
                         QStringLiteral("the inventory ID %1 is in the list already").arg(id)};
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
    QSet<QString> ids;
    ids.reserve(qsizetype(total));
    for (const InventoryRecord& record : list)
        ids.insert(record[InventoryRecord::InventoryID]);
    for (std::size_t i = 0; i < incoming.records.size(); ++i) {
        const InventoryRecord& record = incoming.records[i];
        if (const std::optional<FileFault> fault = refusal(record, incoming.lines[i], ids))
            faults.push_back(*fault);
        ids.insert(record[InventoryRecord::InventoryID]);
    }
    return faults;
}

} // namespace records
