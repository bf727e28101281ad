#include "spreadsheet/xls/Formats.h"

#include "spreadsheet/model/Limits.h"
#include "spreadsheet/xls/Encoding.h"
#include "spreadsheet/xls/Records.h"

#include "automation/Error.h"

#include <algorithm>
#include <array>

namespace ss::xls {

namespace {

// Font 0 and its copies up to the index that does not exist.
constexpr std::size_t StandardFonts = rec::SkippedFontIndex;
constexpr std::uint16_t FirstOwnFont = rec::SkippedFontIndex + 1;
constexpr std::uint16_t FirstOwnXf = 21;
// What Excel 97-2003 keeps at most.
constexpr std::size_t MaxCellFormats = 4000;
constexpr std::size_t MaxFonts = 500;

constexpr std::uint16_t Unused = 0xFFFF;

// The built-in number formats that Excel writes out, with their codes.
struct NumberFormat {
    std::uint16_t id;
    const char16_t* code;
};
constexpr std::array<NumberFormat, 8> CurrencyFormats = {{
    {5, u"\"$\"#,##0_);\\(\"$\"#,##0\\)"},
    {6, u"\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)"},
    {7, u"\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
    {8, u"\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)"},
    {42, u"_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
    {41, u"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
    {44, u"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"},
}};

// The style XFs 0 to 14 and 16 to 20: font, number format, ignored attributes.
struct StyleXf {
    std::uint16_t font;
    std::uint16_t numberFormat;
    std::uint8_t ignored;
};
constexpr std::array<StyleXf, 15> OutlineStyleXfs = {{
    {0, 0, 0x00}, {1, 0, 0xF4}, {1, 0, 0xF4}, {2, 0, 0xF4}, {2, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4},
    {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4}, {0, 0, 0xF4},
}};
constexpr std::array<StyleXf, 5> NumberStyleXfs = {{
    {1, 43, 0xF8}, {1, 41, 0xF8}, {1, 44, 0xF8}, {1, 42, 0xF8}, {1, 9, 0xF8},
}};

// STYLE records of the built-in styles: XF, style identifier.
struct BuiltInStyle {
    std::uint16_t xf;
    std::uint8_t id;
};
constexpr std::array<BuiltInStyle, 6> BuiltInStyles = {{
    {16, 3}, // Comma
    {17, 6}, // Comma [0]
    {18, 4}, // Currency
    {19, 7}, // Currency [0]
    {0, 0},  // Normal
    {20, 5}, // Percent
}};

// Every format the sheets of book use: their defaults, columns, rows and cells.
std::vector<bool> formatsInUse(const Workbook& book)
{
    std::vector<bool> used(book.formats.size(), false);
    const auto mark = [&](FormatId id) {
        if (id != NoFormat)
            used[id] = true;
    };
    mark(DefaultFormat);
    for (const auto& sheet : book.sheets) {
        mark(sheet->defaultFormat);
        for (const Column& column : sheet->columns)
            mark(column.format);
        for (const Row& row : sheet->rows) {
            mark(row.format);
            for (const Cell& cell : row.cells)
                mark(cell.format);
        }
    }
    return used;
}

void writeFont(BiffWriter& out, const Font& font)
{
    out.begin(rec::Font);
    const std::uint16_t options = (font.bold ? rec::FontBold : 0) | (font.italic ? rec::FontItalic : 0);
    out.u16(twips(font.size)).u16(options).u16(colorCode(font.colorIndex, FontColorAutomatic));
    out.u16(font.bold ? rec::FontWeightBold : rec::FontWeightNormal).u16(0).u8(0).u8(0).u8(0).u8(0);
    out.u8(std::uint32_t(font.name.size())).flaggedChars(font.name);
    out.end();
}

void writeStyleXf(BiffWriter& out, const StyleXf& xf)
{
    out.begin(rec::Xf);
    out.u16(xf.font).u16(xf.numberFormat).u16(rec::StyleXfFlags);
    out.u8(verticalCode(VAlign::Bottom) << rec::XfVerticalShift).u8(0).u8(0).u8(xf.ignored);
    out.u32(0).u32(0).u16(SystemWindowText | SystemWindowBackground << rec::XfBackgroundShift);
    out.end();
}

std::uint32_t lineColor(const BorderLine& line)
{
    return line.present() ? colorCode(line.colorIndex, SystemWindowText) : 0;
}

} // namespace

void checkFont(const Font& font)
{
    if (font.name.isEmpty() || font.name.size() > MaxStoredFontName)
        throw quorvale::AutomationError(QStringLiteral("The font name \"%1\" must have 1 to %2 characters")
                                            .arg(font.name)
                                            .arg(MaxStoredFontName));
    if (!(font.size >= MinFontSize && font.size <= MaxFontSize))
        throw quorvale::AutomationError(QStringLiteral("The font size %1 is outside %2 to %3 points")
                                            .arg(font.size)
                                            .arg(MinFontSize)
                                            .arg(MaxFontSize));
    colorCode(font.colorIndex, FontColorAutomatic);
}

FormatPlan::FormatPlan(const Workbook& book) : m_table(book.formats), m_xfOf(book.formats.size(), Unused)
{
    const std::vector<bool> used = formatsInUse(book);
    m_cellXfs.push_back(DefaultFormat);
    m_xfOf[DefaultFormat] = rec::DefaultCellXf;
    for (FormatId id = 1; id < used.size(); ++id) {
        if (!used[id])
            continue;
        m_xfOf[id] = std::uint16_t(FirstOwnXf + m_cellXfs.size() - 1);
        m_cellXfs.push_back(id);
        if (m_cellXfs.size() > MaxCellFormats)
            throw quorvale::AutomationError(
                QStringLiteral("The workbook has more than %1 different cell formats").arg(MaxCellFormats));
    }
    const Font standard;
    for (const FormatId id : m_cellXfs) {
        const QString& code = m_table[id].numberFormat;
        if (builtInNumberFormatId(code) < 0
            && std::find(m_numberFormats.begin(), m_numberFormats.end(), code) == m_numberFormats.end())
            m_numberFormats.push_back(code);
        const Font& font = m_table[id].font;
        checkFont(font);
        if (font != standard && std::find(m_fonts.begin(), m_fonts.end(), font) == m_fonts.end())
            m_fonts.push_back(font);
    }
    if (m_fonts.size() > MaxFonts)
        throw quorvale::AutomationError(QStringLiteral("The workbook has more than %1 different fonts").arg(MaxFonts));
}

std::uint16_t FormatPlan::numberFormatOf(const QString& code) const
{
    if (const int builtIn = builtInNumberFormatId(code); builtIn >= 0)
        return std::uint16_t(builtIn);
    const auto it = std::find(m_numberFormats.begin(), m_numberFormats.end(), code);
    return std::uint16_t(rec::FirstCustomNumberFormat + (it - m_numberFormats.begin()));
}

std::uint16_t FormatPlan::fontIndexOf(const Font& font) const
{
    const auto it = std::find(m_fonts.begin(), m_fonts.end(), font);
    return it == m_fonts.end() ? 0 : std::uint16_t(FirstOwnFont + (it - m_fonts.begin()));
}

void FormatPlan::write(BiffWriter& out) const
{
    writeFonts(out);
    for (const NumberFormat& format : CurrencyFormats) {
        const QString code = QString::fromUtf16(format.code);
        out.begin(rec::Format);
        out.u16(format.id).u16(std::uint32_t(code.size())).flaggedChars(code);
        out.end();
    }
    for (std::size_t i = 0; i < m_numberFormats.size(); ++i) {
        out.begin(rec::Format);
        out.u16(std::uint32_t(rec::FirstCustomNumberFormat + i))
            .u16(std::uint32_t(m_numberFormats[i].size()))
            .flaggedChars(m_numberFormats[i]);
        out.end();
    }
    writeXfs(out);
    for (const BuiltInStyle& style : BuiltInStyles)
        out.record(rec::Style, [&](BiffWriter& w) {
            w.u16(rec::StyleBuiltIn | style.xf).u8(style.id).u8(rec::StyleNoLevel);
        });
}

void FormatPlan::writeFonts(BiffWriter& out) const
{
    for (std::size_t i = 0; i < StandardFonts; ++i)
        writeFont(out, Font{});
    for (const Font& font : m_fonts)
        writeFont(out, font);
}

void FormatPlan::writeXfs(BiffWriter& out) const
{
    for (const StyleXf& xf : OutlineStyleXfs)
        writeStyleXf(out, xf);
    writeCellXf(out, m_table[m_cellXfs.front()]);
    for (const StyleXf& xf : NumberStyleXfs)
        writeStyleXf(out, xf);
    for (std::size_t i = 1; i < m_cellXfs.size(); ++i)
        writeCellXf(out, m_table[m_cellXfs[i]]);
}

void FormatPlan::writeCellXf(BiffWriter& out, const CellFormat& format) const
{
    const auto& b = format.borders;
    const bool filled = format.fillColorIndex != ColorNone;
    out.begin(rec::Xf);
    out.u16(fontIndexOf(format.font)).u16(numberFormatOf(format.numberFormat)).u16(rec::CellXfFlags);
    out.u8(horizontalCode(format.horizontal) | (format.wrap ? rec::XfWrap : 0)
           | verticalCode(format.vertical) << rec::XfVerticalShift);
    out.u8(0).u8(0).u8(rec::CellXfAttributes);
    out.u32(std::uint32_t(borderCode(b[EdgeLeft])) << rec::XfLeftLineShift
            | std::uint32_t(borderCode(b[EdgeRight])) << rec::XfRightLineShift
            | std::uint32_t(borderCode(b[EdgeTop])) << rec::XfTopLineShift
            | std::uint32_t(borderCode(b[EdgeBottom])) << rec::XfBottomLineShift
            | lineColor(b[EdgeLeft]) << rec::XfLeftColorShift | lineColor(b[EdgeRight]) << rec::XfRightColorShift);
    out.u32(lineColor(b[EdgeTop]) << rec::XfTopColorShift | lineColor(b[EdgeBottom]) << rec::XfBottomColorShift
            | std::uint32_t(filled ? rec::XfSolidPattern : 0) << rec::XfPatternShift);
    // A solid fill is the fill colour on the automatic background.
    out.u16(filled ? colorCode(format.fillColorIndex, SystemWindowText) | SystemWindowText << rec::XfBackgroundShift
                   : SystemWindowText | SystemWindowBackground << rec::XfBackgroundShift);
    out.end();
}

} // namespace ss::xls
