#include "records/SampleData.h"

namespace records {

namespace {
InventoryRecord sample(std::array<const char*, InventoryRecord::FieldCount> texts)
{
    InventoryRecord r;
    for (int n = 0; n < InventoryRecord::FieldCount; ++n)
        r[n] = QString::fromLatin1(texts[std::size_t(n)]);
    return r;
}
} // namespace

const std::array<InventoryRecord, 3>& sampleRecords()
{
    // Fields in InventoryRecord order; the prices keep their full stop
    // whatever the user's number format.
    static const std::array<InventoryRecord, 3> items{
        sample({"144455", "Hammer", "Building tool", "46.99", "14", "2", "6", "10", "Yes"}),
        sample({"185532", "Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"}),
        sample({"185577", "Screws", "fastening parts", "10.99", "898", "500", "1", "1000", "No"}),
    };
    return items;
}

} // namespace records
