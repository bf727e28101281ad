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
    // Whether a spreadsheet program calculated the workbook before saving it
    // (its globals have a RECALCID record): the results of its formulas are
    // then what they show, a blank one too.
    bool calculated = false;
    // The cells the sheets read before this one hold (Sheet::storedCells).
    std::size_t cellsBefore = 0;
};

// Reads the worksheet substream that starts at offset into sheet.
void readSheet(const Bytes& stream, std::size_t offset, Sheet& sheet, const SheetResources& resources);

} // namespace ss::xls
