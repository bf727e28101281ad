#include "ObjectsSupport.h"

#include "automation/ExcelConstants.h"
#include "automation/Servers.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/objects/Server.h"

#include <QTest>

#include <cmath>

using namespace automation;

namespace {

// An instance with one new workbook, and its model.
struct Fixture {
    Object app;
    Object book;
    ss::Workbook* model = nullptr;

    Fixture()
    {
        ss::registerExcelApplication();
        app = Servers::createObject(QStringLiteral("Excel.Application"));
        book = app.object("Workbooks").call("Add").toObject();
        model = ss::workbookModel(book);
    }
    ~Fixture() { Servers::clear(); }

    Object range(const char* address) const { return app.object("Range", {Variant(address)}); }
    ss::Sheet& sheet() const { return *model->sheets[std::size_t(model->activeSheet)]; }
    const ss::CellFormat& shown(const char* cell) const
    {
        const ss::Area a = ss::parseAddress(QString::fromLatin1(cell));
        return model->formats[sheet().effectiveFormat(a.top, a.left)];
    }
    const ss::Cell* cell(const char* address) const
    {
        const ss::Area a = ss::parseAddress(QString::fromLatin1(address));
        return sheet().cell(a.top, a.left);
    }
};

} // namespace

class ObjectsRangeTest : public QObject {
    Q_OBJECT

private slots:
    void formulaTextsBecomeNumbersOnlyWhenPlainNumerals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<QString>("formula"); // FormulaR1C1 read back
        for (const char* t : {"46.99", "144455", "-4", "0", "0.25", "123456789012", "100000"})
            QTest::newRow(t) << QString::fromLatin1(t) << true << QString::fromLatin1(t);
        QTest::newRow("6.90") << QStringLiteral("6.90") << true << QStringLiteral("6.9");
        QTest::newRow("11.10") << QStringLiteral("11.10") << true << QStringLiteral("11.1");
        for (const char* t : {"0012", "007", "1,000", " 12", "1e5", "1E+20", "+3", ".5", "-0", "=1+2", "=A1*2",
                              "=HYPERLINK(\"http://x\")", "Widget 2000", "", "TRUE"})
            QTest::newRow(t) << QString::fromLatin1(t) << false << QString::fromLatin1(t);
    }

    void formulaTextsBecomeNumbersOnlyWhenPlainNumerals()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(QString, formula);
        Fixture f;
        f.range("B2").call("Select");
        f.app.object("ActiveCell").put("FormulaR1C1", Variant(text));
        const Object cell = f.range("B2");
        if (text.isEmpty()) {
            QVERIFY(!f.cell("B2"));
        } else if (number) {
            QCOMPARE(f.cell("B2")->value, ss::CellValue(text.toDouble()));
            QCOMPARE(cell.get("Value"), Variant(text.toDouble()));
        } else {
            // Kept exactly as typed; nothing is evaluated.
            QCOMPARE(f.cell("B2")->value, ss::CellValue(text));
            QCOMPARE(cell.get("Value"), Variant(text));
        }
        QCOMPARE(cell.get("FormulaR1C1"), Variant(formula));
    }

    void valuesOfOtherTypes()
    {
        Fixture f;
        f.range("A1:B2").put("Value", Variant(std::int16_t(7)));
        QCOMPARE(f.cell("B2")->value, ss::CellValue(7.0));
        QCOMPARE(f.range("A1").defaultValue(), Variant(7.0));
        f.range("A1").put("Value", Variant());
        QVERIFY(!f.cell("A1"));
        f.range("A1").put("Value", Variant(true));
        QCOMPARE(f.cell("A1")->value, ss::CellValue(true));
        QCOMPARE(f.range("A1").get("Text"), Variant("TRUE"));
        f.range("A1").put("Value", automation::ErrorValue{excel::xlErrDiv0});
        QCOMPARE(f.range("A1").get("Value2"), Variant(automation::ErrorValue{excel::xlErrDiv0}));
        QCOMPARE(f.range("A1").get("Text"), Variant("#DIV/0!"));
        f.sheet().cellAt(1, 0).value = ss::CellError::NotCalculated;
        QCOMPARE(errorOf([&] { f.range("A2").get("Value2"); }),
                 QStringLiteral("Value2: A2 holds a formula whose result was not saved; open and save the file in a "
                                "spreadsheet program first"));
        QCOMPARE(errorOf([&] { f.range("A1").put("Value", Variant(std::nan(""))); }),
                 QStringLiteral("Value: a cell cannot hold an infinite number or NaN"));
        QCOMPARE(errorOf([&] { f.range("A1:B2").get("Value"); }),
                 QStringLiteral("Value: reading several cells at once is not supported"));
        QCOMPARE(errorOf([&] { f.app.object("Columns", {Variant("A:Q")}).put("Value", Variant(1)); }),
                 QStringLiteral("Value: writing 1114112 cells at once is not supported"));
        QVERIFY(!f.cell("A100"));
    }

    void selectionAndActiveCellFollowSelect()
    {
        Fixture f;
        f.range("$B3:$D5").call("Select");
        QCOMPARE(f.app.object("Selection").get("Address"), Variant("$B$3:$D$5"));
        QCOMPARE(f.app.object("ActiveCell").get("Address"), Variant("$B$3"));
        f.app.object("Columns", {Variant("C:C")}).call("Select");
        QCOMPARE(f.app.object("Selection").get("Address"), Variant("$C:$C"));
        QCOMPARE(f.app.object("ActiveCell").get("Address"), Variant("$C$1"));
        f.app.object("Cells").call("Select");
        QCOMPARE(f.app.object("Selection").get("Count"), Variant(256 * 65536));
        QCOMPARE(f.app.object("ActiveCell").get("Address"), Variant("$A$1"));

        // A range got earlier keeps its cells when the selection moves on.
        const Object before = f.app.object("Selection");
        f.range("C15").call("Select");
        QCOMPARE(before.get("Address"), Variant("$1:$65536"));
        QCOMPARE(f.app.object("Selection").get("Address"), Variant("$C$15"));

        // Selection is a range: what is done to it reaches the cells.
        f.app.object("Selection").put("FormulaR1C1", Variant("here"));
        QCOMPARE(f.cell("C15")->value, ss::CellValue(QStringLiteral("here")));

        // Only the active sheet's ranges can be selected.
        const Object other = f.app.get("Sheets", {Variant(2)}).toObject();
        QCOMPARE(errorOf([&] { other.object("Range", {Variant("A1")}).call("Select"); }),
                 QStringLiteral("Select: the range's sheet is not the active sheet"));
        other.call("Select");
        other.object("Range", {Variant("B2")}).call("Select");
        QCOMPARE(f.app.object("ActiveCell").get("Address"), Variant("$B$2"));
        QCOMPARE(f.model->sheets[0]->selection, ss::parseAddress(u"C15"));
    }

    void rangesOfTheApplicationAreSharedOnlyWhenAlike()
    {
        Fixture f;
        // A range that is still held keeps its cells, whatever is asked for
        // after it; the same range asked for again is the same object.
        const Object a1 = f.range("A1");
        QVERIFY(f.range("A1") == a1);
        const Object b2 = f.range("B2");
        QVERIFY(!(b2 == a1));
        QCOMPARE(a1.get("Address"), Variant("$A$1"));
        QCOMPARE(b2.get("Address"), Variant("$B$2"));
        // The same cells counted by rows and by cells are two ranges.
        QCOMPARE(f.app.object("Rows", {Variant("2:2")}).get("Count"), Variant(1));
        QCOMPARE(f.range("2:2").get("Count"), Variant(256));
        QCOMPARE(f.app.object("Rows", {Variant("2:2")}).get("Count"), Variant(1));
        // Ranges let go of show the cells asked for next.
        for (const char* address : {"C3", "$D4:$E5", "C3", "D4:E5"}) {
            const ss::Area area = ss::parseAddress(QString::fromLatin1(address));
            QCOMPARE(f.range(address).get("Address"), Variant(ss::addressText(area)));
        }

        // A closed workbook lets go of its sheets at once, while its
        // objects are still held; its ranges are not those of the next one.
        f.range("A1").put("FormulaR1C1", Variant("first"));
        const Object font = a1.object("Font");
        f.book.call("Close");
        QVERIFY(f.model->sheets.empty());
        QCOMPARE(errorOf([&] { a1.get("Address"); }), QStringLiteral("Address: the workbook has been closed"));
        QCOMPARE(errorOf([&] { font.get("Size"); }), QStringLiteral("Size: the workbook has been closed"));
        const Object next = f.app.object("Workbooks").call("Add").toObject();
        QCOMPARE(f.range("A1").get("Value"), Variant());
        f.range("A1").put("FormulaR1C1", Variant("second"));
        f.app.object("Selection").put("WrapText", Variant(true));
        const ss::Workbook* model = ss::workbookModel(next);
        QCOMPARE(model->sheets[0]->cell(0, 0)->value, ss::CellValue(QStringLiteral("second")));
        QVERIFY(model->formats[model->sheets[0]->effectiveFormat(0, 0)].wrap);
    }

    void badAddressesNameTheMember()
    {
        Fixture f;
        QCOMPARE(errorOf([&] { f.range("A0"); }), QStringLiteral("Range: invalid address \"A0\""));
        QCOMPARE(errorOf([&] { f.range("A65537"); }),
                 QStringLiteral("Range: address \"A65537\" is outside the sheet (256 columns, 65,536 rows)"));
        QCOMPARE(errorOf([&] { f.app.get("Rows", {Variant("A1")}); }), QStringLiteral("Rows: \"A1\" is not a row address"));
        QCOMPARE(errorOf([&] { f.app.get("Columns", {Variant("3:3")}); }),
                 QStringLiteral("Columns: \"3:3\" is not a column address"));
        QCOMPARE(errorOf([&] { f.app.get("Cells", {Variant(0), Variant(1)}); }),
                 QStringLiteral("Cells: row 0 is out of range"));
    }

    void rowsColumnsAndCounts()
    {
        Fixture f;
        const Object area = f.range("B3:D7");
        QCOMPARE(area.get("Count"), Variant(15));
        QCOMPARE(area.get("Row"), Variant(3));
        QCOMPARE(area.get("Column"), Variant(2));
        QCOMPARE(area.object("Rows").get("Count"), Variant(5));
        QCOMPARE(area.object("Columns").get("Count"), Variant(3));
        // The last row and column, as the sheet snapshot finds them.
        QCOMPARE(area.get("Rows", {Variant(5)}).toObject().get("Row"), Variant(7));
        QCOMPARE(area.get("Columns", {Variant(3)}).toObject().get("Column"), Variant(4));
        QCOMPARE(area.get("Rows", {Variant(2)}).toObject().get("Address"), Variant("$B$4:$D$4"));
        QCOMPARE(errorOf([&] { area.get("Rows", {Variant(6)}); }), QStringLiteral("Rows: row index 6 is out of range"));
        QCOMPARE(area.get("Cells", {Variant(2), Variant(3)}).toObject().get("Address"), Variant("$D$4"));
        QCOMPARE(area.get({}, {Variant(4)}).toObject().get("Address"), Variant("$B$4"));
        QCOMPARE(f.app.object("Rows", {Variant("1:1")}).get("Count"), Variant(1));
        QCOMPARE(f.app.object("Rows", {Variant(3)}).get("Address"), Variant("$3:$3"));
        QCOMPARE(f.app.object("Columns", {Variant("B")}).get("Address"), Variant("$B:$B"));
    }

    void widthsAndHeights()
    {
        Fixture f;
        f.app.object("Columns", {Variant("A:A")}).put("ColumnWidth", Variant(13.57));
        f.app.object("Columns", {Variant("B:C")}).put("ColumnWidth", Variant(35.0));
        QCOMPARE(f.sheet().columnWidth(0), 13.57);
        QCOMPARE(f.sheet().columnWidth(2), 35.0);
        QCOMPARE(f.sheet().columnWidth(3), f.sheet().standardWidth);
        QCOMPARE(f.range("B1:C9").get("ColumnWidth"), Variant(35.0));
        QCOMPARE(f.range("A1:B1").get("ColumnWidth"), Variant());

        f.app.object("Rows", {Variant("2:3")}).put("RowHeight", Variant(45.0));
        QCOMPARE(f.sheet().rowHeight(1), 45.0);
        QCOMPARE(f.sheet().rowHeight(2), 45.0);
        QCOMPARE(f.range("A2:I3").get("RowHeight"), Variant(45.0));
        QCOMPARE(f.range("A3:A4").get("RowHeight"), Variant());
        QCOMPARE(errorOf([&] { f.range("A1").put("RowHeight", Variant(410)); }),
                 QStringLiteral("RowHeight: row height 410 is out of range"));
        QCOMPARE(errorOf([&] { f.range("A1").put("ColumnWidth", Variant(-1)); }),
                 QStringLiteral("ColumnWidth: column width -1 is out of range"));

        // All rows at once set the sheet's default height.
        f.app.object("Cells").put("RowHeight", Variant(20.0));
        QCOMPARE(f.sheet().rowHeight(1), 20.0);
        QCOMPARE(f.sheet().rowHeight(60000), 20.0);
    }

    void formattingThroughFontInteriorAndAlignment()
    {
        Fixture f;
        f.app.object("Cells").call("Select");
        const Object all = f.app.object("Selection");
        all.object("Font").put("Name", Variant("Arial"));
        all.object("Font").put("Size", Variant(std::int16_t(10)));
        all.put("VerticalAlignment", Variant(-4108));
        all.put("WrapText", Variant(true));
        all.object("Interior").put("ColorIndex", Variant(std::int16_t(2)));
        // The whole sheet costs nothing per cell.
        QVERIFY(f.sheet().rows.empty());

        const Object caption = f.range("$C2:$C2");
        caption.object("Font").put("FontStyle", Variant("Bold"));
        caption.object("Font").put("ColorIndex", Variant(-4105));
        caption.object("Font").put("Name", Variant("Tahoma"));
        caption.put("HorizontalAlignment", Variant(-4108));
        f.range("A1:I2").object("Interior").put("ColorIndex", Variant(11));

        QCOMPARE(f.shown("C2").font.name, QStringLiteral("Tahoma"));
        QVERIFY(f.shown("C2").font.bold);
        QCOMPARE(f.shown("C2").horizontal, ss::HAlign::Center);
        QCOMPARE(f.shown("C2").vertical, ss::VAlign::Center);
        QCOMPARE(f.shown("C2").fillColorIndex, 11);
        QCOMPARE(f.shown("Z99").fillColorIndex, 2);
        QVERIFY(f.shown("Z99").wrap);
        QCOMPARE(caption.object("Font").get("FontStyle"), Variant("Bold"));
        QCOMPARE(caption.object("Font").get("ColorIndex"), Variant(-4105));
        QCOMPARE(caption.get("HorizontalAlignment"), Variant(-4108));
        QCOMPARE(f.range("A1").get("HorizontalAlignment"), Variant(1));
        QCOMPARE(f.range("A5").get("VerticalAlignment"), Variant(-4108));
        QCOMPARE(f.range("B2:C2").object("Font").get("Name"), Variant());
        QCOMPARE(f.range("A1:I2").object("Interior").get("ColorIndex"), Variant(11));

        const Object font = f.range("D4").object("Font");
        font.put("Italic", Variant(true));
        QCOMPARE(font.get("FontStyle"), Variant("Italic"));
        font.put("Bold", Variant(true));
        QCOMPARE(font.get("FontStyle"), Variant("Bold Italic"));
        font.put("FontStyle", Variant("regular"));
        QCOMPARE(font.get("Bold"), Variant(false));
        QCOMPARE(font.get("Italic"), Variant(false));
        f.range("D4").object("Interior").put("ColorIndex", Variant(-4142));
        QCOMPARE(f.shown("D4").fillColorIndex, ss::ColorNone);
        QCOMPARE(f.range("D4").object("Interior").get("ColorIndex"), Variant(-4142));

        QCOMPARE(errorOf([&] { font.put("FontStyle", Variant("Heavy")); }),
                 QStringLiteral("FontStyle: font style \"Heavy\" is not valid"));
        QCOMPARE(errorOf([&] { font.put("ColorIndex", Variant(57)); }),
                 QStringLiteral("ColorIndex: colour index 57 is not valid"));
        QCOMPARE(errorOf([&] { font.put("Size", Variant(0)); }), QStringLiteral("Size: font size 0 is out of range"));
        QCOMPARE(errorOf([&] { font.put("Name", Variant("")); }),
                 QStringLiteral("Name: a font name must have 1 to 31 characters"));
        QCOMPARE(errorOf([&] { caption.put("HorizontalAlignment", Variant(-4160)); }),
                 QStringLiteral("HorizontalAlignment: horizontal alignment -4160 is not valid"));
        QCOMPARE(errorOf([&] { caption.put("VerticalAlignment", Variant(-4131)); }),
                 QStringLiteral("VerticalAlignment: vertical alignment -4131 is not valid"));
        QCOMPARE(f.shown("C2").horizontal, ss::HAlign::Center);
    }

    void bordersOnEdgesAndBetweenCells()
    {
        Fixture f;
        f.range("$A2:$C4").call("Select");
        for (int edge : {7, 8, 9, 10, 11}) {
            const Object border = f.app.object("Selection").get("Borders", {Variant(edge)}).toObject();
            border.put("LineStyle", Variant(1));
            border.put("Weight", Variant(2));
            border.put("ColorIndex", Variant(14));
        }
        const Object block = f.range("$A3:$C4");
        block.get("Borders", {Variant(9)}).toObject().put("Weight", Variant(-4138));

        QVERIFY(f.shown("A2").borders[ss::EdgeLeft].present());
        QCOMPARE(f.shown("A2").borders[ss::EdgeLeft].colorIndex, 14);
        QVERIFY(f.shown("A2").borders[ss::EdgeRight].present()); // inside vertical
        QVERIFY(f.shown("B3").borders[ss::EdgeLeft].present());
        QVERIFY(f.shown("C3").borders[ss::EdgeLeft].present());
        QVERIFY(f.shown("C3").borders[ss::EdgeRight].present()); // outline
        QVERIFY(!f.shown("B3").borders[ss::EdgeTop].present()); // no inside horizontal
        QVERIFY(!f.shown("B3").borders[ss::EdgeBottom].present());
        QCOMPARE(f.shown("B4").borders[ss::EdgeBottom].weight, ss::LineWeight::Medium);
        QCOMPARE(f.shown("B2").borders[ss::EdgeTop].weight, ss::LineWeight::Thin);

        const Object sel = f.app.object("Selection");
        QCOMPARE(sel.get("Borders", {Variant(7)}).toObject().get("LineStyle"), Variant(1));
        QCOMPARE(sel.get("Borders", {Variant(11)}).toObject().get("Weight"), Variant(2));
        QCOMPARE(sel.get("Borders", {Variant(12)}).toObject().get("LineStyle"), Variant(-4142));
        QCOMPARE(sel.get("Borders", {Variant(9)}).toObject().get("Weight"), Variant(-4138));
        QCOMPARE(f.range("C4:D4").get("Borders", {Variant(9)}).toObject().get("LineStyle"), Variant());

        // A weight alone draws a line; none removes it.
        const Object top = f.range("E5").get("Borders", {Variant(8)}).toObject();
        top.put("Weight", Variant(4));
        QCOMPARE(f.shown("E5").borders[ss::EdgeTop].style, ss::LineStyle::Continuous);
        QCOMPARE(f.shown("E5").borders[ss::EdgeTop].weight, ss::LineWeight::Thick);
        top.put("LineStyle", Variant(-4142));
        QVERIFY(!f.shown("E5").borders[ss::EdgeTop].present());
        top.put("LineStyle", Variant(-4119));
        QCOMPARE(f.shown("E5").borders[ss::EdgeTop].style, ss::LineStyle::Double);

        QCOMPARE(errorOf([&] { sel.get("Borders", {Variant(5)}); }), QStringLiteral("Borders: border edge 5 is not valid"));
        QCOMPARE(errorOf([&] { top.put("Weight", Variant(3)); }), QStringLiteral("Weight: line weight 3 is not valid"));
        QCOMPARE(errorOf([&] { top.put("LineStyle", Variant(2)); }), QStringLiteral("LineStyle: line style 2 is not valid"));
    }

    void mergeAndClear()
    {
        Fixture f;
        f.range("$A3:$A3").call("Select");
        f.app.object("ActiveCell").put("FormulaR1C1", Variant("one"));
        f.app.object("Selection").call("Merge");
        QVERIFY(f.sheet().merges.empty());

        f.range("B1").put("FormulaR1C1", Variant("kept"));
        f.range("C2").put("FormulaR1C1", Variant("lost"));
        // With alerts on the application would have asked, so it refuses.
        QVERIFY(errorOf([&] { f.range("B1:C2").call("Merge"); }).startsWith(QStringLiteral("Merge: merging would keep")));
        QVERIFY(f.sheet().merges.empty());
        QCOMPARE(f.cell("C2")->value, ss::CellValue(QStringLiteral("lost")));

        f.app.put("DisplayAlerts", Variant(false));
        f.range("B1:C2").call("Merge");
        QCOMPARE(f.sheet().merges, std::vector<ss::Area>{ss::parseAddress(u"B1:C2")});
        QCOMPARE(f.cell("B1")->value, ss::CellValue(QStringLiteral("kept")));
        QVERIFY(!f.cell("C2"));

        f.range("A1:C3").object("Font").put("Bold", Variant(true));
        f.app.object("Cells").call("Clear");
        QVERIFY(f.sheet().merges.empty());
        QVERIFY(!f.sheet().usedArea());
        QVERIFY(!f.shown("B1").font.bold);
    }

    void usedRangeReportsTheLastRowAndColumn()
    {
        Fixture f;
        const Object sheet = f.app.object("ActiveSheet");
        QCOMPARE(sheet.object("UsedRange").get("Address"), Variant("$A$1"));
        f.range("B2").put("FormulaR1C1", Variant("x"));
        f.range("E9").object("Font").put("Bold", Variant(true));
        f.app.object("Rows", {Variant("12:12")}).put("RowHeight", Variant(30.0));
        const Object used = sheet.object("UsedRange");
        QCOMPARE(used.get("Address"), Variant("$B$2:$E$9"));
        const int rows = used.object("Rows").get("count").toInt32();
        const int columns = used.object("Columns").get("count").toInt32();
        QCOMPARE(used.get("Rows", {Variant(rows)}).toObject().get("Row"), Variant(9));
        QCOMPARE(used.get("Columns", {Variant(columns)}).toObject().get("Column"), Variant(5));
    }

    void pageSetupIsStoredWithTheSheet()
    {
        Fixture f;
        f.app.object("ActiveSheet").object("PageSetup").put("PrintArea", Variant("A1:I12"));
        const Object page = f.app.object("ActiveSheet").object("PageSetup");
        page.put("LeftMargin", f.app.call("InchesToPoints", {Variant(0.7)}));
        page.put("TopMargin", f.app.call("InchesToPoints", {Variant(0.5)}));
        page.put("HeaderMargin", f.app.call("InchesToPoints", {Variant(std::int16_t(0))}));
        page.put("PrintComments", Variant(std::int16_t(-4142)));
        page.put("Orientation", Variant(std::int16_t(2)));
        page.put("PaperSize", Variant(std::int16_t(9)));
        page.put("Zoom", Variant(false));
        page.put("FitToPagesWide", Variant(std::int16_t(1)));
        page.put("FitToPagesTall", Variant(std::int16_t(1)));

        const ss::PageSetup& setup = f.sheet().pageSetup;
        QCOMPARE(setup.printArea, QStringLiteral("A1:I12"));
        QCOMPARE(setup.leftMargin, 0.7 * 72);
        QCOMPARE(setup.topMargin, 36.0);
        QCOMPARE(setup.headerMargin, 0.0);
        QCOMPARE(setup.orientation, ss::Orientation::Landscape);
        QCOMPARE(setup.paperSize, 9);
        QVERIFY(!setup.zoom);
        QCOMPARE(setup.fitToPagesWide, 1);
        QCOMPARE(page.get("PrintArea"), Variant("$A$1:$I$12"));
        QCOMPARE(page.get("PrintComments"), Variant(-4142));
        QCOMPARE(page.get("Orientation"), Variant(2));
        QCOMPARE(page.get("Zoom"), Variant(false));
        page.put("Zoom", Variant(85));
        QCOMPARE(page.get("Zoom"), Variant(85));

        QCOMPARE(errorOf([&] { page.put("Zoom", Variant(5)); }), QStringLiteral("Zoom: zoom 5 is out of range"));
        QCOMPARE(errorOf([&] { page.put("Orientation", Variant(3)); }),
                 QStringLiteral("Orientation: value 3 is out of range"));
        QCOMPARE(errorOf([&] { page.put("LeftMargin", Variant(-1)); }), QStringLiteral("LeftMargin: margin -1 is out of range"));
        QCOMPARE(errorOf([&] { page.put("PrintArea", Variant("A1:I0")); }),
                 QStringLiteral("PrintArea: invalid address \"A1:I0\""));
        QCOMPARE(errorOf([&] { page.put("PrintComments", Variant(2)); }),
                 QStringLiteral("PrintComments: print comments setting 2 is not valid"));
        QCOMPARE(setup.printArea, QStringLiteral("A1:I12"));
        QCOMPARE(setup.zoom, std::optional<int>(85));
    }
};

QTEST_MAIN(ObjectsRangeTest)
#include "objects_range_test.moc"
