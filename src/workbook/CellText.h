#pragma once

#include "automation/Variant.h"

#include <QString>
#include <QStringView>

// How a workbook's cells become the text of items: the same rule for every
// kind of workbook, and the reason a list saved by any spreadsheet program
// comes back as its user saw it.
//
// - A text as it stands.
// - A number as the shortest text that gives it back, rounded to 15
//   significant digits as a spreadsheet shows it, and never in exponent form
//   (long IDs are numbers too): 46.99, 0.3 for 0.1+0.2, 0.333333333333333,
//   1234567890123460000.
// - A number whose format shows a date or a time as ISO 8601 text:
//   2021-08-31, 13:45:00, 2021-08-31T13:45:00 (to the second), counted from
//   1900 or from 1904 as the workbook does.
// - TRUE or FALSE; an error as it shows, #DIV/0! or #N/A.
// - A formula as its saved result, by the same rule.
namespace workbook {

// The cell's value (Range.Value2) as the item's field, by the rule above.
QString cellText(const automation::Variant& value, QStringView numberFormat, bool dates1904);

} // namespace workbook
