#pragma once

#include "spreadsheet/model/Sheet.h"

#include <cstdint>

namespace ss::xls {

class BiffWriter;
class FormatPlan;
class SharedStrings;

// A BOF record opening a substream of the given kind.
void writeBof(BiffWriter& out, std::uint16_t kind);

// Throws AutomationError when the sheet holds something BIFF8 cannot store:
// a name Excel refuses, a text over 32,767 characters, a number that is not
// finite, a size, merge, selection or page set-up out of range.
void checkSheet(const Sheet& sheet);

// The worksheet substream of sheet, from BOF to EOF.
void writeSheet(BiffWriter& out, const Sheet& sheet, bool active, const FormatPlan& formats,
                const SharedStrings& strings);

} // namespace ss::xls
