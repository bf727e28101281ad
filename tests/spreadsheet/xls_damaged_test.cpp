// Damaged and foreign files: opening fails with an AutomationError that
// says what is wrong, never with a crash, a hang or a half-read workbook;
// what other spreadsheet programs write opens with what it holds, .xlsx and
// .ods workbooks too (made by zip_make_files.py, and by LibreOffice where it
// is installed).

#include "ExternalReaders.h"
#include "ObjectsSupport.h"

#include "support/XlsCompare.h"
#include "support/XlsInventory.h"

#include "automation/Error.h"
#include "automation/Servers.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/objects/Instance.h"
#include "spreadsheet/objects/Objects.h"
#include "spreadsheet/objects/Server.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/WorkbookReader.h"
#include "spreadsheet/xls/WorkbookWriter.h"
#include "spreadsheet/xls/Xls.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
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

// A value as a test compares it: numbers within the last digits, which
// LibreOffice writes fifteen of.
bool sameValue(const CellValue& got, const CellValue& expected)
{
    const double* a = std::get_if<double>(&got);
    const double* b = std::get_if<double>(&expected);
    return a && b ? std::abs(*a - *b) <= 1e-14 * std::abs(*b) : got == expected;
}

QString valueText(const CellValue& v)
{
    if (const double* d = std::get_if<double>(&v))
        return QString::number(*d, 'g', 17);
    if (const QString* s = std::get_if<QString>(&v))
        return '"' + *s + '"';
    if (const bool* b = std::get_if<bool>(&v))
        return *b ? "TRUE" : "FALSE";
    if (const CellError* e = std::get_if<CellError>(&v))
        return QStringLiteral("error %1").arg(int(*e));
    return QStringLiteral("empty");
}

const CellValue* valueAt(const Workbook& book, const QString& sheet, const QString& address)
{
    for (const auto& s : book.sheets)
        if (s->name == sheet) {
            const Area at = parseAddress(address);
            const Cell* cell = s->cell(at.top, at.left);
            return cell ? &cell->value : nullptr;
        }
    return nullptr;
}

QString numberFormatAt(const Workbook& book, const QString& sheet, const QString& address)
{
    for (const auto& s : book.sheets)
        if (s->name == sheet) {
            const Area at = parseAddress(address);
            return book.formats[s->effectiveFormat(at.top, at.left)].numberFormat;
        }
    return {};
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

    automation::Object m_application;
    QString m_zipped;            // the files zip_make_files.py makes
    QString m_libreOffice;       // LibreOffice's .ods of book.xlsx, and its .xlsx of that
    QString m_libreOfficeMissing;

    // The workbook Workbooks.Open makes of the file, through automation as
    // the program opens it; it stays open until the test ends.
    const Workbook& openedThroughAutomation(const QString& path)
    {
        const automation::Object book =
            m_application.object("Workbooks").call("Open", {automation::Variant(path)}).toObject();
        return ss::objects::bookOf(book)->model;
    }

    void makeZippedWorkbooks()
    {
        m_zipped = m_dir.filePath(QStringLiteral("zipped"));
        QVERIFY(QDir().mkpath(m_zipped));
        QCOMPARE(QProcess::execute(QStringLiteral("python3"),
                                   {QStringLiteral(QUORVALE_SOURCE_DIR "/tests/spreadsheet/zip_make_files.py"), m_zipped}),
                 0);
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) {
            m_libreOfficeMissing = QStringLiteral("LibreOffice is not installed");
            return;
        }
        m_libreOffice = m_dir.filePath(QStringLiteral("libreoffice"));
        const QString profile = "-env:UserInstallation=file://" + m_dir.filePath(QStringLiteral("profile"));
        // LibreOffice shows the hidden first table of an .ods not its own, so
        // its .xlsx is made of its own .ods.
        for (const auto& [format, source] : {std::pair{"ods", m_zipped + "/book.xlsx"}, std::pair{"xlsx", m_libreOffice + "/book.ods"}})
            QCOMPARE(QProcess::execute(soffice, {profile, "--headless", "--convert-to", format, "--outdir", m_libreOffice, source}), 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_stream = xls::writeWorkbookStream(m_book);
        ss::registerExcelApplication();
        m_application = automation::Servers::createObject(QStringLiteral("Excel.Application"));
        makeZippedWorkbooks();
    }
    void cleanupTestCase()
    {
        m_application = {};
        automation::Servers::clear();
    }

    // The same workbook in four files: as written here and as LibreOffice
    // saves it. LibreOffice's .ods keeps a boolean of an .xlsx as the number 1
    // of the formula TRUE().
    void zippedWorkbooksOpenWithWhatTheyHold_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("firstHidden");
        QTest::newRow("xlsx") << "zipped/book.xlsx" << true;
        QTest::newRow("ods") << "zipped/book.ods" << true;
        // LibreOffice saves the sheet it shows as visible, the first when it
        // runs without a window.
        QTest::newRow("xlsx by LibreOffice") << "libreoffice/book.xlsx" << false;
        QTest::newRow("ods by LibreOffice") << "libreoffice/book.ods" << true;
    }
    void zippedWorkbooksOpenWithWhatTheyHold()
    {
        QFETCH(QString, file);
        QFETCH(bool, firstHidden);
        if (file.startsWith("libreoffice") && m_libreOffice.isEmpty())
            SKIP_WITHOUT_READER(qPrintable(m_libreOfficeMissing));
        const Workbook& book = openedThroughAutomation(m_dir.filePath(file));
        QCOMPARE(book.sheets.size(), std::size_t(2));
        QCOMPARE(book.sheets[0]->name, QStringLiteral("Hidden"));
        QCOMPARE(book.sheets[0]->visibility, firstHidden ? SheetVisibility::Hidden : SheetVisibility::Visible);
        QCOMPARE(book.sheets[1]->visibility, SheetVisibility::Visible);
        QCOMPARE(book.activeSheet, firstHidden ? 1 : 0);
        QCOMPARE(book.sheets[1]->merges, std::vector<Area>{parseAddress(u"A4:C4")});
        const std::pair<const char*, CellValue> expected[] = {
            {"Hidden!A1", QStringLiteral("Hidden text")},
            {"Items!A1", QStringLiteral("Inventory ID")},
            {"Items!B1", QStringLiteral("Inline text")},
            {"Items!C1", QStringLiteral("Rich text & more")},
            {"Items!A2", 46.99},
            {"Items!B2", 1234567890123456789.0},
            {"Items!C2", 44439.0},
            {"Items!D2", 44439.5625},
            {"Items!E2", 0.5729166666666666},
            {"Items!F2", file == "libreoffice/book.ods" ? CellValue(1.0) : CellValue(true)},
            {"Items!G2", CellError::Div0},
            {"Items!H2", 93.98},
            {"Items!A3", QStringLiteral("Merged")},
            {"Items!B3", QStringLiteral("after A3")},
            {"Items!B5", 44439.5625},
        };
        for (const auto& [where, value] : expected) {
            const QStringList at = QString::fromLatin1(where).split(u'!');
            const CellValue* got = valueAt(book, at[0], at[1]);
            QVERIFY2(got && sameValue(*got, value),
                     qPrintable(QStringLiteral("%1: %2, not %3").arg(where, got ? valueText(*got) : "no cell", valueText(value))));
        }
        // Dates and times keep a format that shows them as such.
        for (const char* date : {"C2", "D2", "B5"})
            QVERIFY2(numberFormatAt(book, "Items", date).contains(u'y', Qt::CaseInsensitive), date);
        QVERIFY(numberFormatAt(book, "Items", "E2").contains(u'h', Qt::CaseInsensitive));
        QVERIFY(numberFormatAt(book, "Items", "A2").isEmpty());
    }

    // What LibreOffice would work out or write otherwise: a formula saved
    // without its result, and an .ods's repeated cells and spaces.
    void whatOnlyTheFileSaysIsKept()
    {
        for (const char* name : {"book.xlsx", "book.ods"}) {
            const Workbook& book = openedThroughAutomation(m_zipped + '/' + name);
            QCOMPARE(*valueAt(book, "Items", "A5"), CellValue(CellError::NotCalculated));
        }
        const Workbook& ods = openedThroughAutomation(m_zipped + "/book.ods");
        for (const char* repeated : {"A6", "B6", "A7", "B7"})
            QCOMPARE(*valueAt(ods, "Items", repeated), CellValue(QStringLiteral("two spaces  kept\nnext\nline")));
        // The empty rows and columns repeated to the end of the sheet are none.
        const Sheet& items = *ods.sheets[1];
        QCOMPARE(items.rows.size(), std::size_t(7));
        QCOMPARE(items.storedCells(), std::size_t(3 + 8 + 2 + 0 + 2 + 2 + 2));
        QCOMPARE(items.columnWidth(1), 19.86); // 1.5 in: 144 pixels, 5 of them padding, digits of 7
        QCOMPARE(items.columnWidth(2), items.standardWidth);
    }

    void zippedFilesThatAreNoWorkbookOrDamagedAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("expected");
        const QStringList notAWorkbook{"is not a workbook this application opens",
                                       "Excel 97-2003 (.xls), Excel (.xlsx) and OpenDocument (.ods)"};
        QTest::newRow("zip") << "other.zip" << notAWorkbook;
        QTest::newRow("odt") << "text.odt" << notAWorkbook;
        QTest::newRow("row past the last, xlsx") << "past-last-row.xlsx" << QStringList{"\"Items\"", "cell B65537", "65,536 rows"};
        QTest::newRow("row past the last, ods") << "past-last-row.ods" << QStringList{"\"Items\"", "cell A65537", "65,536 rows"};
        QTest::newRow("damaged xlsx") << "damaged.xlsx" << QStringList{"xl/worksheets/items.xml is damaged", "line 5", "</rov>"};
        QTest::newRow("damaged ods") << "damaged.ods" << QStringList{"content.xml is damaged", "line 9", "</table:table-rov>"};
        QTest::newRow("too many cells") << "too-many-cells.ods" << QStringList{"more than 4,194,304 cells"};
    }
    void zippedFilesThatAreNoWorkbookOrDamagedAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, expected);
        const QString error = errorOf([&] { openedThroughAutomation(m_zipped + '/' + file); });
        QVERIFY2(error.startsWith("Open: ") && error.contains(file), qPrintable(error));
        for (const QString& words : expected)
            QVERIFY2(error.contains(words), qPrintable(error));
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
