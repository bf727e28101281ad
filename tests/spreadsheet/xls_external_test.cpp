// Saved workbooks opened by the spreadsheets users have: Gnumeric's
// ssconvert and LibreOffice Calc convert them, .xls and .xlsx alike,
// without complaint and show the inventory's texts; openpyxl reads the
// sheets of an .xlsx workbook as the model holds them. Skipped when one is
// not installed, except where every reader is required (ExternalReaders.h).

#include "ExternalReaders.h"
#include "support/XlsInventory.h"

#include "spreadsheet/xls/Xls.h"
#include "spreadsheet/xlsx/XlsxWriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Conversion {
    int exitCode = -1;
    QString messages;
    QString csv;
};

Conversion run(const QString& program, const QStringList& arguments, const QString& csvPath)
{
    QProcess process;
    process.start(program, arguments);
    Conversion result;
    if (!process.waitForFinished(-1))
        return result;
    result.exitCode = process.exitCode();
    result.messages = QString::fromUtf8(process.readAllStandardError());
    QFile csv(csvPath);
    if (csv.open(QIODevice::ReadOnly))
        result.csv = QString::fromUtf8(csv.readAll());
    return result;
}

// The CSV lines the inventory of items gives.
void checkInventoryCsv(const QString& csv, int items)
{
    // None of the texts holds a comma or a quote, so quotes only wrap fields.
    const QStringList lines = QString(csv).remove(u'"').split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= items + 2, qPrintable(csv.left(400)));
    QVERIFY2(lines[0].startsWith("Inventory List"), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains("Inventory ID") && lines[1].contains("Discontinued?"), qPrintable(lines[1]));
    const auto all = renderfixture::manyItems(items);
    for (int i = 0; i < items; ++i) {
        const renderfixture::Item& item = all[std::size_t(i)];
        // Every field as typed, the numbers of MULRK and RK records among them.
        QCOMPARE(lines[i + 2], QStringList(item.begin(), item.end()).join(u','));
    }
}

// The inventory workbook with three more sheets, and on the last what the
// inventory sheet does not have: a merged title, TRUE, an error, a result
// never calculated, number formats built in and not, a standard width and
// height of its own, a row as high as libxlsxwriter's default, a
// selection with the active cell at its far corner, a print zoom. The
// second sheet is hidden, the third very hidden, the last active.
ss::Workbook workbookOfSheets(int items)
{
    ss::Workbook book = xlsinventory::inventory(items);
    book.addSheet(QStringLiteral("Notes")).visibility = ss::SheetVisibility::Hidden;
    book.addSheet(QStringLiteral("Codes")).visibility = ss::SheetVisibility::VeryHidden;
    ss::Sheet& totals = book.addSheet(QStringLiteral("Totals"));
    totals.cellAt(0, 0).value = QStringLiteral("Totals");
    totals.applyFormat(ss::Area{0, 0, 0, 2}, [](ss::CellFormat& f) { f.font.bold = true; }, book.formats);
    totals.merge(ss::Area{0, 0, 0, 2});
    totals.cellAt(1, 1).value = 46.99;
    totals.applyFormat(ss::Area::cell(1, 1), [](ss::CellFormat& f) { f.numberFormat = QStringLiteral("0.00"); },
                       book.formats);
    totals.cellAt(1, 2).value = true;
    totals.cellAt(1, 3).value = ss::CellError::Div0;
    totals.cellAt(1, 4).value = ss::CellError::NotCalculated;
    totals.cellAt(2, 1).value = 2.5;
    totals.applyFormat(ss::Area::cell(2, 1), [](ss::CellFormat& f) { f.numberFormat = QStringLiteral("0.000"); },
                       book.formats);
    totals.standardWidth = 12;
    totals.columns[1].width = 20;
    totals.defaultRowHeight = 18;
    totals.rowAt(2).height = 15;
    totals.selection = ss::Area{1, 1, 3, 2};
    totals.activeRow = 3;
    totals.activeColumn = 2;
    totals.pageSetup.zoom = 75;
    totals.pageSetup.paperSize = 1;
    book.activeSheet = 3;
    return book;
}

// What openpyxl should read of workbookOfSheets: a very hidden sheet is
// hidden, as libxlsxwriter 1.1.4 knows no other.
const char ExpectedSheets[] = R"({"active": 3, "sheets": [
    {"name": "Inventory List", "state": "visible", "merged": []},
    {"name": "Notes", "state": "hidden"},
    {"name": "Codes", "state": "hidden"},
    {"name": "Totals", "state": "visible", "merged": ["A1:C1"], "cells": {"A1": "Totals", "B2": 46.99, "C2": true, "D2": "=#DIV/0!", "E2": null, "B3": 2.5},
     "numberFormats": {"B2": "0.00", "B3": "0.000", "C2": "General"},
     "bold": ["A1"], "widths": {"A": 12, "B": 20, "D": 12}, "heights": {"3": 15}, "defaultRowHeight": 18,
     "activeCell": "C4", "selection": "B2:C4", "scale": 75, "orientation": "portrait", "paperSize": 1}]})";

} // namespace

class XlsExternalTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    static constexpr int Items = 40;

    static void formats()
    {
        QTest::addColumn<QString>("extension");
        QTest::newRow("Excel 97-2003") << "xls";
        QTest::newRow("Open XML") << "xlsx";
    }

    // The inventory workbook saved in the format of extension.
    QString saved(const QString& extension)
    {
        const QString file = m_dir.filePath("inventory." + extension);
        if (!QFileInfo::exists(file)) {
            if (extension == "xlsx")
                ss::xlsx::save(xlsinventory::inventory(Items), file);
            else
                ss::xls::save(xlsinventory::inventory(Items), file);
        }
        return file;
    }

private slots:
    void gnumericOpensIt_data() { formats(); }
    void gnumericOpensIt()
    {
        QFETCH(QString, extension);
        const QString ssconvert = QStandardPaths::findExecutable("ssconvert");
        if (ssconvert.isEmpty())
            SKIP_WITHOUT_READER("Gnumeric's ssconvert is not installed");
        const QString csv = m_dir.filePath("gnumeric.csv");
        QFile::remove(csv);
        const Conversion c = run(ssconvert, {saved(extension), csv}, csv);
        QCOMPARE(c.exitCode, 0);
        // ssconvert tells of every record it finds wrong.
        QVERIFY2(c.messages.trimmed().isEmpty(), qPrintable(c.messages));
        checkInventoryCsv(c.csv, Items);
    }

    void libreOfficeOpensIt_data() { formats(); }
    void libreOfficeOpensIt()
    {
        QFETCH(QString, extension);
        const QString soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty())
            SKIP_WITHOUT_READER("LibreOffice is not installed");
        const QString profile = "-env:UserInstallation=file://" + m_dir.filePath("profile");
        const QString csv = m_dir.filePath("inventory.csv");
        QFile::remove(csv);
        const Conversion c =
            run(soffice, {profile, "--headless", "--convert-to", "csv", "--outdir", m_dir.path(), saved(extension)}, csv);
        QCOMPARE(c.exitCode, 0);
        checkInventoryCsv(c.csv, Items);
    }

    void openpyxlReadsTheSheets()
    {
        QProcess probe;
        probe.start("/usr/bin/python3", {"-c", "import openpyxl"});
        if (!probe.waitForFinished(-1) || probe.exitCode() != 0)
            SKIP_WITHOUT_READER("python3-openpyxl is not installed");
        const QString file = m_dir.filePath("sheets.xlsx");
        ss::xlsx::save(workbookOfSheets(3), file);
        const QString json = m_dir.filePath("sheets.json");
        QFile expected(json);
        QVERIFY(expected.open(QIODevice::WriteOnly));
        expected.write(ExpectedSheets);
        expected.close();
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start("/usr/bin/python3", {QUORVALE_SOURCE_DIR "/tests/spreadsheet/xls_check.py", "xlsx-book", file, json});
        QVERIFY(check.waitForFinished(-1));
        const QString report = QString::fromUtf8(check.readAll());
        QVERIFY2(check.exitCode() == 0 && report.trimmed() == "OK", qPrintable(report));
    }
};

QTEST_MAIN(XlsExternalTest)
#include "xls_external_test.moc"
