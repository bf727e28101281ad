// Saving and opening .xls files: every property of the model survives a
// save and an open, and a second save gives the same model and the same
// bytes; the file is well-formed BIFF8; a failed save leaves nothing behind.

#include "support/XlsCompare.h"
#include "support/XlsInventory.h"

#include "automation/Error.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/BiffWriter.h"
#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Encoding.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/Xls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using namespace ss;
namespace rec = ss::xls::rec;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

xls::Bytes workbookStream(const QString& path)
{
    const QByteArray data = fileBytes(path);
    return xls::readCompoundStream(xls::Bytes(data.begin(), data.end()), "Workbook");
}

std::vector<xls::Record> recordsFrom(const xls::Bytes& stream, std::size_t offset)
{
    std::vector<xls::Record> records;
    xls::RecordStream in(stream, offset);
    while (!in.atEnd()) {
        records.push_back(in.next());
        if (records.back().type == rec::Eof)
            break;
    }
    return records;
}

// Every record of the stream, globals and sheets, up to the padding.
std::vector<xls::Record> allRecords(const xls::Bytes& stream)
{
    std::vector<xls::Record> records;
    xls::RecordStream in(stream, 0);
    while (!in.atEnd() && in.peekType() != 0)
        records.push_back(in.next());
    return records;
}

std::uint32_t u32At(const xls::Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t u16At(const xls::Bytes& b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }

bool isCell(std::uint16_t type)
{
    for (const std::uint16_t cell : {rec::LabelSst, rec::Label, rec::Number, rec::Rk, rec::MulRk, rec::Blank, rec::MulBlank,
                                     rec::Formula, rec::BoolErr})
        if (type == cell)
            return true;
    return false;
}

// The cell table of a sheet as the format lays it out. DIMENSIONS spans the
// rows of the ROW records and the columns of the cells. The row blocks are
// 32 rows each from the first of those rows; INDEX finds the DBCELL of every
// block, with or without rows; a DBCELL finds its block's first ROW and the
// first cell of each of its rows, 0 for a row without cells.
void checkCellTable(const xls::Bytes& stream, const std::vector<xls::Record>& sheet)
{
    std::vector<int> rows;
    std::map<int, std::size_t> firstCellOf;
    int left = MaxColumns, right = -1;
    for (const xls::Record& r : sheet) {
        if (r.type == rec::Row)
            rows.push_back(u16At(stream, r.offset + 4));
        if (!isCell(r.type))
            continue;
        firstCellOf.try_emplace(u16At(stream, r.offset + 4), r.offset);
        left = std::min<int>(left, u16At(stream, r.offset + 6));
        const bool multiple = r.type == rec::MulRk || r.type == rec::MulBlank;
        right = std::max<int>(right, u16At(stream, multiple ? r.offset + 4 + r.data.size() - 2 : r.offset + 6));
    }
    QVERIFY(std::is_sorted(rows.begin(), rows.end()));
    const auto dimensions = std::find_if(sheet.begin(), sheet.end(), [](const xls::Record& r) { return r.type == rec::Dimensions; });
    QVERIFY(dimensions != sheet.end());
    const std::size_t d = dimensions->offset + 4;
    const int first = rows.empty() ? 0 : rows.front(), end = rows.empty() ? 0 : rows.back() + 1;
    QCOMPARE(int(u32At(stream, d)), first);
    QCOMPARE(int(u32At(stream, d + 4)), end);
    QCOMPARE(int(u16At(stream, d + 8)), right < 0 ? 0 : left);
    QCOMPARE(int(u16At(stream, d + 10)), right < 0 ? (rows.empty() ? 0 : 1) : right + 1);

    const xls::Record& index = sheet[1];
    QCOMPARE(index.type, rec::Index);
    QCOMPARE(int(u32At(stream, index.offset + 8)), first);
    QCOMPARE(int(u32At(stream, index.offset + 12)), end);
    QCOMPARE(u16At(stream, u32At(stream, index.offset + 16)), rec::DefColWidth);
    const std::size_t blocks = (index.data.size() - 16) / 4;
    QCOMPARE(blocks, std::size_t(end - first + 31) / 32);
    auto row = rows.begin();
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t db = u32At(stream, index.offset + 20 + 4 * b);
        QCOMPARE(u16At(stream, db), rec::DbCell);
        const auto blockEnd = std::find_if(row, rows.end(), [&](int r) { return r >= first + 32 * int(b + 1); });
        const std::size_t count = std::size_t(blockEnd - row);
        QCOMPARE(std::size_t(u16At(stream, db + 2) - 4) / 2, count);
        QCOMPARE(u32At(stream, db + 4) == 0, count == 0);
        const std::size_t firstRow = db - u32At(stream, db + 4);
        std::size_t cell = firstRow + 20;
        for (std::size_t i = 0; i < count; ++i, ++row) {
            QCOMPARE(u16At(stream, firstRow + 20 * i), rec::Row);
            QCOMPARE(int(u16At(stream, firstRow + 20 * i + 4)), *row);
            const std::uint16_t offset = u16At(stream, db + 8 + 2 * i);
            const auto found = firstCellOf.find(*row);
            if (found == firstCellOf.end()) {
                QCOMPARE(offset, std::uint16_t(0));
                continue;
            }
            cell += offset;
            QCOMPARE(cell, found->second);
        }
    }
    QVERIFY(row == rows.end());
}

using xlsinventory::inventory;

FormatId format(Workbook& book, const std::function<void(CellFormat&)>& change)
{
    CellFormat f;
    change(f);
    return book.formats.intern(f);
}

// Two sheets that use every property the model has.
Workbook everything()
{
    Workbook book;
    book.colors[4] = 0x123456;
    book.colors[55] = 0xABCDEF;
    Sheet& first = book.addSheet(QStringLiteral("Übersicht €"));
    Sheet& second = book.addSheet(QStringLiteral("Second"));
    book.activeSheet = 1;
    book.dates1904 = true;
    first.visibility = SheetVisibility::Hidden;

    first.defaultFormat = format(book, [](CellFormat& f) { f.fillColorIndex = 2; f.vertical = VAlign::Center; });
    first.columns[1].width = 20.57;
    first.columns[2].format = format(book, [](CellFormat& f) { f.horizontal = HAlign::Right; });
    first.columns[3].width = 0.5;
    first.columns[3].format = format(book, [](CellFormat& f) { f.font.italic = true; });
    first.columns[255].width = 3;
    first.rowAt(0).height = 30.25;
    first.rowAt(4).format = format(book, [](CellFormat& f) { f.fillColorIndex = 13; f.wrap = true; });
    first.rowAt(7).height = 0;

    const std::pair<LineStyle, LineWeight> lines[] = {
        {LineStyle::Continuous, LineWeight::Hairline}, {LineStyle::Continuous, LineWeight::Thin},
        {LineStyle::Continuous, LineWeight::Medium}, {LineStyle::Continuous, LineWeight::Thick},
        {LineStyle::Dash, LineWeight::Thin}, {LineStyle::Dash, LineWeight::Medium},
        {LineStyle::Dot, LineWeight::Thin}, {LineStyle::Double, LineWeight::Thick}};
    int col = 0;
    for (const auto& [style, weight] : lines) {
        const FormatId id = format(book, [&, style = style, weight = weight](CellFormat& f) {
            for (int e = 0; e < 4; ++e)
                f.borders[std::size_t(e)] = BorderLine{style, weight, e == 0 ? ColorAutomatic : 10 + e + col};
            f.font = Font{QStringLiteral("Ŧimes ☃"), 10.5 + col, col % 2 == 0, col % 3 == 0, col == 0 ? ColorAutomatic : col};
            f.fillColorIndex = col == 1 ? ColorAutomatic : 20 + col;
            f.horizontal = HAlign(col % 4);
            f.vertical = VAlign(col % 3);
            f.wrap = col % 2;
        });
        Cell& cell = first.cellAt(2, col++);
        cell.format = id;
        cell.value = QStringLiteral("line %1").arg(col);
    }
    const double numbers[] = {0, 1, -1, 536870911, -536870912, 536870912, 46.99, -0.001, 1e300, 0.5, 1e-300, 12345678.9};
    for (std::size_t i = 0; i < std::size(numbers); ++i)
        first.cellAt(3, int(i)).value = numbers[i];
    // TRUE, FALSE and errors; numbers in a built-in and in an own format.
    first.cellAt(4, 0).value = true;
    first.cellAt(4, 1).value = false;
    first.cellAt(4, 2).value = CellError::Div0;
    first.cellAt(4, 3).value = CellError::NA;
    Cell& date = first.cellAt(4, 4);
    date.value = 44439.0;
    date.format = format(book, [](CellFormat& f) { f.numberFormat = QStringLiteral("m/d/yyyy"); });
    Cell& stamp = first.cellAt(4, 5);
    stamp.value = 44439.5729166667;
    stamp.format = format(book, [](CellFormat& f) { f.numberFormat = QStringLiteral("yyyy-mm-dd\\Thh:mm:ss"); });
    first.cellAt(5, 0).value = QString();
    first.cellAt(5, 1).value = QStringLiteral("𝄞 clef, 中文, ελληνικά");
    const FormatId blank = format(book, [](CellFormat& f) { f.fillColorIndex = 5; });
    for (int c = 10; c < 14; ++c)
        first.cellAt(5, c).format = blank; // a MULBLANK
    first.cellAt(6, 200).format = blank;   // a BLANK
    first.cellAt(65535, 255).value = QStringLiteral("last cell");
    first.merges = {Area{10, 0, 11, 1}, Area{12, 2, 12, 4}};
    first.activeRow = 10;
    first.activeColumn = 0;
    first.selection = Area{10, 0, 11, 1};
    PageSetup& page = first.pageSetup;
    page.printArea = QStringLiteral("$B$2:$D$9");
    page.leftMargin = 10;
    page.rightMargin = 20.5;
    page.topMargin = 72;
    page.bottomMargin = 1;
    page.headerMargin = 5;
    page.footerMargin = 7;
    page.printComments = CommentPrinting::InPlace;
    page.orientation = Orientation::Portrait;
    page.paperSize = 1;
    page.zoom = 85;
    page.fitToPagesWide = 2;
    page.fitToPagesTall = 0;

    second.standardWidth = 10.71;
    second.defaultRowHeight = 15;
    second.cellAt(0, 0).value = QStringLiteral("only");
    second.pageSetup.printComments = CommentPrinting::AtEnd;
    second.pageSetup.fitToPagesWide = 3;
    second.pageSetup.printArea = QStringLiteral("A:C");
    return book;
}

} // namespace

class XlsRoundTripTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Saves book, opens it, saves and opens again: the first open shows
    // what book showed, the second gives the same model and file.
    void roundTrip(const Workbook& book, const QString& name)
    {
        const QString a = path(name + "-1.xls"), b = path(name + "-2.xls"), c = path(name + "-3.xls");
        xls::save(book, a);
        const auto once = xls::open(a);
        const QString equivalent = xlscompare::compareEquivalent(book, *once);
        QVERIFY2(equivalent.isEmpty(), qPrintable(equivalent));
        xls::save(*once, b);
        const auto twice = xls::open(b);
        const QString exact = xlscompare::compareExact(*once, *twice);
        QVERIFY2(exact.isEmpty(), qPrintable(exact));
        xls::save(*twice, c);
        QCOMPARE(fileBytes(c), fileBytes(b));
        QCOMPARE(once->fullName, QFileInfo(a).absoluteFilePath());
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void inventoryLayoutSurvives_data()
    {
        QTest::addColumn<int>("items");
        for (const int n : {0, 1, 2, 1000})
            QTest::addRow("%d items", n) << n;
    }
    void inventoryLayoutSurvives()
    {
        QFETCH(int, items);
        roundTrip(inventory(items), QStringLiteral("inventory%1").arg(items));
    }

    void everyPropertySurvives() { roundTrip(everything(), QStringLiteral("everything")); }

    void readerKeepsSheetFormatAsColumnsShowIt()
    {
        xls::save(everything(), path("levels.xls"));
        const auto book = xls::open(path("levels.xls"));
        const Sheet& sheet = *book->sheets.front();
        QCOMPARE(book->formats[sheet.defaultFormat].fillColorIndex, 2);
        QCOMPARE(sheet.columns[0].format, NoFormat);
        QCOMPARE(book->formats[sheet.columns[2].format].horizontal, HAlign::Right);
        QVERIFY(!sheet.columns[0].width.has_value());
        QCOMPARE(*sheet.columns[1].width, 20.57);
        QCOMPARE(*sheet.columns[3].width, 0.5);
        QCOMPARE(book->formats[sheet.rows[4].format].fillColorIndex, 13);
        QCOMPARE(sheet.rows[4].height.has_value(), false);
        QCOMPARE(*sheet.rows[0].height, 30.25);
        QCOMPARE(std::get<double>(sheet.cell(3, 6)->value), 46.99);
        QCOMPARE(std::get<double>(sheet.cell(3, 11)->value), 12345678.9);
        QCOMPARE(sheet.pageSetup.printArea, QStringLiteral("$B$2:$D$9"));
        QCOMPARE(book->sheets[1]->standardWidth, 10.71);
    }

    void longAndUnicodeTextsSurvive()
    {
        Workbook book;
        Sheet& sheet = book.addSheet(QStringLiteral("Texts"));
        const QString latin(32767, QChar(u'é'));
        QString wide;
        while (wide.size() < 32000)
            wide += QStringLiteral("ελ𝄞"); // surrogate pairs land on every record boundary in turn
        sheet.cellAt(0, 0).value = latin;
        sheet.cellAt(0, 1).value = wide;
        for (int i = 0; i < 9000; ++i)
            sheet.cellAt(1 + i / 8, i % 8).value = QStringLiteral("%1 • %2").arg(i).arg(QString(i % 50, QChar(u'x')));
        sheet.cellAt(2000, 0).value = latin; // used twice, stored once
        roundTrip(book, QStringLiteral("texts"));
    }

    void sharedStringsContinueWithoutCuttingCharacters()
    {
        Workbook book;
        Sheet& sheet = book.addSheet(QStringLiteral("Texts"));
        for (int i = 0; i < 40; ++i)
            sheet.cellAt(i, 0).value = QString(1000 + i, QChar(0x4E2D + i));
        const QString file = path("sst.xls");
        xls::save(book, file);
        const xls::Bytes stream = workbookStream(file);
        const auto records = recordsFrom(stream, 0);
        const auto sst = std::find_if(records.begin(), records.end(), [](const xls::Record& r) { return r.type == rec::Sst; });
        QVERIFY(sst != records.end());
        // Walk the strings through the pieces: a string's header is never
        // parted, a piece that ends inside a string ends on a whole
        // character, and the next piece repeats the option flag.
        std::vector<xls::Record> pieces{*sst};
        for (auto it = sst + 1; it != records.end() && it->type == rec::Continue; ++it)
            pieces.push_back(*it);
        QVERIFY(pieces.size() >= 10);
        std::size_t piece = 0, at = 8;
        for (int i = 0; i < 40; ++i) {
            if (at == pieces[piece].data.size()) {
                ++piece;
                at = 0;
            }
            const auto& data = pieces[piece].data;
            QVERIFY(at + 3 <= data.size());
            std::size_t left = data[at] | data[at + 1] << 8;
            QCOMPARE(int(left), 1000 + i);
            QCOMPARE(int(data[at + 2]), 1);
            at += 3;
            while (left > 0) {
                if (at == pieces[piece].data.size()) {
                    ++piece;
                    QVERIFY(piece < pieces.size());
                    QCOMPARE(int(pieces[piece].data[0]), 1);
                    at = 1;
                }
                const std::size_t room = pieces[piece].data.size() - at;
                const std::size_t take = std::min(left, room / 2);
                if (take < left)
                    QCOMPARE(room % 2, std::size_t(0));
                at += take * 2;
                left -= take;
            }
        }
        QCOMPARE(piece, pieces.size() - 1);
        QCOMPARE(at, pieces.back().data.size());
        const auto ext = std::find_if(records.begin(), records.end(), [](const xls::Record& r) { return r.type == rec::ExtSst; });
        QVERIFY(ext != records.end());
        // Every bucket points at the header of its first string.
        for (std::size_t field = 2; field + 8 <= ext->data.size(); field += 8) {
            const std::uint32_t position = u32At(stream, ext->offset + 4 + field);
            const std::size_t bucket = (field - 2) / 8;
            QCOMPARE(int(u16At(stream, position)), 1000 + int(bucket) * 8);
        }
    }

    // EXTSST: buckets of max(n / 128 + 1, 8) strings, at most 128 of them,
    // each found at the header of its first string, in the SST record or
    // the CONTINUE record that holds it.
    void extSstBucketsFollowTheStringCount_data()
    {
        QTest::addColumn<int>("strings");
        QTest::addColumn<int>("perBucket");
        QTest::newRow("100") << 100 << 8;
        QTest::newRow("1,024") << 1024 << 9;
        QTest::newRow("98,000") << 98000 << 766;
    }
    void extSstBucketsFollowTheStringCount()
    {
        QFETCH(int, strings);
        QFETCH(int, perBucket);
        Workbook book;
        Sheet& sheet = book.addSheet(QStringLiteral("Texts"));
        const auto text = [](int i) { return QStringLiteral("text %1").arg(i); };
        for (int i = 0; i < strings; ++i)
            sheet.cellAt(i / 2, i % 2).value = text(i);
        const QString file = path(QStringLiteral("extsst%1.xls").arg(strings));
        xls::save(book, file);
        const xls::Bytes stream = workbookStream(file);
        const auto records = recordsFrom(stream, 0);
        const auto ext = std::find_if(records.begin(), records.end(), [](const xls::Record& r) { return r.type == rec::ExtSst; });
        QVERIFY(ext != records.end());
        QCOMPARE(int(u16At(stream, ext->offset + 4)), perBucket);
        const std::size_t buckets = (ext->data.size() - 2) / 8;
        QCOMPARE(buckets, std::size_t((strings + perBucket - 1) / perBucket));
        QVERIFY(buckets <= 128);
        for (std::size_t b = 0; b < buckets; ++b) {
            const std::size_t field = ext->offset + 6 + 8 * b;
            const std::uint32_t position = u32At(stream, field);
            const QString expected = text(int(b) * perBucket);
            const std::size_t holder = position - u16At(stream, field + 4);
            QVERIFY(u16At(stream, holder) == rec::Sst || u16At(stream, holder) == rec::Continue);
            // The characters as far as that record holds them.
            const std::size_t end = holder + 4 + u16At(stream, holder + 2);
            const qsizetype shown = std::min(expected.size(), qsizetype(end - position - 3));
            QCOMPARE(int(u16At(stream, position)), int(expected.size()));
            QCOMPARE(QString::fromLatin1(reinterpret_cast<const char*>(&stream[position + 3]), shown), expected.left(shown));
        }
    }

    void streamIsWellFormed()
    {
        Workbook book = inventory(100);
        for (int i = 0; i < 3000; ++i)
            book.sheets.front()->merges.push_back(Area{200 + i, 0, 200 + i, 1});
        const QString file = path("structure.xls");
        xls::save(book, file);
        const xls::Bytes stream = workbookStream(file);
        QVERIFY(stream.size() >= 4096);
        const auto globals = recordsFrom(stream, 0);
        QCOMPARE(globals.front().type, rec::Bof);
        QCOMPARE(globals.back().type, rec::Eof);
        int fonts = 0;
        std::vector<std::uint32_t> sheetOffsets;
        for (const xls::Record& r : globals) {
            QVERIFY(r.data.size() <= rec::MaxRecordData);
            fonts += r.type == rec::Font;
            if (r.type == rec::BoundSheet)
                sheetOffsets.push_back(u32At(stream, r.offset + 4));
        }
        QVERIFY(fonts >= 6); // four standard fonts, Arial 14 bold and Tahoma bold
        QCOMPARE(sheetOffsets.size(), std::size_t(1));
        const auto sheet = recordsFrom(stream, sheetOffsets[0]);
        QCOMPARE(sheet.front().type, rec::Bof);
        QCOMPARE(u16At(stream, sheet.front().offset + 6), rec::BofWorksheet);
        QCOMPARE(sheet.back().type, rec::Eof);

        // The page set-up block in the order of the format, led by an empty
        // header and footer.
        const std::uint16_t pageSetup[] = {rec::Header,     rec::Footer,      rec::HCenter,   rec::VCenter, rec::LeftMargin,
                                           rec::RightMargin, rec::TopMargin, rec::BottomMargin, rec::Setup};
        const auto header = std::find_if(sheet.begin(), sheet.end(), [](const xls::Record& r) { return r.type == rec::Header; });
        QVERIFY(sheet.end() - header > std::ptrdiff_t(std::size(pageSetup)));
        for (std::size_t i = 0; i < std::size(pageSetup); ++i)
            QCOMPARE(header[std::ptrdiff_t(i)].type, pageSetup[i]);
        QVERIFY(header[0].data.empty() && header[1].data.empty());

        std::size_t merges = 0, mergeRecords = 0;
        for (const xls::Record& r : sheet) {
            if (r.type == rec::MergedCells) {
                ++mergeRecords;
                QVERIFY(u16At(stream, r.offset + 4) <= 1026);
                merges += u16At(stream, r.offset + 4);
            }
        }
        QCOMPARE(merges, std::size_t(3000));
        QCOMPARE(mergeRecords, std::size_t(3));

        checkCellTable(stream, sheet);
    }

    // Rows with only a height or a format, far apart: they count in
    // DIMENSIONS, and the row blocks without any row keep their places.
    void cellTableFollowsRowBlocks()
    {
        Workbook book = everything();
        Sheet& sparse = *book.sheets[1];
        sparse.rowAt(5).height = 20;
        sparse.rowAt(40).format = format(book, [](CellFormat& f) { f.font.bold = true; });
        sparse.cellAt(41, 3).value = 1.5;
        sparse.cellAt(42, 7).format = sparse.rowAt(40).format;
        sparse.rowAt(100).height = 30;
        sparse.rowAt(200).height = 40;
        const QString file = path("blocks.xls");
        xls::save(book, file);
        const xls::Bytes stream = workbookStream(file);
        for (const xls::Record& r : recordsFrom(stream, 0))
            if (r.type == rec::BoundSheet)
                checkCellTable(stream, recordsFrom(stream, u32At(stream, r.offset + 4)));
    }

    // Workbooks whose sheet list and print area references outgrow one
    // record: no record is longer than a record may be, the lists go on in
    // CONTINUE records whole, and the workbook reads back alike.
    void everyRecordFitsItsLimit_data()
    {
        QTest::addColumn<int>("sheets");
        QTest::addColumn<int>("printAreas");
        QTest::newRow("4,200 sheets") << 4200 << 0;
        QTest::newRow("1,400 print areas") << 1400 << 1400;
    }
    void everyRecordFitsItsLimit()
    {
        QFETCH(int, sheets);
        QFETCH(int, printAreas);
        Workbook book;
        for (int i = 0; i < sheets; ++i) {
            Sheet& sheet = book.addSheet(QStringLiteral("S%1").arg(i + 1));
            sheet.cellAt(i % 7, 0).value = double(i);
            if (i < printAreas)
                sheet.pageSetup.printArea = QStringLiteral("A1:C%1").arg(i + 1);
        }
        const QString file = path(QStringLiteral("records%1.xls").arg(sheets));
        xls::save(book, file);
        // Bytes of each record together with the CONTINUE records after it.
        std::map<std::uint16_t, std::size_t> bytes;
        std::uint16_t continued = 0;
        for (const xls::Record& r : allRecords(workbookStream(file))) {
            QVERIFY2(r.data.size() <= rec::MaxRecordData, qPrintable(r.where()));
            continued = r.type == rec::Continue ? continued : r.type;
            bytes[continued] += r.data.size();
        }
        QCOMPARE(bytes[rec::TabId], std::size_t(sheets) * rec::SheetIdSize);
        QCOMPARE(bytes[rec::ExternSheet], printAreas ? 2 + std::size_t(printAreas) * rec::XtiSize : 0);
        const auto read = xls::open(file);
        const QString equivalent = xlscompare::compareEquivalent(book, *read);
        QVERIFY2(equivalent.isEmpty(), qPrintable(equivalent));
    }

    void oversizedRecordIsRefusedByName()
    {
        xls::BiffWriter out;
        out.begin(rec::Palette);
        out.zeros(rec::MaxRecordData + 1);
        try {
            out.end();
            QFAIL("a record of 8,225 bytes was written");
        } catch (const quorvale::AutomationError& e) {
            QVERIFY2(e.description().contains("PALETTE") && e.description().contains("8225"), qPrintable(e.description()));
        }
    }

    // Numbers at the edges of the RK forms: neighbours share a MULRK, a
    // single one is an RK, each in the first form that holds it exactly,
    // and a number no form holds is a NUMBER; every bit comes back.
    void numbersKeepEveryBitThroughRkForms_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("form"); // the two low bits of the RK value, or -1 for a NUMBER
        const int integer = int(rec::RkInteger), hundredths = int(rec::RkInteger | rec::RkHundredths);
        const int high = 0, highHundredths = int(rec::RkHundredths);
        QTest::newRow("zero") << 0.0 << integer;
        QTest::newRow("negative zero") << -0.0 << high;
        QTest::newRow("largest integer") << 536870911.0 << integer;
        QTest::newRow("smallest integer") << -536870912.0 << integer;
        QTest::newRow("2^29") << 536870912.0 << high;
        QTest::newRow("-2^29 - 1") << -536870913.0 << -1;
        QTest::newRow("largest hundredths") << 5368709.11 << hundredths;
        QTest::newRow("smallest hundredths") << -5368709.12 << hundredths;
        QTest::newRow("2^29 hundredths") << 5368709.12 << highHundredths;
        QTest::newRow("price") << 46.99 << hundredths;
        QTest::newRow("small price") << 6.99 << hundredths;
        QTest::newRow("4.35, 434.99999999999994 times 100") << 4.35 << hundredths;
        QTest::newRow("minus a hundredth") << -0.01 << hundredths;
        QTest::newRow("sixteenth") << 0.0625 << high;
        QTest::newRow("half a hundredth") << 0.005 << highHundredths;
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << -1;
        QTest::newRow("1.005") << 1.005 << -1;
        QTest::newRow("12345678.9") << 12345678.9 << -1;
        QTest::newRow("21474836.47") << 21474836.47 << -1;
        QTest::newRow("1e300") << 1e300 << -1;
        QTest::newRow("largest") << std::numeric_limits<double>::max() << -1;
        QTest::newRow("denormal") << std::numeric_limits<double>::denorm_min() << -1;
    }
    void numbersKeepEveryBitThroughRkForms()
    {
        QFETCH(double, value);
        QFETCH(int, form);
        Workbook book;
        Sheet& sheet = book.addSheet(QStringLiteral("Numbers"));
        for (const int c : {0, 1, 3})
            sheet.cellAt(2, c).value = value;
        const QString file = path(QStringLiteral("rk.xls"));
        xls::save(book, file);
        const xls::Bytes stream = workbookStream(file);
        std::vector<std::uint16_t> kinds;
        for (const xls::Record& r : allRecords(stream)) {
            if (!isCell(r.type))
                continue;
            kinds.push_back(r.type);
            // The RK values follow the row, the column and an XF; in a MULRK each has its XF before it.
            const std::size_t values = r.type == rec::MulRk ? (r.data.size() - 6) / 6 : r.type == rec::Rk ? 1 : 0;
            for (std::size_t i = 0; i < values; ++i)
                QCOMPARE(int(u32At(stream, r.offset + 10 + 6 * i) & 3), form);
        }
        const std::vector<std::uint16_t> rkCells{rec::MulRk, rec::Rk}, numbers(3, rec::Number);
        QCOMPARE(kinds, form < 0 ? numbers : rkCells);
        const auto read = xls::open(file);
        for (const int c : {0, 1, 3}) {
            const double back = std::get<double>(read->sheets.front()->cell(2, c)->value);
            QCOMPARE(QByteArray::fromRawData(reinterpret_cast<const char*>(&back), 8).toHex(),
                     QByteArray::fromRawData(reinterpret_cast<const char*>(&value), 8).toHex());
        }
    }

    void sizesAreStoredAsSpreadsheetsCountThem()
    {
        QCOMPARE(xls::colInfoWidth(13.57), std::uint16_t(3657));
        QCOMPARE(xls::colInfoWidth(34.86), std::uint16_t(9106));
        QCOMPARE(xls::colInfoWidth(15), std::uint16_t(4022));
        for (const double w : {13.57, 34.86, 35.0, 10.71, 10.57, 15.0, 8.43, 0.5, 0.0, 255.0})
            QCOMPARE(xls::charactersOfColInfo(xls::colInfoWidth(w)), w);
        // Widths snap to whole pixels, as spreadsheets show them.
        QCOMPARE(xls::charactersOfColInfo(xls::colInfoWidth(20.5)), 20.57);
        QCOMPARE(xls::standardWidthOf(8), 8.43);
        QCOMPARE(xls::twips(43.5), std::uint16_t(870));
    }

    void unusualLinesBecomeTheNearestStoredLine()
    {
        QCOMPARE(xls::borderCode({LineStyle::Dash, LineWeight::Thick, 1}), std::uint8_t(8));
        QCOMPARE(xls::borderCode({LineStyle::Double, LineWeight::Thin, 1}), std::uint8_t(6));
        QCOMPARE(xls::borderCode({LineStyle::None, LineWeight::Thick, 5}), std::uint8_t(0));
        QCOMPARE(xls::borderLineOf(9, 3), (BorderLine{LineStyle::Dash, LineWeight::Thin, 3}));
        QCOMPARE(xls::colorIndexOf(0x7FFF), ColorAutomatic);
        QCOMPARE(xls::colorIndexOf(3), 4); // the fixed colours are the first palette slots
        QCOMPARE(xls::colorCode(56, 0), std::uint16_t(63));
    }

    void singleCellMergesAreNotStored()
    {
        Workbook book = inventory(1);
        book.sheets.front()->merges = {Area::cell(2, 0), Area{0, 0, 0, 8}};
        xls::save(book, path("merges.xls"));
        const auto read = xls::open(path("merges.xls"));
        QCOMPARE(read->sheets.front()->merges.size(), std::size_t(1));
        QCOMPARE(read->sheets.front()->merges.front(), (Area{0, 0, 0, 8}));
    }

    void failedSaveLeavesNothingAtThePath()
    {
        const QString missingDir = path("no/such/dir/book.xls");
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError, xls::save(inventory(1), missingDir));
        QVERIFY(!QFileInfo::exists(missingDir));

        QTemporaryDir dir;
        const QString target = dir.filePath("kept.xls");
        xls::save(inventory(2), target);
        const QByteArray before = fileBytes(target);
        Workbook tooLong = inventory(1);
        tooLong.sheets.front()->cellAt(5, 5).value = QString(32768, QChar(u'a'));
        try {
            xls::save(tooLong, target);
            QFAIL("a text over 32,767 characters was saved");
        } catch (const quorvale::AutomationError& e) {
            QVERIFY2(e.description().contains("32,767"), qPrintable(e.description()));
            QVERIFY(e.description().contains("$F$6"));
        }
        QCOMPARE(fileBytes(target), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.xls"});

        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError, xls::save(inventory(1), dir.path()));
        QVERIFY(QFileInfo(dir.path()).isDir());
    }

    void whatBiffCannotHoldIsRefused_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no sheet") << 0 << "at least one sheet";
        QTest::newRow("long name") << 1 << "sheet name";
        QTest::newRow("bad character") << 2 << "sheet name";
        QTest::newRow("same names") << 3 << "Two sheets";
        QTest::newRow("colour") << 4 << "Colour index 57";
        QTest::newRow("not finite") << 5 << "not finite";
        QTest::newRow("print area") << 6 << "print area";
        QTest::newRow("row height") << 7 << "points high";
    }
    void whatBiffCannotHoldIsRefused()
    {
        QFETCH(int, fault);
        QFETCH(QString, message);
        Workbook book;
        Sheet& sheet = book.addSheet(QStringLiteral("One"));
        switch (fault) {
        case 0: book.sheets.clear(); break;
        case 1: sheet.name = QString(32, QChar(u'n')); break;
        case 2: sheet.name = QStringLiteral("a/b"); break;
        case 3: book.addSheet(QStringLiteral("ONE")); break;
        case 4: sheet.cellAt(0, 0).format = format(book, [](CellFormat& f) { f.fillColorIndex = 57; }); break;
        case 5: sheet.cellAt(0, 0).value = std::numeric_limits<double>::infinity(); break;
        case 6: sheet.pageSetup.printArea = QStringLiteral("A1:?"); break;
        case 7: sheet.rowAt(3).height = 500; break;
        }
        const QString file = path(QStringLiteral("refused%1.xls").arg(fault));
        try {
            xls::save(book, file);
            QFAIL("saved");
        } catch (const quorvale::AutomationError& e) {
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        }
        QVERIFY(!QFileInfo::exists(file));
    }
};

QTEST_MAIN(XlsRoundTripTest)
#include "xls_roundtrip_test.moc"
