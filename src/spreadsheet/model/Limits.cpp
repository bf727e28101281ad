#include "spreadsheet/model/Limits.h"

namespace ss {

std::optional<SheetNameFault> sheetNameFault(QStringView name)
{
    if (name.isEmpty() || name.size() > MaxSheetName)
        return SheetNameFault{SheetNameFault::Length, {}};
    for (const char16_t c : SheetNameForbidden)
        if (name.contains(QChar(c)))
            return SheetNameFault{SheetNameFault::Character, QChar(c)};
    if (name.startsWith(u'\'') || name.endsWith(u'\''))
        return SheetNameFault{SheetNameFault::Apostrophe, {}};
    return std::nullopt;
}

} // namespace ss
