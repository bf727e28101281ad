#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

class ListItems;

namespace records {

// Whether an item whose ID equals id code unit for code unit is in the list.
bool InventoryIdExists(const ListItems& items, const QString& id);

// The next free numeric ID: one more than the largest numeric ID in the
// list, or 1 when there is none of 1 or above.
std::int32_t NextInventoryID(const ListItems& items);

// The whole number an ID stands for when the whole text reads as a number
// under locale (blanks around it, a sign, decimal and thousands separators,
// an exponent), rounded half to even. Nothing when the text is not numeric or
// the number has no successor among the 32-bit integers.
std::optional<std::int32_t> numericId(QStringView id, const QLocale& locale);

} // namespace records
