#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QString>
#include <QStringView>

namespace ss {

// Parses an A1-style address as Range, Rows and Columns take it: "A1",
// "$A$1", "A1:B2", "$A3:$A3", whole columns "A:A" or "B:D", whole rows "1:1"
// or "3:5". Letters may be in either case. A malformed address, or one
// outside the sheet's 256 columns and 65,536 rows, throws AutomationError.
Area parseAddress(QStringView text);

// "A" for column 0, "IV" for column 255.
QString columnName(int col);

// The address as Range.Address gives it: "$A$1", "$A$1:$I$12".
QString addressText(const Area& area);

} // namespace ss
