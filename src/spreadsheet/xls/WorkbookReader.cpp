#include "spreadsheet/xls/WorkbookReader.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/Encoding.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/SharedStrings.h"
#include "spreadsheet/xls/SheetReader.h"
#include "spreadsheet/xls/WorkbookWriter.h"

#include <map>

namespace ss::xls {

namespace {

struct SheetEntry {
    std::uint32_t offset;
    QString name;
    SheetVisibility visibility;
};

struct PrintArea {
    std::uint16_t sheet; // 1-based, as the NAME record ties it
    std::uint16_t reference;
    Area area;
};

// What the globals substream holds, as read.
struct Globals {
    std::vector<Font> fonts;
    std::vector<Record> xfs;
    std::map<std::uint16_t, QString> numberFormats; // the codes of the FORMAT records by their number
    bool calculated = false;                        // a RECALCID record is there
    std::vector<SheetEntry> sheets;
    // The worksheet of each BOUNDSHEET record by its position, which the
    // active sheet and defined names refer to; -1 for a chart sheet, which
    // the workbook leaves out.
    std::vector<int> worksheetOfTab;
    std::size_t references = 0;
    std::vector<PrintArea> printAreas;
    std::vector<QString> strings;
    std::uint16_t activeSheet = 0;
};

class GlobalsParser {
public:
    GlobalsParser(const Bytes& stream, Workbook& book) : m_stream(stream), m_book(book) {}

    Globals read();

private:
    void dispatch(RecordStream& records, const Record& record);
    void font(const Record& record);
    void numberFormat(const Record& record);
    void palette(const Record& record);
    void boundSheet(const Record& record);
    void externSheet(RecordStream& records, const Record& record);
    void name(const Record& record);
    void sharedStrings(RecordStream& records, const Record& record);

    const Bytes& m_stream;
    Workbook& m_book;
    Globals m_globals;
};

Globals GlobalsParser::read()
{
    RecordStream records(m_stream, 0);
    if (records.atEnd())
        damaged(QStringLiteral("the workbook stream is empty"));
    const Record bof = records.next();
    Cursor in(bof);
    if (bof.type != rec::Bof || in.u16() != rec::Biff8Version || in.u16() != rec::BofGlobals)
        damaged(QStringLiteral("the workbook stream does not start with the BOF record of an Excel 97-2003 workbook"));
    for (;;) {
        if (records.atEnd())
            damaged(QStringLiteral("the workbook globals end without an EOF record"));
        const Record record = records.next();
        if (record.type == rec::Eof)
            break;
        dispatch(records, record);
    }
    return std::move(m_globals);
}

void GlobalsParser::dispatch(RecordStream& records, const Record& record)
{
    Cursor in(record);
    switch (record.type) {
    case rec::FilePass: damaged(QStringLiteral("the workbook is protected by a password"));
    case rec::Font: font(record); break;
    case rec::Format: numberFormat(record); break;
    case rec::Xf: in.need(20); m_globals.xfs.push_back(record); break;
    case rec::Palette: palette(record); break;
    case rec::Window1: in.skip(10); m_globals.activeSheet = in.u16(); break;
    case rec::RecalcId: m_globals.calculated = true; break;
    case rec::DateMode: m_book.dates1904 = in.u16() == rec::Dates1904; break;
    case rec::BoundSheet: boundSheet(record); break;
    case rec::ExternSheet: externSheet(records, record); break;
    case rec::Name: name(record); break;
    case rec::Sst: sharedStrings(records, record); break;
    default: break;
    }
}

void GlobalsParser::numberFormat(const Record& record)
{
    Cursor in(record);
    const std::uint16_t id = in.u16();
    m_globals.numberFormats[id] = in.string();
}

void GlobalsParser::font(const Record& record)
{
    Cursor in(record);
    Font font;
    font.size = pointsOf(in.u16());
    font.italic = in.u16() & rec::FontItalic;
    font.colorIndex = colorIndexOf(in.u16());
    font.bold = in.u16() >= rec::FontWeightBoldFrom;
    in.skip(6);
    font.name = in.shortString();
    m_globals.fonts.push_back(font);
}

void GlobalsParser::palette(const Record& record)
{
    Cursor in(record);
    const std::uint16_t count = in.u16();
    if (count > m_book.colors.size())
        damaged(QStringLiteral("%1 holds %2 colours; a palette has %3")
                    .arg(record.where())
                    .arg(count)
                    .arg(PaletteSize));
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint8_t r = in.u8(), g = in.u8(), b = in.u8();
        in.u8();
        m_book.colors[i] = std::int32_t(r | g << 8 | b << 16);
    }
}

// A worksheet, or a chart sheet, which is left out: the workbook holds
// worksheets only.
void GlobalsParser::boundSheet(const Record& record)
{
    Cursor in(record);
    const std::uint32_t offset = in.u32();
    const std::uint8_t visibility = in.u8() & rec::SheetVisibilityMask;
    const std::uint8_t kind = in.u8();
    if (kind == rec::SheetChart) {
        m_globals.worksheetOfTab.push_back(-1);
        return;
    }
    if (kind != rec::SheetWorksheet)
        damaged(QStringLiteral("%1 is a macro sheet or module, which this application cannot open").arg(record.where()));
    if (visibility > rec::SheetVeryHidden)
        damaged(QStringLiteral("%1 gives the sheet visibility %2, which is not defined").arg(record.where()).arg(visibility));
    m_globals.worksheetOfTab.push_back(int(m_globals.sheets.size()));
    m_globals.sheets.push_back({offset, in.shortString(), SheetVisibility(visibility)});
}

// The references to sheets, one XTI structure each; a long list goes on in
// CONTINUE records.
void GlobalsParser::externSheet(RecordStream& records, const Record& record)
{
    ContinuedCursor in(withContinues(records, record));
    m_globals.references = in.u16();
    in.skip(m_globals.references * rec::XtiSize);
}

// Of the defined names only the print areas belong to the model.
void GlobalsParser::name(const Record& record)
{
    Cursor in(record);
    const std::uint16_t options = in.u16();
    in.u8();
    const std::uint8_t length = in.u8();
    const std::uint16_t formulaSize = in.u16();
    in.u16();
    const std::uint16_t sheet = in.u16();
    in.skip(4);
    const QString text = in.flaggedChars(length);
    in.need(formulaSize);
    const bool printArea = (options & rec::NameBuiltIn) && text == QString(QChar(rec::PrintAreaName));
    if (!printArea || formulaSize != rec::Area3dSize)
        return;
    const std::uint8_t token = in.u8();
    if ((token & rec::PtgKindMask) != (rec::PtgArea3d & rec::PtgKindMask)) // a 3-D area in any class
        return;
    PrintArea area{sheet, in.u16(), {}};
    area.area.top = in.u16();
    area.area.bottom = in.u16();
    area.area.left = in.u16() & rec::RefColumnMask;
    area.area.right = in.u16() & rec::RefColumnMask;
    if (area.area.top > area.area.bottom || area.area.left > area.area.right)
        damaged(QStringLiteral("%1 holds a print area that is not a range of the sheet").arg(record.where()));
    m_globals.printAreas.push_back(area);
}

void GlobalsParser::sharedStrings(RecordStream& records, const Record& record)
{
    ContinuedCursor in(withContinues(records, record));
    m_globals.strings = readSharedStrings(in);
}

CellFormat cellFormatOf(const Record& xf, const Globals& globals)
{
    Cursor in(xf);
    const std::uint16_t fontIndex = in.u16();
    const std::uint16_t numberFormat = in.u16();
    const std::size_t fontRecord = fontIndex < rec::SkippedFontIndex ? fontIndex : std::size_t(fontIndex) - 1;
    if (fontIndex == rec::SkippedFontIndex || fontRecord >= globals.fonts.size())
        damaged(QStringLiteral("%1 uses font %2, which the file does not have").arg(xf.where()).arg(fontIndex));
    if (numberFormat >= rec::FirstCustomNumberFormat && !globals.numberFormats.count(numberFormat))
        damaged(QStringLiteral("%1 uses number format %2, which the file does not define").arg(xf.where()).arg(numberFormat));
    CellFormat format;
    format.font = globals.fonts[fontRecord];
    const auto own = globals.numberFormats.find(numberFormat);
    format.numberFormat = own != globals.numberFormats.end() ? own->second : builtInNumberFormat(numberFormat);
    if (builtInNumberFormatId(format.numberFormat) == 0)
        format.numberFormat.clear();
    in.u16();
    const std::uint8_t align = in.u8();
    format.horizontal = horizontalOf(align & rec::XfHorizontalMask);
    format.wrap = align & rec::XfWrap;
    format.vertical = verticalOf(align >> rec::XfVerticalShift & rec::XfVerticalMask);
    in.skip(3);
    const std::uint32_t lines = in.u32();
    const std::uint32_t colours = in.u32();
    const std::uint16_t pattern = in.u16();
    const auto line = [](std::uint32_t code, std::uint32_t colour) {
        const int colorIndex = colorIndexOf(std::uint16_t(colour & rec::XfColorMask));
        return borderLineOf(std::uint8_t(code & rec::XfLineMask), colorIndex);
    };
    format.borders[EdgeLeft] = line(lines >> rec::XfLeftLineShift, lines >> rec::XfLeftColorShift);
    format.borders[EdgeRight] = line(lines >> rec::XfRightLineShift, lines >> rec::XfRightColorShift);
    format.borders[EdgeTop] = line(lines >> rec::XfTopLineShift, colours >> rec::XfTopColorShift);
    format.borders[EdgeBottom] = line(lines >> rec::XfBottomLineShift, colours >> rec::XfBottomColorShift);
    const bool filled = (colours >> rec::XfPatternShift & rec::XfPatternMask) != 0;
    format.fillColorIndex = filled ? colorIndexOf(pattern & rec::XfColorMask) : ColorNone;
    return format;
}

// The worksheet a BOUNDSHEET position names; -1 for a chart sheet or a
// position past them.
int worksheetAt(const Globals& globals, std::size_t tab)
{
    return tab < globals.worksheetOfTab.size() ? globals.worksheetOfTab[tab] : -1;
}

void tiePrintAreas(const Globals& globals, Workbook& book)
{
    for (const PrintArea& area : globals.printAreas) {
        const int sheet = area.sheet < 1 ? -1 : worksheetAt(globals, area.sheet - 1u);
        if (sheet < 0 || area.reference >= globals.references)
            damaged(QStringLiteral("a print area refers to sheet %1 or reference %2, which the file does not have")
                        .arg(area.sheet)
                        .arg(area.reference));
        book.sheets[std::size_t(sheet)]->pageSetup.printArea = addressText(area.area);
    }
}

} // namespace

std::unique_ptr<Workbook> readWorkbookStream(const Bytes& stream)
{
    auto book = std::make_unique<Workbook>();
    const Globals globals = GlobalsParser(stream, *book).read();
    if (globals.sheets.empty())
        damaged(QStringLiteral("the workbook has no worksheets"));
    if (globals.xfs.size() <= rec::DefaultCellXf)
        damaged(QStringLiteral("the workbook has %1 cell formats; even an empty one has 16").arg(globals.xfs.size()));
    std::vector<FormatId> formatOfXf;
    for (const Record& xf : globals.xfs)
        formatOfXf.push_back(book->formats.intern(cellFormatOf(xf, globals)));
    std::size_t cellsBefore = 0;
    for (const SheetEntry& entry : globals.sheets) {
        Sheet& sheet = book->addSheet(entry.name);
        sheet.visibility = entry.visibility;
        readSheet(stream, entry.offset, sheet, {formatOfXf, globals.strings, globals.calculated, cellsBefore});
        cellsBefore += sheet.storedCells();
    }
    tiePrintAreas(globals, *book);
    book->activeSheet = std::max(worksheetAt(globals, globals.activeSheet), 0);
    // A workbook that opens can be saved again: what BIFF8 cannot store
    // (a font without a name, a text too long for a cell, a number that is
    // not finite, two sheets of one name...) is damage.
    checkStorable(*book);
    return book;
}

} // namespace ss::xls
