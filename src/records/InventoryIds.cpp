#include "records/InventoryIds.h"

#include "records/ListItems.h"

#include <cmath>
#include <limits>

namespace records {

namespace {

// Most IDs are plain digits: read them without the locale's parser. Nine
// digits at most, so that the value and its successor fit in 32 bits.
std::optional<std::int32_t> plainInteger(QStringView text)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QStringView digits = negative || text.startsWith(QLatin1Char('+')) ? text.mid(1) : text;
    if (digits.isEmpty() || digits.size() > 9)
        return std::nullopt;
    std::int32_t value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> roundedToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // The default rounding mode takes the even neighbour of a half.
    const double whole = std::nearbyint(value);
    if (whole < double(std::numeric_limits<std::int32_t>::min())
        || whole >= double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(whole);
}

} // namespace

bool InventoryIdExists(const ListItems& items, const QString& id)
{
    for (const InventoryRecord& r : items.records())
        if (r[InventoryRecord::InventoryID] == id)
            return true;
    return false;
}

std::int32_t NextInventoryID(const ListItems& items)
{
    const QLocale locale;
    std::int32_t next = 1;
    for (const InventoryRecord& r : items.records()) {
        const std::optional<std::int32_t> value = numericId(r[InventoryRecord::InventoryID], locale);
        if (value && *value >= next)
            next = *value + 1;
    }
    return next;
}

std::optional<std::int32_t> numericId(QStringView id, const QLocale& locale)
{
    const QStringView text = id.trimmed();
    if (const std::optional<std::int32_t> plain = plainInteger(text))
        return plain;
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    return ok ? roundedToInt32(value) : std::nullopt;
}

} // namespace records
