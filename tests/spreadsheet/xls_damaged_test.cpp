// Damaged and foreign files: opening fails with an AutomationError that
// says what is wrong, never with a crash, a hang or a half-read workbook;
// what other spreadsheet programs write opens with what it holds.

#include "support/XlsCompare.h"
#include "support/XlsInventory.h"

#include "automation/Error.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/WorkbookReader.h"
#include "spreadsheet/xls/WorkbookWriter.h"
#include "spreadsheet/xls/Xls.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace ss;
namespace rec = ss::xls::rec;

namespace {

void writeBytes(const QString& path, const xls::Bytes& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

// Every record of the stream, globals and sheets, in stream order.
std::vector<xls::Record> allRecords(const xls::Bytes& stream)
{
    std::vector<xls::Record> records;
    xls::RecordStream in(stream, 0);
    while (!in.atEnd() && in.peekType() != 0)
        records.push_back(in.next());
    return records;
}

xls::Record first(const std::vector<xls::Record>& records, std::uint16_t type, std::size_t skip = 0)
{
    for (const xls::Record& r : records)
        if (r.type == type && skip-- == 0)
            return r;
    throw std::logic_error("no such record");
}

void patchU16(xls::Bytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

} // namespace

class XlsDamagedTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Workbook m_book = xlsinventory::inventory(3);
    xls::Bytes m_stream;
    int m_files = 0;

    QString file(const xls::Bytes& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("damaged%1.xls").arg(m_files++));
        writeBytes(path, bytes);
        return path;
    }

    // Opening fails with a message that contains every word of expected.
    void expectFailure(const QString& path, const QStringList& expected)
    {
        try {
            xls::open(path);
            QFAIL("the damaged file opened");
        } catch (const quorvale::AutomationError& e) {
            for (const QString& word : expected)
                QVERIFY2(e.description().contains(word), qPrintable(e.description()));
            QVERIFY(e.description().contains(QFileInfo(path).fileName()));
        }
    }

    void expectStreamFailure(const xls::Bytes& stream, const QStringList& expected)
    {
        expectFailure(file(xls::writeCompoundFile("Workbook", stream)), expected);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stream = xls::writeWorkbookStream(m_book);
    }

    void emptyMissingAndForeignFilesAreRefused()
    {
        expectFailure(file({}), {"empty"});
        expectFailure(m_dir.filePath("missing.xls"), {"no such file"});
        const QByteArray text = "Inventory ID,Name\n144455,Hammer\n";
        expectFailure(file(xls::Bytes(text.begin(), text.end())), {"not an Excel 97-2003 workbook"});
        expectFailure(file(xls::writeCompoundFile("Other", m_stream)), {"no Workbook stream"});
        // Excel 95 keeps its stream, of BIFF5 records, under another name.
        xls::Bytes biff5 = {0x09, 0x08, 0x08, 0x00, 0x00, 0x05, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
        biff5.resize(4096);
        expectFailure(file(xls::writeCompoundFile("Book", biff5)), {"Excel 5.0/95"});
    }

    // Files made record by record as other programs write them
    // (tests/data/xls/make_files.py): each opens with its sheets, its active
    // sheet, its print area and the text of a cell, and saves and opens
    // again alike.
    void foreignWorkbooksOpenWithWhatTheyHold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("sheets");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("printArea");
        QTest::addColumn<QString>("cell"); // sheet!address
        QTest::addColumn<QString>("text");
        QString latin, wide;
        for (int i = 0; i < 10000; ++i)
            latin += QChar(u'a' + i % 26);
        for (int i = 0; i < 5000; ++i)
            wide += QChar(0x4E00 + i % 500);
        const QStringList one{"Sheet1"};
        const auto row = [&](const char* tag, const char* name, const QStringList& sheets, const char* cell, const QString& text) {
            QTest::newRow(tag) << QString::fromLatin1(name) << sheets << sheets.front() << QString() << QString::fromLatin1(cell) << text;
        };
        row("after SHRFMLA", "formula-text-after-shared-formula.xls", one, "Sheet1!A1", "shared result");
        row("after ARRAY", "formula-text-after-shared-formula.xls", one, "Sheet1!A2", "array result");
        row("after TABLE", "formula-text-after-shared-formula.xls", one, "Sheet1!B3", "table result");
        row("cell after them", "formula-text-after-shared-formula.xls", one, "Sheet1!A4", "after");
        row("continued STRING", "formula-text-continued.xls", one, "Sheet1!A1", latin);
        row("continued wide STRING", "formula-text-continued.xls", one, "Sheet1!A2", wide);
        row("cell after STRING", "formula-text-continued.xls", one, "Sheet1!A3", "after");
        row("RSTRING", "rich-text.xls", one, "Sheet1!A1", "Rich text");
        row("Book stream", "biff8-in-book-stream.xls", one, "Sheet1!A1", "in Book");
        row("WORKBOOK stream", "workbook-stream-in-capitals.xls", one, "Sheet1!A1", "in WORKBOOK");
        row("workbook stream", "workbook-stream-in-lower-case.xls", one, "Sheet1!A1", "in workbook");
        row("hidden sheets", "hidden-sheets-1904.xls", {"Shown", "Hidden", "Very hidden"}, "Very hidden!A1", "Very hidden");
        QTest::newRow("chart sheet") << "chart-sheet.xls" << QStringList{"Data", "Notes"} << "Notes" << "$A$1:$B$2"
                                     << "Notes!A1" << "notes";
    }
    void foreignWorkbooksOpenWithWhatTheyHold()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, sheets);
        QFETCH(QString, active);
        QFETCH(QString, printArea);
        QFETCH(QString, cell);
        QFETCH(QString, text);
        const auto book = xls::open(QStringLiteral(QUORVALE_TEST_DATA "/xls/") + name);
        QStringList names;
        for (const auto& sheet : book->sheets)
            names << sheet->name;
        QCOMPARE(names, sheets);
        const Sheet& shown = *book->sheets[std::size_t(book->activeSheet)];
        QCOMPARE(shown.name, active);
        QCOMPARE(shown.pageSetup.printArea, printArea);
        const qsizetype bang = cell.indexOf(u'!');
        const Sheet& holder = *book->sheets[std::size_t(sheets.indexOf(cell.left(bang)))];
        const Area at = parseAddress(cell.mid(bang + 1));
        QVERIFY(holder.cell(at.top, at.left));
        QCOMPARE(holder.cell(at.top, at.left)->value, CellValue(text));

        const QString saved = m_dir.filePath(QStringLiteral("saved-") + name);
        xls::save(*book, saved);
        const QString diff = xlscompare::compareEquivalent(*book, *xls::open(saved));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Kept on a save as well: compareEquivalent above checks both.
    void hiddenSheetsAndDatesFrom1904AreRead()
    {
        const auto book = xls::open(QStringLiteral(QUORVALE_TEST_DATA "/xls/hidden-sheets-1904.xls"));
        QVERIFY(book->dates1904);
        QCOMPARE(book->sheets[0]->visibility, SheetVisibility::Visible);
        QCOMPARE(book->sheets[1]->visibility, SheetVisibility::Hidden);
        QCOMPARE(book->sheets[2]->visibility, SheetVisibility::VeryHidden);
    }

    void truncatedFilesNeverOpenHalfRead()
    {
        const xls::Bytes whole = xls::writeCompoundFile("Workbook", m_stream);
        int refused = 0;
        for (std::size_t length = 0; length < whole.size(); length += 61) {
            const QString path = file(xls::Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
            try {
                const auto book = xls::open(path);
                // What opens at all opens whole.
                const QString diff = xlscompare::compareEquivalent(m_book, *book);
                QVERIFY2(diff.isEmpty(), qPrintable(QString("cut at %1: %2").arg(length).arg(diff)));
            } catch (const quorvale::AutomationError&) {
                ++refused;
            }
        }
        QVERIFY(refused > 0);
    }

    void truncatedStreamsAreRefused()
    {
        const auto records = allRecords(m_stream);
        const std::size_t end = records.back().offset + 4 + records.back().data.size(); // after the last EOF
        for (std::size_t length = 0; length < end; length += 7)
            expectStreamFailure(xls::Bytes(m_stream.begin(), m_stream.begin() + std::ptrdiff_t(length)), {});
        // The padding after the last EOF carries nothing.
        const auto book = xls::open(file(xls::writeCompoundFile("Workbook", xls::Bytes(m_stream.begin(), m_stream.begin() + std::ptrdiff_t(end)))));
        QVERIFY(xlscompare::compareEquivalent(m_book, *book).isEmpty());
    }

    void recordLengthPastTheEndIsRefused()
    {
        xls::Bytes stream = m_stream;
        const xls::Record label = first(allRecords(stream), rec::LabelSst);
        patchU16(stream, label.offset + 2, 0xFFFF);
        expectStreamFailure(stream, {"LABELSST", "claims 65535 bytes"});
    }

    void shortRecordsAreRefused()
    {
        xls::Bytes stream = m_stream;
        const xls::Record row = first(allRecords(stream), rec::Row);
        patchU16(stream, row.offset + 2, 6);
        expectStreamFailure(stream, {"ROW", "too short"});
    }

    void badFontIndexIsRefused_data()
    {
        QTest::addColumn<int>("font");
        QTest::newRow("font 4 does not exist") << 4;
        QTest::newRow("past the last font") << 999;
    }
    void badFontIndexIsRefused()
    {
        QFETCH(int, font);
        xls::Bytes stream = m_stream;
        const xls::Record xf = first(allRecords(stream), rec::Xf, 21);
        patchU16(stream, xf.offset + 4, std::uint16_t(font));
        expectStreamFailure(stream, {"XF", QStringLiteral("font %1").arg(font)});
    }

    void badFormatIndexesAreRefused()
    {
        const auto records = allRecords(m_stream);
        xls::Bytes cellXf = m_stream;
        patchU16(cellXf, first(records, rec::LabelSst).offset + 8, 4000);
        expectStreamFailure(cellXf, {"LABELSST", "cell format 4000"});

        xls::Bytes numberFormat = m_stream;
        patchU16(numberFormat, first(records, rec::Xf, 21).offset + 6, 300);
        expectStreamFailure(numberFormat, {"number format 300"});

        xls::Bytes rowXf = m_stream;
        const xls::Record row = first(records, rec::Row);
        patchU16(rowXf, row.offset + 16, 0x0180);
        patchU16(rowXf, row.offset + 18, 0x0FFF);
        expectStreamFailure(rowXf, {"ROW", "cell format 4095"});
    }

    void badReferencesAreRefused()
    {
        const auto records = allRecords(m_stream);
        xls::Bytes string = m_stream;
        const xls::Record label = first(records, rec::LabelSst);
        patchU16(string, label.offset + 10, 0xFFFF);
        expectStreamFailure(string, {"shared string 65535"});

        xls::Bytes sheet = m_stream;
        patchU16(sheet, first(records, rec::BoundSheet).offset + 6, 0x7FFF);
        expectStreamFailure(sheet, {"Inventory List", "past the end"});

        xls::Bytes column = m_stream;
        patchU16(column, label.offset + 6, 300);
        expectStreamFailure(column, {"column 301"});

        xls::Bytes bof = m_stream;
        bof[5] = 0x05; // BIFF5, the version before BIFF8
        expectStreamFailure(bof, {"BOF"});
    }

    void missingEofIsRefused()
    {
        const auto records = allRecords(m_stream);
        const xls::Record& sheetEof = records.back();
        xls::Bytes stream(m_stream.begin(), m_stream.begin() + std::ptrdiff_t(sheetEof.offset));
        expectStreamFailure(stream, {"without an EOF"});
    }

    void scrambledStreamsNeverCrash()
    {
        QRandomGenerator random(20210831);
        int refused = 0;
        for (int round = 0; round < 400; ++round) {
            xls::Bytes stream = m_stream;
            for (int flips = 1 + int(random.bounded(4)); flips > 0; --flips)
                stream[random.bounded(std::uint32_t(stream.size()))] = std::uint8_t(random.bounded(256));
            try {
                const auto book = xls::readWorkbookStream(stream);
                QVERIFY(!book->sheets.empty());
            } catch (const quorvale::AutomationError& e) {
                QVERIFY(!e.description().isEmpty());
                ++refused;
            }
        }
        QVERIFY(refused > 0);
    }
};

QTEST_MAIN(XlsDamagedTest)
#include "xls_damaged_test.moc"
