#include "ObjectsSupport.h"

#include "automation/Servers.h"
#include "spreadsheet/objects/Server.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace automation;

namespace {

Object newApplication() { return Servers::createObject(QStringLiteral("Excel.Application")); }

} // namespace

class ObjectsApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ss::registerExcelApplication(); }
    void cleanup() { Servers::clear(); }

    void applicationAnswersAsTheSpreadsheetApplication()
    {
        const Object app = newApplication();
        QCOMPARE(app.defaultValue(), Variant("Microsoft Excel"));
        QCOMPARE(app.get("version"), Variant("16.0"));
        QVERIFY(app.get("Version").toDouble() >= 12);
        QCOMPARE(app.call("InchesToPoints", {Variant(0.7)}), Variant(0.7 * 72));
        QCOMPARE(app.call("InchesToPoints", {Variant(std::int16_t(0))}), Variant(0.0));
        QCOMPARE(errorOf([&] { app.put("Version", Variant("17.0")); }), QStringLiteral("Version: cannot be assigned to"));
        QVERIFY(errorOf([&] { app.get("NoSuchMember"); }).startsWith(QStringLiteral("NoSuchMember: ")));
    }

    void settingsAreKeptAndReadBack()
    {
        const Object app = newApplication();
        QCOMPARE(app.get("DisplayAlerts"), Variant(true));
        for (const char* flag : {"Visible", "ScreenUpdating", "DisplayAlerts", "EnableEvents"}) {
            app.put(flag, Variant(false));
            QCOMPARE(app.get(flag), Variant(false));
            app.put(flag, Variant(true));
            QCOMPARE(app.get(flag), Variant(true));
        }
        app.put("EnableCancelKey", Variant(0));
        QCOMPARE(app.get("EnableCancelKey"), Variant(0));
        app.put("Cursor", Variant(2));
        QCOMPARE(app.get("Cursor"), Variant(2));
        app.put("Cursor", Variant(-4143));
        QCOMPARE(app.get("Cursor"), Variant(-4143));
        QCOMPARE(errorOf([&] { app.put("Cursor", Variant(7)); }), QStringLiteral("Cursor: cursor 7 is not valid"));
        QCOMPARE(app.get("Cursor"), Variant(-4143));
        QVERIFY(errorOf([&] { app.put("EnableCancelKey", Variant(3)); }).startsWith(QStringLiteral("EnableCancelKey:")));
        // Every instance has settings of its own.
        QCOMPARE(newApplication().get("Cursor"), Variant(-4143));
    }

    void workbooksAddOpensABookOfThreeSheets()
    {
        const Object app = newApplication();
        QVERIFY(app.get("ActiveWorkbook").toObject().isNothing());
        QCOMPARE(errorOf([&] { app.object("Range", {Variant("A1")}); }), QStringLiteral("Range: no workbook is open"));

        const Object book = app.object("Workbooks").call("Add").toObject();
        QCOMPARE(app.object("Workbooks").get("Count"), Variant(1));
        QCOMPARE(app.get("Sheets").toObject().get("count"), Variant(3));
        QCOMPARE(book.object("Sheets").get("Count"), Variant(3));
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(app.call("Sheets", {Variant(std::int16_t(i))}).toObject().get("Name"),
                     Variant(QStringLiteral("Sheet%1").arg(i)));
        QCOMPARE(app.object("ActiveSheet").get("Name"), Variant("Sheet1"));
        QCOMPARE(book.get("Name"), Variant("Book1"));

        const Object second = app.object("Workbooks").call("Add").toObject();
        QCOMPARE(second.get("Name"), Variant("Book2"));
        QCOMPARE(app.object("ActiveWorkbook").get("Name"), Variant("Book2"));
        // Workbooks(n) as a property and as a call; by name too.
        QCOMPARE(app.object("Workbooks").get({}, {Variant(1)}).toObject().get("Name"), Variant("Book1"));
        QCOMPARE(app.object("Workbooks").call("Item", {Variant(std::int16_t(2))}).toObject().get("Name"),
                 Variant("Book2"));
        QCOMPARE(app.call("Workbooks", {Variant("book1")}).toObject().get("Name"), Variant("Book1"));
        QCOMPARE(errorOf([&] { app.object("Workbooks").get({}, {Variant(3)}); }),
                 QStringLiteral("Workbooks: index 3 out of range"));

        // Closing takes the book out; the one left becomes active.
        second.call("Close");
        QCOMPARE(app.object("Workbooks").get("Count"), Variant(1));
        QCOMPARE(app.object("ActiveWorkbook").get("Name"), Variant("Book1"));
        QCOMPARE(errorOf([&] { second.get("Name"); }), QStringLiteral("Name: the workbook has been closed"));
        QVERIFY(!errorOf([&] { second.call("Close", {Variant(true)}); }).isEmpty());
    }

    void sheetsAreFoundDeletedAndSelected()
    {
        const Object app = newApplication();
        app.object("Workbooks").call("Add");
        QCOMPARE(app.call("Sheets", {Variant("SHEET2")}).toObject().get("Name"), Variant("Sheet2"));
        QCOMPARE(errorOf([&] { app.get("Sheets", {Variant(std::int16_t(4))}); }),
                 QStringLiteral("Sheets: index 4 out of range"));
        QCOMPARE(errorOf([&] { app.get("Sheets", {Variant(0)}); }), QStringLiteral("Sheets: index 0 out of range"));
        QCOMPARE(errorOf([&] { app.get("Sheets", {Variant("Sheet9")}); }),
                 QStringLiteral("Sheets: no sheet named \"Sheet9\""));

        app.call("Sheets", {Variant(3)}).toObject().call("Select");
        QCOMPARE(app.object("ActiveSheet").get("Name"), Variant("Sheet3"));

        // The run's deletion: all but one sheet, always at position 2.
        const Object third = app.get("Sheets", {Variant(3)}).toObject();
        const int k = app.object("Sheets").get("Count").toInt32() - 1;
        for (int i = 0; i < k; ++i)
            app.get("Sheets", {Variant(std::int16_t(2))}).toObject().call("Delete");
        QCOMPARE(app.object("Sheets").get("Count"), Variant(1));
        QCOMPARE(app.object("ActiveSheet").get("Name"), Variant("Sheet1"));
        QCOMPARE(errorOf([&] { third.get("Name"); }), QStringLiteral("Name: the sheet has been deleted"));
        QCOMPARE(errorOf([&] { app.get("Sheets", {Variant(1)}).toObject().call("Delete"); }),
                 QStringLiteral("Delete: a workbook must keep at least one sheet"));
        QCOMPARE(app.object("Sheets").get("Count"), Variant(1));
    }

    void sheetNamesFollowTheSpreadsheetRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("the run's name") << "Inventory List" << "";
        QTest::newRow("31 characters") << QString(31, QLatin1Char('x')) << "";
        QTest::newRow("own name in another case") << "SHEET1" << "";
        QTest::newRow("unicode") << QString::fromUtf8("Lager \u00fcbersicht") << "";
        QTest::newRow("empty") << "" << "a sheet name must have 1 to 31 characters";
        QTest::newRow("32 characters") << QString(32, QLatin1Char('x')) << "a sheet name must have 1 to 31 characters";
        for (const char* c : {":", "\\", "/", "?", "*", "[", "]"})
            QTest::newRow(c) << QStringLiteral("a%1b").arg(QLatin1String(c))
                             << QStringLiteral("a sheet name cannot contain %1").arg(QLatin1String(c));
        QTest::newRow("leading apostrophe") << "'quoted" << "a sheet name cannot begin or end with an apostrophe";
        QTest::newRow("taken") << "sheet2" << "a sheet named \"Sheet2\" already exists";
    }

    void sheetNamesFollowTheSpreadsheetRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        const Object app = newApplication();
        app.object("Workbooks").call("Add");
        const Object sheet = app.get("Sheets", {Variant(1)}).toObject();
        if (problem.isEmpty()) {
            sheet.put("Name", Variant(name));
            QCOMPARE(sheet.get("Name"), Variant(name));
        } else {
            QCOMPARE(errorOf([&] { sheet.put("Name", Variant(name)); }), QStringLiteral("Name: ") + problem);
            QCOMPARE(sheet.get("Name"), Variant("Sheet1"));
        }
    }

    void paletteColorsAreKeptPerWorkbook()
    {
        const Object app = newApplication();
        const Object book = app.object("Workbooks").call("Add").toObject();
        const std::int32_t colour = 180 + 256 * 195 + 65536 * 175;
        book.put("Colors", Variant(colour), {Arg::byReference(Variant(11))});
        QCOMPARE(app.object("ActiveWorkbook").get("Colors", {Variant(std::int16_t(11))}), Variant(colour));
        QCOMPARE(ss::workbookModel(book)->colors[10], colour);
        QCOMPARE(book.get("Colors", {Variant(1)}), Variant(0)); // black stays
        QCOMPARE(errorOf([&] { book.put("Colors", Variant(0), {Variant(57)}); }),
                 QStringLiteral("Colors: colour index 57 is out of range"));
        QCOMPARE(errorOf([&] { book.put("Colors", Variant(0x1000000), {Variant(1)}); }),
                 QStringLiteral("Colors: colour 16777216 is out of range"));
    }

    void quitEndsEveryObjectOfTheInstance()
    {
        const Object app = newApplication();
        const Object book = app.object("Workbooks").call("Add").toObject();
        const Object range = app.object("Range", {Variant("A1")});
        const Object font = range.object("Font");
        QCOMPARE(Servers::getObject(QStringLiteral("Excel.Application")).defaultValue(), Variant("Microsoft Excel"));

        app.call("Quit");
        const QString quit = QStringLiteral(": the spreadsheet application has quit");
        QCOMPARE(errorOf([&] { app.get("Version"); }), QStringLiteral("Version") + quit);
        QCOMPARE(errorOf([&] { app.defaultValue(); }), QStringLiteral("Application") + quit);
        QCOMPARE(errorOf([&] { book.get("Name"); }), QStringLiteral("Name") + quit);
        QCOMPARE(errorOf([&] { range.put("FormulaR1C1", Variant("x")); }), QStringLiteral("FormulaR1C1") + quit);
        QCOMPARE(errorOf([&] { font.put("Size", Variant(10)); }), QStringLiteral("Size") + quit);
        QCOMPARE(errorOf([&] { app.call("Quit"); }), QStringLiteral("Quit") + quit);
        // A quit instance is not running any more.
        QVERIFY(errorOf([&] { Servers::getObject(QStringLiteral("Excel.Application")); }) != QStringLiteral("<no error>"));
    }

    void runningLookupFindsOnlyHeldInstances()
    {
        QVERIFY(errorOf([] { Servers::getObject(QStringLiteral("Excel.Application")); }) != QStringLiteral("<no error>"));
        Object first = newApplication();
        first.object("Workbooks").call("Add");
        Object found = Servers::getObject(QStringLiteral("Excel.Application"));
        // The same instance: it sees the workbook.
        QCOMPARE(found.object("Workbooks").get("Count"), Variant(1));
        found.put("Cursor", Variant(2));
        QCOMPARE(first.get("Cursor"), Variant(2));
        // An instance nobody holds is gone at once.
        Object probe = newApplication();
        probe.release();
        first.release();
        QCOMPARE(Servers::getObject(QStringLiteral("Excel.Application")).get("Cursor"), Variant(2));
        found.release();
        QVERIFY(errorOf([] { Servers::getObject(QStringLiteral("Excel.Application")); }) != QStringLiteral("<no error>"));
    }

    void saveAsChecksTheFileFormat()
    {
        QTemporaryDir dir;
        const Object app = newApplication();
        const Object book = app.object("Workbooks").call("Add").toObject();
        const QString path = dir.filePath(QStringLiteral("bad.xls"));
        for (const Variant& format : {Variant(52), Variant(std::int16_t(0)), Variant("xls")}) {
            const QString error = errorOf([&] {
                book.call("SaveAs", {Arg::byReference(Variant(path)), Arg::named("FileFormat", format)});
            });
            QVERIFY2(error.startsWith(QStringLiteral("SaveAs: ")), qPrintable(error));
        }
        QCOMPARE(errorOf([&] { book.call("SaveAs", {Variant(path), Variant(52)}); }),
                 QStringLiteral("SaveAs: file format 52 is not valid"));
        QCOMPARE(errorOf([&] { book.call("SaveAs", {Variant(""), Variant(56)}); }),
                 QStringLiteral("SaveAs: no file name given"));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(book.get("FullName"), Variant("Book1"));
    }

    // SaveAs 51 makes the Open XML workbook in a scratch folder of its own;
    // into a folder that takes no file it leaves nothing there nor in the
    // temporary folder, and says why.
    void saveAsOpenXmlLeavesNothingWhenItCannotWrite()
    {
        QTemporaryDir dir;
        const QString temp = dir.filePath(QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(temp));
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp));
        const Object app = newApplication();
        const Object book = app.object("Workbooks").call("Add").toObject();
        const QString path = dir.filePath(QStringLiteral("gone/stock.xlsx"));
        const QString error = errorOf([&] {
            book.call("SaveAs", {Arg::byReference(Variant(path)), Arg::named("FileFormat", Variant(51))});
        });
        const QStringList left = QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        const QString saved = dir.filePath(QStringLiteral("stock.xlsx"));
        book.call("SaveAs", {Variant(saved), Variant(51)});
        qputenv("TMPDIR", oldTemp);
        QCOMPARE(error, QStringLiteral("SaveAs: Cannot save the workbook as \"%1\": No such file or directory").arg(path));
        QCOMPARE(left, QStringList());
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(4) == QByteArray("PK\x03\x04", 4)); // a zip package
        QCOMPARE(book.get("FullName"), Variant(saved));
    }

    void savedWorkbookOpensInAnotherInstance()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kintra12345678.xls"));
        {
            const Object app = newApplication();
            const Object book = app.object("Workbooks").call("Add").toObject();
            app.get("Sheets", {Variant(1)}).toObject().put("Name", Variant("Inventory List"));
            app.object("Range", {Variant("A1")}).put("FormulaR1C1", Variant("Inventory List"));
            app.object("Range", {Variant("D3")}).put("FormulaR1C1", Variant("46.99"));
            book.call("SaveAs", {Arg::byReference(Variant(path)), Arg::named("FileFormat", Variant(56))});
            QCOMPARE(book.get("FullName"), Variant(QFileInfo(path).absoluteFilePath()));
            QCOMPARE(book.get("Name"), Variant("kintra12345678.xls"));
            book.call("Close");
            app.call("Quit");
        }
        const Object other = newApplication();
        other.object("Workbooks").call("Open", {Arg::byReference(Variant(path))});
        const int n = other.object("Workbooks").get("Count").toInt32();
        const Object opened = other.object("Workbooks").get({}, {Variant(n)}).toObject();
        const Object sheet = opened.object("ActiveSheet");
        QCOMPARE(sheet.get("Name"), Variant("Inventory List"));
        QCOMPARE(sheet.object("Range", {Variant("A1")}).get("Value"), Variant("Inventory List"));
        QCOMPARE(sheet.object("Range", {Variant("D3")}).get("Value"), Variant(46.99));
        QVERIFY(errorOf([&] {
                    other.object("Workbooks").call("Open", {Variant(dir.filePath(QStringLiteral("missing.xls")))});
                }).startsWith(QStringLiteral("Open: ")));
        QCOMPARE(other.object("Workbooks").get("Count"), Variant(1));
    }
};

QTEST_MAIN(ObjectsApplicationTest)
#include "objects_application_test.moc"
