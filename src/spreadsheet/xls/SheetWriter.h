#pragma once

#include "spreadsheet/model/Sheet.h"

#include <cstdint>

namespace ss::xls {

class BiffWriter;
class FormatPlan;
class SharedStrings;

// A BOF record opening a substream of the given kind.
void writeBof(BiffWriter& out, std::uint16_t kind);

// The worksheet substream of sheet, from BOF to EOF; checkSheet (in
// SheetCheck.h) has passed it.
void writeSheet(BiffWriter& out, const Sheet& sheet, bool active, const FormatPlan& formats,
                const SharedStrings& strings);

} // namespace ss::xls
