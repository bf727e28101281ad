// Saved workbooks read by xlrd (Debian's python3-xlrd), a reader written
// elsewhere: the inventory layout cell by cell, made on the model and made
// by the layout through the automation layer, and texts of every kind.

#include "ExternalReaders.h"
#include "support/XlsInventory.h"

#include "automation/Servers.h"
#include "shell/Options.h"
#include "spreadsheet/objects/Server.h"
#include "spreadsheet/xls/Xls.h"
#include "support/TestServices.h"
#include "workbook/InventoryList.h"
#include "workbook/SheetLayout.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");
const QString Checker = QStringLiteral(QUORVALE_SOURCE_DIR "/tests/spreadsheet/xls_check.py");

bool xlrdAvailable()
{
    QProcess probe;
    probe.start(Python, {"-c", "import xlrd"});
    return probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

void writeJson(const QString& path, const QJsonObject& object)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Runs the checker; its report when it found differences.
QString check(const QString& mode, const QString& xls, const QString& json)
{
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(Python, {Checker, mode, xls, json});
    if (!run.waitForFinished(-1))
        return QStringLiteral("the checker did not run");
    const QString output = QString::fromUtf8(run.readAll());
    return run.exitCode() == 0 && output.trimmed() == "OK" ? QString() : output;
}

// What the checker expects: the items and the palette.
QJsonObject expectation(const std::vector<renderfixture::Item>& items)
{
    QJsonArray rows;
    for (const renderfixture::Item& item : items) {
        QJsonArray fields;
        for (const QString& field : item)
            fields.append(field);
        rows.append(fields);
    }
    QJsonArray palette;
    for (int i = 1; i <= 56; ++i)
        palette.append(Options::defaultWorkbookPalette()[std::size_t(i)]);
    return QJsonObject{{"items", rows}, {"palette", palette}};
}

void itemCounts()
{
    QTest::addColumn<int>("items");
    for (const int n : {0, 1, 2, 1000})
        QTest::addRow("%d items", n) << n;
}

} // namespace

class XlsXlrdTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (!QFileInfo(Python).isExecutable() || !xlrdAvailable())
            SKIP_WITHOUT_READER("python3-xlrd is not installed");
        QVERIFY(m_dir.isValid());
    }

    void inventoryLayoutReadsBack_data() { itemCounts(); }
    void inventoryLayoutReadsBack()
    {
        QFETCH(int, items);
        const QString xls = m_dir.filePath(QStringLiteral("inventory%1.xls").arg(items));
        ss::xls::save(xlsinventory::inventory(items), xls);
        const QString json = m_dir.filePath(QStringLiteral("inventory%1.json").arg(items));
        writeJson(json, expectation(renderfixture::manyItems(items)));
        const QString report = check("inventory", xls, json);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }

    // The layout of the program, run through the automation layer on the
    // built-in spreadsheet application, saved with its SaveAs.
    void inventoryMadeThroughAutomationReadsBack_data() { itemCounts(); }
    void inventoryMadeThroughAutomationReadsBack()
    {
        QFETCH(int, items);
        isolateSettings();
        Options::FillWorkbookPalette();
        TestServices services;
        const std::vector<renderfixture::Item> list = renderfixture::manyItems(items);
        std::vector<InventoryRecord> records(list.size());
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t n = 0; n < 9; ++n)
                records[i].fields[n] = list[i][n];
        automation::Servers::clear();
        ss::registerExcelApplication();
        InventoryList::ExcelApp = automation::Servers::createObject(QStringLiteral("Excel.Application"));
        // As the run prepares it: one sheet, named for the list.
        const automation::Object sheets = InventoryList::ExcelApp.object("Workbooks").object("Add").object("Sheets");
        while (sheets.get("count").toInt32() > 1)
            sheets.object("Item", {automation::Variant(std::int32_t(2))}).call("Delete");
        sheets.object("Item", {automation::Variant(std::int32_t(1))}).put("Name", QStringLiteral("Inventory List"));
        InventoryList::BuildInventorySheet(records);
        const automation::Object book = InventoryList::ExcelApp.object("ActiveWorkbook");
        const QString xls = m_dir.filePath(QStringLiteral("automation%1.xls").arg(items));
        book.call("SaveAs", {automation::Variant(xls), automation::Variant(std::int32_t(56))});
        InventoryList::ExcelApp.call("Quit");
        InventoryList::ExcelApp.release();
        automation::Servers::clear();

        const QString json = m_dir.filePath(QStringLiteral("automation%1.json").arg(items));
        writeJson(json, expectation(list));
        const QString report = check("inventory", xls, json);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }

    // Workbooks of other programs as the reader meets them, and as they
    // come out of a save here; and the workbooks whose lists outgrow a record.
    void workbooksReadWithoutWarnings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QJsonObject>("expected");
        for (const QFileInfo& f : QDir(QStringLiteral(QUORVALE_TEST_DATA "/xls")).entryInfoList({"*.xls"}, QDir::Files, QDir::Name)) {
            QTest::addRow("%s", qPrintable(f.fileName())) << f.filePath() << QJsonObject{};
            QTest::addRow("%s saved again", qPrintable(f.fileName())) << f.filePath() << QJsonObject{{"resave", true}};
        }
        QTest::newRow("4,200 sheets") << QStringLiteral("4200") << QJsonObject{{"sheets", 4200}};
        QTest::newRow("1,400 print areas") << QStringLiteral("1400") << QJsonObject{{"sheets", 1400}, {"printAreas", 1400}};
    }
    void workbooksReadWithoutWarnings()
    {
        QFETCH(QString, file);
        QFETCH(QJsonObject, expected);
        QString xls = file;
        if (expected.take("resave").toBool()) {
            // What this workbook holds comes out of a save as it went in.
            const auto book = ss::xls::open(file);
            QJsonArray visibility;
            for (const auto& sheet : book->sheets)
                visibility.append(int(sheet->visibility));
            expected = QJsonObject{{"sheets", int(book->sheets.size())}, {"datemode", int(book->dates1904)},
                                   {"visibility", visibility}};
            xls = m_dir.filePath(QFileInfo(file).fileName());
            ss::xls::save(*book, xls);
        } else if (!file.endsWith(".xls")) {
            const int sheets = expected.value("sheets").toInt();
            ss::Workbook book;
            for (int i = 0; i < sheets; ++i) {
                ss::Sheet& sheet = book.addSheet(QStringLiteral("S%1").arg(i + 1));
                sheet.cellAt(0, 0).value = double(i);
                if (i < expected.value("printAreas").toInt())
                    sheet.pageSetup.printArea = QStringLiteral("A1:C%1").arg(i + 1);
            }
            xls = m_dir.filePath(QStringLiteral("sheets%1.xls").arg(sheets));
            ss::xls::save(book, xls);
        }
        const QString json = m_dir.filePath(QFileInfo(xls).completeBaseName() + ".json");
        writeJson(json, expected);
        const QString report = check("book", xls, json);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }

    void cellsOfEveryKindReadBack()
    {
        ss::Workbook book;
        ss::Sheet& sheet = book.addSheet(QStringLiteral("Texts"));
        QJsonArray cells;
        const auto put = [&](int r, int c, const QString& text) {
            sheet.cellAt(r, c).value = text;
            cells.append(QJsonArray{r, c, text});
        };
        QString wide;
        while (wide.size() < 30000)
            wide += QStringLiteral("ελ𝄞中");
        put(0, 0, QString(32767, QChar(u'é')));
        put(0, 1, wide);
        put(0, 2, QString());
        put(0, 3, QStringLiteral("tab\tnew\nline \"quoted\" ½"));
        for (int i = 0; i < 3000; ++i)
            put(1 + i, i % 5, QStringLiteral("%1 %2").arg(i).arg(QString(i % 300, QChar(i % 2 ? u'ü' : u'Ж'))));
        // Numbers at the edges of the RK forms, side by side in MULRK runs
        // that the numbers no RK form holds break up.
        QJsonArray numbers;
        const double edges[] = {536870911, -536870912, 536870912, 5368709.11, -5368709.12, 5368709.12, 46.99, 4.35,
                                -0.01,     0.005,      0.1 + 0.2, -0.0,       1e300,       6.99,       0};
        for (std::size_t i = 0; i < std::size(edges); ++i) {
            sheet.cellAt(3001, int(i)).value = edges[i];
            std::uint64_t bits = 0;
            std::memcpy(&bits, &edges[i], sizeof bits);
            numbers.append(QJsonArray{3001, int(i), QStringLiteral("%1").arg(bits, 16, 16, QLatin1Char('0'))});
        }
        const QString xls = m_dir.filePath("texts.xls");
        ss::xls::save(book, xls);
        const QString json = m_dir.filePath("texts.json");
        writeJson(json, QJsonObject{{"cells", cells}, {"numbers", numbers}});
        const QString report = check("cells", xls, json);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }
};

QTEST_MAIN(XlsXlrdTest)
#include "xls_xlrd_test.moc"
