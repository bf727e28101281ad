// Writes the seed inputs of the fuzz targets into DIR/open and DIR/restore:
//   make_fuzz_seeds DIR
// The workbooks are those a generation run saves for lists of 0, 1, 3 and 50
// items, and a few small ones: a new workbook, one with the features the
// layout does not use (long and non-Latin texts, several sheets, numbers,
// merges, print areas), one holding records that other spreadsheets write
// (LABEL, RK, MULRK, FORMULA, BOOLERR, an embedded chart...), one whose
// workbook stream is small enough for the mini stream, an Excel 95 workbook
// and a file that is no compound document. The stored values are
// the list the program stores for the sample data and for items with unusual
// characters, and a value with records that lack fields.
#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "preview/Form2.h"
#include "records/RecordStore.h"
#include "support/Headless.h"
#include "records/SampleData.h"
#include "shell/FileSystemObject.h"
#include "shell/Services.h"
#include "spreadsheet/objects/Server.h"
#include "spreadsheet/xls/BiffReader.h"
#include "spreadsheet/xls/BiffWriter.h"
#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/WorkbookWriter.h"
#include "workbook/InventoryList.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using automation::Object;
using automation::Variant;
namespace rec = ss::xls::rec;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", qPrintable(what));
    std::exit(1);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

void writeFile(const QString& path, const ss::xls::Bytes& bytes)
{
    writeFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

InventoryRecord item(int i)
{
    const auto& samples = records::sampleRecords();
    if (i < int(samples.size()))
        return samples[std::size_t(i)];
    InventoryRecord r;
    r[0] = QStringLiteral("INV-%1").arg(i + 1, 5, 10, QLatin1Char('0'));
    r[1] = QStringLiteral("Item number %1").arg(i + 1);
    r[2] = QStringLiteral("Description of item %1").arg(i + 1);
    r[3] = QStringLiteral("%1.99").arg(i % 100);
    r[4] = QString::number(i * 7);
    r[5] = QString::number(i % 50);
    r[6] = QString::number(i % 30);
    r[7] = QString::number(i % 20);
    r[8] = i % 2 ? QStringLiteral("No") : QStringLiteral("Yes");
    return r;
}

// The workbook a generation run saves for the list.
void generatedWorkbook(AppWindows& windows, int count, const QString& path)
{
    std::vector<InventoryRecord> list;
    for (int i = 0; i < count; ++i)
        list.push_back(item(i));
    const InventoryList::Generated made = InventoryList::GenerateReport0(list, windows);
    if (!QFile::exists(made.workbookPath))
        fail(QStringLiteral("the run for %1 items saved no workbook").arg(count));
    QFile::remove(path);
    if (!QFile::copy(made.workbookPath, path))
        fail(QStringLiteral("cannot copy the workbook to %1").arg(path));
    QFile::remove(made.workbookPath);
    windows.preview().hide();
}

// A workbook with what the inventory layout never makes.
void featureWorkbook(const QString& path)
{
    const Object app = automation::Servers::createObject(QStringLiteral("Excel.Application"));
    const Object book = app.object("Workbooks").call("Add").toObject();
    ss::Workbook& model = *ss::workbookModel(book);
    model.colors[7] = 0x123456;
    ss::Sheet& first = *model.sheets[0];
    first.name = QStringLiteral("Größen 日本");
    // Longer than one record: the shared string table goes on in CONTINUE records.
    first.cellAt(0, 0).value = QString(9000, QChar(0x65E5));
    first.cellAt(1, 0).value = QString(9000, QLatin1Char('x'));
    first.cellAt(2, 1).value = 46.99;
    first.cellAt(2, 2).value = -4.0;
    first.cellAt(3, 255).value = QStringLiteral("last column 😀");
    first.cellAt(65535, 0).value = QStringLiteral("last row");
    ss::CellFormat f;
    f.font.name = QStringLiteral("Tahoma");
    f.font.size = 14;
    f.font.bold = f.font.italic = true;
    f.font.colorIndex = 3;
    f.fillColorIndex = 13;
    f.borders[ss::EdgeLeft] = {ss::LineStyle::Dash, ss::LineWeight::Medium, 5};
    f.borders[ss::EdgeBottom] = {ss::LineStyle::Double, ss::LineWeight::Thick, ss::ColorAutomatic};
    f.horizontal = ss::HAlign::Right;
    f.vertical = ss::VAlign::Top;
    f.wrap = true;
    first.cellAt(2, 1).format = model.formats.intern(f);
    first.rowAt(4).height = 30;
    first.rowAt(4).format = model.formats.intern(f);
    first.columns[3].width = 20.5;
    first.merges.push_back(ss::Area{5, 1, 7, 3});
    first.pageSetup.printArea = QStringLiteral("A1:D8");
    first.activeRow = 5;
    first.activeColumn = 1;
    first.selection = ss::Area{5, 1, 7, 3};
    model.sheets[1]->pageSetup.zoom.reset();
    model.sheets[1]->pageSetup.orientation = ss::Orientation::Landscape;
    model.sheets[1]->pageSetup.printComments = ss::CommentPrinting::AtEnd;
    model.sheets[2]->pageSetup.printArea = QStringLiteral("B2");
    model.sheets[2]->standardWidth = 12;
    model.sheets[2]->defaultRowHeight = 20;
    model.activeSheet = 2;
    book.call("SaveAs", {Variant(path)});
    book.call("Close");
}

// The program's stream for a small workbook, with records of other writers
// put before the EOF of its last sheet.
ss::xls::Bytes foreignRecords()
{
    ss::Workbook book;
    book.addSheet(QStringLiteral("Sheet1")).cellAt(0, 0).value = QStringLiteral("text");
    const ss::xls::Bytes stream = ss::xls::writeWorkbookStream(book);
    ss::xls::RecordStream records(stream, 0);
    std::size_t lastEof = 0;
    while (!records.atEnd() && records.peekType() != 0) {
        const ss::xls::Record r = records.next();
        if (r.type == rec::Eof)
            lastEof = r.offset;
    }

    ss::xls::BiffWriter out;
    const std::uint16_t xf = rec::DefaultCellXf;
    out.begin(rec::Label);
    out.u16(20).u16(0).u16(xf).u16(10).flaggedChars(u"label text");
    out.end();
    out.record(rec::Number, [&](auto& w) { w.u16(20).u16(1).u16(xf).f64(3.25); });
    out.record(rec::Rk, [&](auto& w) { w.u16(20).u16(2).u16(xf).u32(42u << 2 | 2); });
    out.record(rec::Rk, [&](auto& w) { w.u16(20).u16(3).u16(xf).u32(1234u << 2 | 3); });
    out.record(rec::MulRk, [&](auto& w) {
        w.u16(21).u16(0);
        for (std::uint32_t i = 0; i < 3; ++i)
            w.u16(xf).u32((i + 1) << 2 | 2);
        w.u16(2);
    });
    out.record(rec::Blank, [&](auto& w) { w.u16(22).u16(0).u16(xf); });
    out.record(rec::MulBlank, [&](auto& w) { w.u16(22).u16(1).u16(xf).u16(xf).u16(xf).u16(3); });
    // Formulas with a number, a text (STRING follows) and a Boolean result.
    out.record(rec::Formula, [&](auto& w) { w.u16(23).u16(0).u16(xf).f64(7.5).u16(0).u32(0).u16(0); });
    out.record(rec::Formula, [&](auto& w) {
        w.u16(23).u16(1).u16(xf).u8(0).zeros(5).u16(0xFFFF).u16(0).u32(0).u16(0);
    });
    out.begin(0x0207);
    out.u16(6).flaggedChars(u"result");
    out.end();
    out.record(rec::Formula, [&](auto& w) {
        w.u16(23).u16(2).u16(xf).u8(1).u8(0).u8(1).zeros(3).u16(0xFFFF).u16(0).u32(0).u16(0);
    });
    out.record(0x0205, [&](auto& w) { w.u16(24).u16(0).u16(xf).u8(1).u8(0); });
    out.record(0x0205, [&](auto& w) { w.u16(24).u16(1).u16(xf).u8(7).u8(1); });
    out.record(rec::ColInfo, [&](auto& w) { w.u16(10).u16(12).u16(5000).u16(xf).u16(2).u16(0); });
    // An embedded chart runs to its own EOF.
    out.record(rec::Bof, [&](auto& w) { w.u16(rec::Biff8Version).u16(0x0020).zeros(12); });
    out.record(rec::Number, [&](auto& w) { w.u16(0).u16(0).u16(xf).f64(1); });
    out.record(rec::Eof, [](auto&) {});
    const ss::xls::Bytes extra = out.take();

    ss::xls::Bytes result(stream.begin(), stream.begin() + std::ptrdiff_t(lastEof));
    result.insert(result.end(), extra.begin(), extra.end());
    result.insert(result.end(), stream.begin() + std::ptrdiff_t(lastEof), stream.end());
    return ss::xls::writeCompoundFile("Workbook", result);
}

// The program's stream for a small workbook without the padding that keeps
// it out of the mini stream: a compound document whose workbook stream lies
// in the mini stream, as other writers make small files.
ss::xls::Bytes miniStreamWorkbook()
{
    ss::Workbook book;
    book.addSheet(QStringLiteral("Sheet1")).cellAt(1, 1).value = 2.5;
    ss::xls::Bytes stream = ss::xls::writeWorkbookStream(book);
    ss::xls::RecordStream records(stream, 0);
    std::size_t end = 0;
    while (!records.atEnd() && records.peekType() != 0) {
        const ss::xls::Record r = records.next();
        if (r.type == rec::Eof)
            end = records.position();
    }
    stream.resize(end);
    return ss::xls::writeCompoundFile("Workbook", stream);
}

QByteArray storedList(const std::vector<InventoryRecord>& list)
{
    QString text;
    for (const InventoryRecord& r : list)
        records::appendStoredRecord(text, r);
    return text.toUtf8();
}

void restoreSeeds(const QDir& dir)
{
    const auto& samples = records::sampleRecords();
    writeFile(dir.filePath(QStringLiteral("sample")), storedList({samples.begin(), samples.end()}));

    InventoryRecord unusual;
    unusual[0] = QStringLiteral(" 2 ");
    unusual[1] = QStringLiteral("Grüße, 日本語 😀");
    unusual[2] = QStringLiteral("line one\r\nline two\ttab");
    unusual[3] = QStringLiteral("\"quoted\" back\\slash a=b;c");
    unusual[4] = QStringLiteral("||SEP");
    unusual[5] = QStringLiteral("|");
    unusual[6] = QStringLiteral("SEP1||");
    unusual[7] = QString();
    unusual[8] = QStringLiteral("[group] @ # %");
    InventoryRecord empty;
    writeFile(dir.filePath(QStringLiteral("unusual")), storedList({unusual, empty, samples[0]}));

    // Records of one, two and eleven fields, an empty piece and no final separator.
    writeFile(dir.filePath(QStringLiteral("short-records")),
              QByteArray("7||SEP2||8||SEP1||Nut||SEP2||||SEP2||a||SEP1||b||SEP1||c||SEP1||d||SEP1||e||SEP1||"
                         "f||SEP1||g||SEP1||h||SEP1||i||SEP1||j||SEP1||k||SEP2||last||SEP1||x"));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    support::prepareHeadless();
    QApplication app(argc, argv);
    const support::Headless headless;

    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"open", "restore"})
        if (!root.mkpath(QLatin1String(sub)))
            fail(QStringLiteral("cannot make %1").arg(root.filePath(QLatin1String(sub))));
    const QDir open(root.filePath(QStringLiteral("open")));

    {
        AppWindows windows;
        windows.main().Form_Load();
        windows.main().show();
        for (const int count : {0, 1, 3, 50})
            generatedWorkbook(windows, count, open.filePath(QStringLiteral("inventory-%1.xls").arg(count)));
        windows.main().hide();
    }

    {
        const Object excel = automation::Servers::createObject(QStringLiteral("Excel.Application"));
        const Object book = excel.object("Workbooks").call("Add").toObject();
        book.call("SaveAs", {Variant(open.filePath(QStringLiteral("new-book.xls")))});
        book.call("Close");
    }
    featureWorkbook(open.filePath(QStringLiteral("features.xls")));
    writeFile(open.filePath(QStringLiteral("foreign-records.xls")), foreignRecords());
    writeFile(open.filePath(QStringLiteral("mini-stream.xls")), miniStreamWorkbook());
    // An Excel 95 workbook keeps its stream under another name.
    ss::xls::Bytes biff5 = {0x09, 0x08, 0x08, 0x00, 0x00, 0x05, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};
    biff5.resize(4096);
    writeFile(open.filePath(QStringLiteral("excel95.xls")), ss::xls::writeCompoundFile("Book", biff5));
    writeFile(open.filePath(QStringLiteral("not-a-workbook.xls")), QByteArray("Name,Price\r\nHammer,46.99\r\n"));

    restoreSeeds(QDir(root.filePath(QStringLiteral("restore"))));
    return 0;
}
