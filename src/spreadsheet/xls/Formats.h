#pragma once

#include "spreadsheet/model/Sheet.h"
#include "spreadsheet/xls/BiffWriter.h"

#include <cstdint>
#include <vector>

namespace ss::xls {

// The fonts and cell XF records that the formats of a workbook need, in
// file order. Font 0 (and its copies 1 to 3) is the standard font; index 4
// does not exist; the fonts of the formats follow from 5. XFs 0 to 14 and 16
// to 20 are the built-in styles, XF 15 the default cell format, and the
// other formats in use follow from 21.
class FormatPlan {
public:
    explicit FormatPlan(const Workbook& book);

    std::uint16_t xfOf(FormatId id) const { return m_xfOf[id]; }

    // FONT, FORMAT, XF and STYLE records, in that order.
    void write(BiffWriter& out) const;

private:
    std::uint16_t fontIndexOf(const Font& font) const;
    std::uint16_t numberFormatOf(const QString& code) const;
    void writeFonts(BiffWriter& out) const;
    void writeXfs(BiffWriter& out) const;
    void writeCellXf(BiffWriter& out, const CellFormat& format) const;

    const FormatTable& m_table;
    std::vector<std::uint16_t> m_xfOf; // by FormatId
    std::vector<FormatId> m_cellXfs;   // the formats of XF 15, 21, 22, ...
    std::vector<Font> m_fonts;         // fonts 5, 6, ...
    std::vector<QString> m_numberFormats; // the workbook's own number formats, 164, 165, ...
};

// Throws AutomationError when a font cannot be stored in BIFF8.
void checkFont(const Font& font);

} // namespace ss::xls
