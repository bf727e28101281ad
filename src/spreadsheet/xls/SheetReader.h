#pragma once

#include "spreadsheet/model/Sheet.h"
#include "spreadsheet/xls/CompoundFile.h"

#include <QString>

#include <vector>

namespace ss::xls {

// What the globals give every sheet: the model format of each XF and the
// shared strings.
struct SheetResources {
    const std::vector<FormatId>& formatOfXf;
    const std::vector<QString>& strings;
};

// Reads the worksheet substream that starts at offset into sheet.
void readSheet(const Bytes& stream, std::size_t offset, Sheet& sheet, const SheetResources& resources);

} // namespace ss::xls
