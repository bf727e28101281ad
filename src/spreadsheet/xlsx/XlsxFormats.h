#pragma once

#include "spreadsheet/model/Sheet.h"

#include <xlsxwriter.h>

#include <vector>

namespace ss::xlsx {

// The RGB colour libxlsxwriter takes for a slot of the workbook's palette
// (1 to 56). Throws AutomationError for an index outside the palette.
lxw_color_t rgbOf(const Workbook& book, int colorIndex);

// The libxlsxwriter formats of a workbook's formats, each made once, when a
// cell, row or column first asks for it.
class XlsxFormats {
public:
    XlsxFormats(lxw_workbook* file, const Workbook& book);

    // The format of id; nullptr for NoFormat. Throws AutomationError for a
    // format the file cannot hold.
    lxw_format* operator[](FormatId id);

private:
    lxw_format* make(const CellFormat& format);

    lxw_workbook* m_file;
    const Workbook& m_book;
    std::vector<lxw_format*> m_made; // by FormatId; nullptr until made
};

} // namespace ss::xlsx
