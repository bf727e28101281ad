#pragma once

#include "spreadsheet/model/Sheet.h"

namespace ss::xls {

// Throws AutomationError when the sheet holds something BIFF8 cannot store:
// a name Excel refuses, a text over 32,767 characters, a number that is not
// finite, a size, merge, selection or page set-up out of range.
void checkSheet(const Sheet& sheet);

} // namespace ss::xls
