#pragma once

#include <QChar>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <string_view>

// What names and sizes the model holds: the one rule of each, which the
// automation objects, the xls writer and reader and the renderer share.
namespace ss {

// Sheet names: 1 to 31 characters, none of these, and no apostrophe at
// either end.
inline constexpr qsizetype MaxSheetName = 31;
inline constexpr std::u16string_view SheetNameForbidden = u":\\/?*[]";

// The first rule of sheet names that a name breaks, checked in the order
// above; the forbidden character is the first of SheetNameForbidden that
// the name holds.
struct SheetNameFault {
    enum Rule : std::uint8_t { Length, Character, Apostrophe };
    Rule rule;
    QChar character; // for Character
};
std::optional<SheetNameFault> sheetNameFault(QStringView name);

} // namespace ss
