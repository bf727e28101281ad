#include "spreadsheet/xls/WorkbookWriter.h"

#include "spreadsheet/model/Address.h"
#include "spreadsheet/xls/BiffWriter.h"
#include "spreadsheet/xls/Formats.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/SharedStrings.h"
#include "spreadsheet/xls/SheetCheck.h"
#include "spreadsheet/xls/SheetWriter.h"

#include "automation/Error.h"

#include <QSet>

namespace ss::xls {

namespace {

// Smaller workbook streams would land in the compound file's mini stream,
// which some spreadsheets do not expect.
constexpr std::size_t MinimumStreamSize = 4096;
constexpr std::size_t WriteAccessLength = 112;
constexpr std::uint16_t Utf16CodePage = 1200;
// BOUNDSHEET, TABID and NAME count sheets in 16 bits.
constexpr std::size_t MaxSheets = 0xFFFF;

void u16Record(BiffWriter& out, std::uint16_t type, std::uint16_t value)
{
    out.record(type, [&](BiffWriter& w) { w.u16(value); });
}

void emptyRecord(BiffWriter& out, std::uint16_t type)
{
    out.record(type, [](BiffWriter&) {});
}

void checkWorkbook(const Workbook& book)
{
    if (book.sheets.empty())
        throw quorvale::AutomationError(QStringLiteral("A workbook needs at least one sheet"));
    if (book.sheets.size() > MaxSheets)
        throw quorvale::AutomationError(QStringLiteral("A workbook holds at most %1 sheets").arg(MaxSheets));
    if (book.activeSheet < 0 || book.activeSheet >= int(book.sheets.size()))
        throw quorvale::AutomationError(QStringLiteral("The active sheet %1 does not exist").arg(book.activeSheet + 1));
    QSet<QString> names;
    for (const auto& sheet : book.sheets) {
        checkSheet(*sheet);
        const QString key = sheet->name.toCaseFolded();
        if (names.contains(key))
            throw quorvale::AutomationError(QStringLiteral("Two sheets are named \"%1\"").arg(sheet->name));
        names.insert(key);
    }
}

// About the size of the stream, so that it grows without copies.
std::size_t expectedSize(const Workbook& book)
{
    std::size_t bytes = 64 * 1024;
    for (const auto& sheet : book.sheets)
        for (const Row& row : sheet->rows) {
            bytes += 24 + 18 * row.cells.size();
            for (const Cell& cell : row.cells)
                if (const QString* text = std::get_if<QString>(&cell.value))
                    bytes += 2 * std::size_t(text->size());
        }
    return bytes;
}

SharedStrings sharedStringsOf(const Workbook& book)
{
    SharedStrings strings;
    for (const auto& sheet : book.sheets)
        for (const Row& row : sheet->rows)
            for (const Cell& cell : row.cells)
                if (const QString* text = std::get_if<QString>(&cell.value))
                    strings.use(*text);
    return strings;
}

void writeAccess(BiffWriter& out)
{
    const QString user = QStringLiteral("Quorvale");
    out.begin(rec::WriteAccess);
    out.u16(std::uint32_t(user.size())).flaggedChars(user);
    while (out.recordLength() < WriteAccessLength)
        out.u8(' ');
    out.end();
}

void tabId(BiffWriter& out, const Workbook& book)
{
    out.begin(rec::TabId);
    for (std::size_t i = 0; i < book.sheets.size(); ++i)
        out.u16(std::uint32_t(i + 1));
    out.endContinued(0, rec::SheetIdSize);
}

void window1(BiffWriter& out, const Workbook& book)
{
    out.record(rec::Window1, [&](BiffWriter& w) {
        w.u16(0).u16(0).u16(16384).u16(8192).u16(rec::Window1Default);
        w.u16(std::uint32_t(book.activeSheet)).u16(0).u16(1).u16(600);
    });
}

void palette(BiffWriter& out, const Workbook& book)
{
    out.begin(rec::Palette);
    out.u16(std::uint32_t(book.colors.size()));
    for (const std::int32_t color : book.colors)
        out.u8(color & 0xFF).u8(color >> 8 & 0xFF).u8(color >> 16 & 0xFF).u8(0);
    out.end();
}

std::uint8_t visibilityCode(SheetVisibility visibility)
{
    switch (visibility) {
    case SheetVisibility::Visible: break;
    case SheetVisibility::Hidden: return rec::SheetHidden;
    case SheetVisibility::VeryHidden: return rec::SheetVeryHidden;
    }
    return rec::SheetVisible;
}

// BOUNDSHEET records; returns where each sheet's stream offset goes.
std::vector<std::size_t> boundSheets(BiffWriter& out, const Workbook& book)
{
    std::vector<std::size_t> offsets;
    for (const auto& sheet : book.sheets) {
        out.begin(rec::BoundSheet);
        offsets.push_back(out.position());
        out.u32(0).u8(visibilityCode(sheet->visibility)).u8(rec::SheetWorksheet);
        out.u8(std::uint32_t(sheet->name.size())).flaggedChars(sheet->name);
        out.end();
    }
    return offsets;
}

// The print areas by sheet index, for the sheets that have one.
std::vector<std::pair<std::size_t, Area>> printAreasOf(const Workbook& book)
{
    std::vector<std::pair<std::size_t, Area>> areas;
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        const QString& text = book.sheets[i]->pageSetup.printArea;
        if (!text.isEmpty())
            areas.emplace_back(i, parseAddress(text));
    }
    return areas;
}

// The print areas as built-in names, each a 3-D reference through
// EXTERNSHEET to the workbook itself.
void printAreaNames(BiffWriter& out, const Workbook& book)
{
    const auto areas = printAreasOf(book);
    if (areas.empty())
        return;
    out.record(rec::SupBook,
               [&](BiffWriter& w) { w.u16(std::uint32_t(book.sheets.size())).u16(rec::InternalSupBook); });
    out.begin(rec::ExternSheet);
    out.u16(std::uint32_t(areas.size()));
    for (const auto& [sheet, area] : areas)
        out.u16(0).u16(std::uint32_t(sheet)).u16(std::uint32_t(sheet));
    out.endContinued(2, rec::XtiSize);
    for (std::size_t ref = 0; ref < areas.size(); ++ref) {
        const auto& [sheet, area] = areas[ref];
        out.begin(rec::Name);
        out.u16(rec::NameBuiltIn).u8(0).u8(1).u16(rec::Area3dSize).u16(0).u16(std::uint32_t(sheet + 1)).u32(0);
        out.u8(0).u8(rec::PrintAreaName);
        out.u8(rec::PtgArea3d).u16(std::uint32_t(ref)).u16(std::uint32_t(area.top)).u16(std::uint32_t(area.bottom));
        out.u16(std::uint32_t(area.left)).u16(std::uint32_t(area.right));
        out.end();
    }
}

void globals(BiffWriter& out, const Workbook& book, const FormatPlan& formats, const SharedStrings& strings,
             std::vector<std::size_t>& sheetOffsets)
{
    writeBof(out, rec::BofGlobals);
    u16Record(out, rec::InterfaceHdr, Utf16CodePage);
    u16Record(out, rec::Mms, 0);
    emptyRecord(out, rec::InterfaceEnd);
    writeAccess(out);
    u16Record(out, rec::CodePage, Utf16CodePage);
    u16Record(out, rec::Dsf, 0);
    tabId(out, book);
    u16Record(out, rec::FnGroupCount, 14);
    u16Record(out, rec::WindowProtect, 0);
    u16Record(out, rec::Protect, 0);
    u16Record(out, rec::Password, 0);
    u16Record(out, rec::Prot4Rev, 0);
    u16Record(out, rec::Prot4RevPass, 0);
    window1(out, book);
    u16Record(out, rec::Backup, 0);
    u16Record(out, rec::HideObj, 0);
    u16Record(out, rec::DateMode, book.dates1904 ? rec::Dates1904 : 0);
    u16Record(out, rec::Precision, 1);
    u16Record(out, rec::RefreshAll, 0);
    u16Record(out, rec::BookBool, 0);
    formats.write(out);
    palette(out, book);
    u16Record(out, rec::UsesElfs, 0);
    sheetOffsets = boundSheets(out, book);
    out.record(rec::Country, [](BiffWriter& w) { w.u16(1).u16(1); });
    printAreaNames(out, book);
    strings.write(out);
    emptyRecord(out, rec::Eof);
}

} // namespace

void checkStorable(const Workbook& book)
{
    checkWorkbook(book);
    const FormatPlan formats(book);
}

Bytes writeWorkbookStream(const Workbook& book)
{
    checkWorkbook(book);
    const FormatPlan formats(book);
    const SharedStrings strings = sharedStringsOf(book);
    BiffWriter out;
    out.reserve(expectedSize(book));
    std::vector<std::size_t> sheetOffsets;
    globals(out, book, formats, strings, sheetOffsets);
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        out.patchU32(sheetOffsets[i], std::uint32_t(out.position()));
        writeSheet(out, *book.sheets[i], int(i) == book.activeSheet, formats, strings);
    }
    if (out.position() < MinimumStreamSize)
        out.zeros(MinimumStreamSize - out.position());
    return out.take();
}

} // namespace ss::xls
