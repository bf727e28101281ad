#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

// What the .xlsx and .ods readers share: the cells they store, kept within
// the sheets this application holds (Excel 97-2003: 65,536 rows of 256
// columns) and within its memory bound, MaxOpenedCells cell slots for all
// sheets together, checked as the cells come rather than after; and the
// dates and times of both formats as the serial numbers of the workbook.
namespace ss::zip {

class OpenedCells {
public:
    // The cell at row, col (0-based) of sheet, made when missing. Throws
    // AutomationError for a cell outside the sheet, naming the sheet and
    // the cell, and once the sheets would hold more slots than the bound.
    Cell& at(Sheet& sheet, int row, int col)
    {
        if (row >= 0 && row < MaxRows && col >= 0 && col < MaxColumns) {
            if (row < int(sheet.rows.size()) && col < int(sheet.rows[std::size_t(row)].cells.size()))
                return sheet.rows[std::size_t(row)].cells[std::size_t(col)];
            if (row < int(sheet.rows.size()))
                m_slots += std::size_t(col) + 1 - sheet.rows[std::size_t(row)].cells.size();
            else
                m_slots += std::size_t(col) + 1;
            if (m_slots > MaxOpenedCells)
                tooMany();
            return sheet.cellAt(row, col);
        }
        outside(sheet, row, col);
    }

private:
    [[noreturn]] static void outside(const Sheet& sheet, int row, int col);
    [[noreturn]] static void tooMany();

    std::size_t m_slots = 0;
};

// "A1" for row 0, column 0, for cells past the sheet's end too ("XFD1048576").
QString cellName(int row, int col);

// Reads an A1-style cell reference of any size ("B3", "XFD1048576") into
// 0-based row and col; false when text is none.
bool parseCellReference(std::string_view text, int& row, int& col);

// An ISO 8601 date, with a time or not ("2021-08-31", "2021-08-31T13:45:00",
// fractions of a second and a zone ignored), as the workbook's serial number:
// days since 1899-12-30 as spreadsheets count them (the days before March
// 1900 one fewer, for the 29 February 1900 they keep), or since 1904-01-01.
struct DateTime {
    double serial = 0;
    bool hasTime = false;
};
std::optional<DateTime> isoDateSerial(std::string_view text, bool dates1904);

// An ISO 8601 duration as a cell's time ("PT13H45M00S", "P1DT2H"), in days.
std::optional<double> isoDurationDays(std::string_view text);

} // namespace ss::zip
