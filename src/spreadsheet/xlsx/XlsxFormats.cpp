// The cell formats of a workbook as libxlsxwriter formats: the font, the
// fill, the borders, the alignment and the number format of each.
#include "spreadsheet/xlsx/XlsxFormats.h"

#include "automation/Error.h"

#include <QByteArray>

namespace ss::xlsx {

namespace {

// The longest font name or number format code libxlsxwriter keeps, in
// bytes of UTF-8; it would cut a longer one short.
constexpr qsizetype MaxFieldBytes = LXW_FORMAT_FIELD_LEN - 1;

// The UTF-8 of a font name or a number format code (what), whole.
QByteArray fieldOf(const QString& text, const char* what)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || bytes.size() > MaxFieldBytes)
        throw quorvale::AutomationError(QStringLiteral("the %1 \"%2\" must have 1 to %3 bytes in an .xlsx file")
                                            .arg(QLatin1String(what), text)
                                            .arg(MaxFieldBytes));
    return bytes;
}

void setFont(lxw_format* out, const Font& font, const Workbook& book)
{
    format_set_font_name(out, fieldOf(font.name, "font name").constData());
    format_set_font_size(out, font.size);
    if (font.bold)
        format_set_bold(out);
    if (font.italic)
        format_set_italic(out);
    if (font.colorIndex != ColorAutomatic)
        format_set_font_color(out, rgbOf(book, font.colorIndex));
}

// A number format built into the spreadsheet by its number, so that it
// shows as the reader's locale has it (14 is the short date); another by its
// code. General is the default.
void setNumberFormat(lxw_format* out, const QString& code)
{
    const int builtIn = builtInNumberFormatId(code);
    if (builtIn > 0)
        format_set_num_format_index(out, std::uint8_t(builtIn));
    else if (builtIn < 0)
        format_set_num_format(out, fieldOf(code, "number format").constData());
}

// A solid fill in a palette colour; an automatic fill is no fill, as the
// automation Interior has it.
void setFill(lxw_format* out, int fillColorIndex, const Workbook& book)
{
    if (fillColorIndex == ColorNone || fillColorIndex == ColorAutomatic)
        return;
    format_set_pattern(out, LXW_PATTERN_SOLID);
    format_set_bg_color(out, rgbOf(book, fillColorIndex));
}

// The nearest line of the file to a line style and weight, as the BIFF8
// writer picks it: a hairline is the finest continuous line, and a dashed
// line is medium or thin.
std::uint8_t lineStyleOf(const BorderLine& line)
{
    switch (line.style) {
    case LineStyle::None: return LXW_BORDER_NONE;
    case LineStyle::Continuous:
        switch (line.weight) {
        case LineWeight::Hairline: return LXW_BORDER_HAIR;
        case LineWeight::Thin: return LXW_BORDER_THIN;
        case LineWeight::Medium: return LXW_BORDER_MEDIUM;
        case LineWeight::Thick: return LXW_BORDER_THICK;
        }
        break;
    case LineStyle::Dash:
        return line.weight == LineWeight::Medium || line.weight == LineWeight::Thick ? LXW_BORDER_MEDIUM_DASHED
                                                                                     : LXW_BORDER_DASHED;
    case LineStyle::Dot: return LXW_BORDER_DOTTED;
    case LineStyle::Double: return LXW_BORDER_DOUBLE;
    }
    return LXW_BORDER_THIN;
}

void setBorders(lxw_format* out, const std::array<BorderLine, 4>& borders, const Workbook& book)
{
    struct Side {
        Edge edge;
        void (*style)(lxw_format*, std::uint8_t);
        void (*color)(lxw_format*, lxw_color_t);
    };
    static constexpr Side Sides[] = {
        {EdgeLeft, format_set_left, format_set_left_color},
        {EdgeTop, format_set_top, format_set_top_color},
        {EdgeBottom, format_set_bottom, format_set_bottom_color},
        {EdgeRight, format_set_right, format_set_right_color},
    };
    for (const Side& side : Sides) {
        const BorderLine& line = borders[side.edge];
        if (!line.present())
            continue;
        side.style(out, lineStyleOf(line));
        if (line.colorIndex != ColorAutomatic)
            side.color(out, rgbOf(book, line.colorIndex));
    }
}

// General across and bottom down are the file's defaults, so they are not
// written.
void setAlignment(lxw_format* out, const CellFormat& format)
{
    switch (format.horizontal) {
    case HAlign::General: break;
    case HAlign::Left: format_set_align(out, LXW_ALIGN_LEFT); break;
    case HAlign::Center: format_set_align(out, LXW_ALIGN_CENTER); break;
    case HAlign::Right: format_set_align(out, LXW_ALIGN_RIGHT); break;
    }
    switch (format.vertical) {
    case VAlign::Top: format_set_align(out, LXW_ALIGN_VERTICAL_TOP); break;
    case VAlign::Center: format_set_align(out, LXW_ALIGN_VERTICAL_CENTER); break;
    case VAlign::Bottom: break;
    }
    if (format.wrap)
        format_set_text_wrap(out);
}

} // namespace

lxw_color_t rgbOf(const Workbook& book, int colorIndex)
{
    if (colorIndex < 1 || colorIndex > PaletteSize)
        throw quorvale::AutomationError(
            QStringLiteral("colour index %1 is not one of the %2 palette colours").arg(colorIndex).arg(PaletteSize));
    // The palette's words are red + 256 * green + 65536 * blue.
    const auto word = std::uint32_t(book.colors[std::size_t(colorIndex - 1)]);
    const lxw_color_t rgb = (word & 0xFFu) << 16 | (word & 0xFF00u) | (word >> 16 & 0xFFu);
    // libxlsxwriter reads 0 as "no colour" and names black apart.
    return rgb == 0 ? lxw_color_t(LXW_COLOR_BLACK) : rgb;
}

XlsxFormats::XlsxFormats(lxw_workbook* file, const Workbook& book)
    : m_file(file), m_book(book), m_made(book.formats.size(), nullptr)
{}

lxw_format* XlsxFormats::operator[](FormatId id)
{
    if (id == NoFormat)
        return nullptr;
    lxw_format*& made = m_made[id];
    if (!made)
        made = make(m_book.formats[id]);
    return made;
}

lxw_format* XlsxFormats::make(const CellFormat& format)
{
    lxw_format* out = workbook_add_format(m_file);
    if (!out)
        throw quorvale::AutomationError(QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    setFont(out, format.font, m_book);
    setFill(out, format.fillColorIndex, m_book);
    setBorders(out, format.borders, m_book);
    setAlignment(out, format);
    setNumberFormat(out, format.numberFormat);
    return out;
}

} // namespace ss::xlsx
