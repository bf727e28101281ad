// The inventory sheet layout, for a few items, driven through the automation
// layer as the generation run drives it; the model must then hold what the
// calls set.
#include "support/Recorder.h"
#include "automation/Servers.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/objects/Server.h"

#include <QTest>

using namespace automation;

namespace {

const QStringList Captions = {"Inventory ID",  "Name",          "Description",          "Unit Price",
                              "Quantity in Stock", "Reorder Level", "Reorder Time in Days", "Quantity in Reorder",
                              "Discontinued?"};
const double Widths[] = {13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15};

QString column(int c) { return ss::columnName(c); }

// The layout calls, each on the application object as the layout makes them.
struct Layout {
    Object app;

    void select(const QString& range) const { app.object("Range", {Variant(range)}).call("Select"); }
    Object selection() const { return app.object("Selection"); }

    void setColumnWidth(const QString& columns, double width) const
    {
        app.object("Columns", {Variant(columns)}).call("Select");
        selection().put("ColumnWidth", Variant(width));
    }
    void setRowHeight(const QString& rows, double height) const
    {
        app.object("Rows", {Variant(rows)}).call("Select");
        selection().put("RowHeight", Variant(height));
    }
    void setInteriorColor(const QString& range, std::int16_t index) const
    {
        if (!range.isEmpty())
            select(range);
        selection().object("Interior").put("ColorIndex", Variant(index));
    }
    void writeCell(const QString& range, const QString& text, bool merge, bool wrap) const
    {
        if (!range.isEmpty())
            select(range);
        app.object("ActiveCell").put("FormulaR1C1", Variant(text));
        if (merge)
            selection().call("Merge");
        selection().put("WrapText", Variant(wrap));
    }
    void setFont(const QString& style, std::int16_t size, std::int32_t color, const QString& name) const
    {
        const Object font = selection().object("Font");
        font.put("FontStyle", Variant(style));
        font.put("Size", Variant(size));
        font.put("ColorIndex", Variant(color));
        font.put("Name", Variant(name));
    }
    void setRangeBorders(const QString& range, std::initializer_list<int> edges, int weight, int color) const
    {
        select(range);
        for (int edge : edges) {
            const Object border = selection().get("Borders", {Variant(edge)}).toObject();
            border.put("LineStyle", Variant(1));
            border.put("Weight", Variant(weight));
            border.put("ColorIndex", Variant(color));
        }
    }

    void build(const std::vector<QStringList>& items) const
    {
        const int n = int(items.size());
        for (int i = 1; i <= 56; ++i)
            app.object("ActiveWorkbook").put("Colors", Variant(i * 1000), {Arg::byReference(Variant(i))});
        app.object("Cells").call("Select");
        app.object("Cells").call("Clear");
        selection().object("Font").put("Name", Variant("Arial"));
        selection().object("Font").put("Size", Variant(std::int16_t(10)));
        selection().put("VerticalAlignment", Variant(-4108));
        selection().put("WrapText", Variant(true));
        setInteriorColor({}, 2);
        for (int c = 0; c < 9; ++c)
            setColumnWidth(column(c) + QLatin1Char(':') + column(c), Widths[c]);
        setRowHeight(QStringLiteral("1:1"), 43.5);
        setRowHeight(QStringLiteral("2:2"), 45);
        for (int i = 1; i <= n; ++i) {
            const QString r = QString::number(i + 2);
            setRowHeight(r + QLatin1Char(':') + r, 15);
            if (i % 2 == 0)
                setInteriorColor(r + QLatin1Char(':') + r, 13);
            for (int c = 0; c < 9; ++c)
                writeCell(QLatin1Char('$') + column(c) + r + QStringLiteral(":$") + column(c) + r,
                          items[std::size_t(i - 1)][c], true, false);
        }
        const QString last = QString::number(n + 2);
        setInteriorColor(QStringLiteral("$A1:$I2"), 11);
        setRangeBorders(QStringLiteral("$A2:$I") + last, {7, 8, 9, 10, 11}, 2, 14);
        setRangeBorders(QStringLiteral("$A2:$I2"), {7, 8, 9, 10}, -4138, 12);
        setRangeBorders(QStringLiteral("$A3:$I") + last, {7, 9, 10}, -4138, 14);
        writeCell(QStringLiteral("$A1:$A1"), QStringLiteral("Inventory List"), false, false);
        setFont(QStringLiteral("Bold"), 14, -4105, QStringLiteral("Arial"));
        for (int c = 0; c < 9; ++c) {
            const QString cell = QLatin1Char('$') + column(c) + QStringLiteral("2:$") + column(c) + QLatin1Char('2');
            writeCell(cell, Captions[c], true, c >= 2);
            setFont(QStringLiteral("Bold"), 10, -4105, QStringLiteral("Tahoma"));
            selection().put("HorizontalAlignment", Variant(-4108));
            selection().put("WrapText", Variant(true));
        }
        app.object("ActiveSheet").object("PageSetup").put("PrintArea", Variant(QStringLiteral("A1:I") + last));
        const Object page = app.object("ActiveSheet").object("PageSetup");
        page.put("LeftMargin", app.call("InchesToPoints", {Variant(0.7)}));
        page.put("RightMargin", app.call("InchesToPoints", {Variant(0.7)}));
        page.put("TopMargin", app.call("InchesToPoints", {Variant(0.5)}));
        page.put("BottomMargin", app.call("InchesToPoints", {Variant(0.5)}));
        page.put("HeaderMargin", app.call("InchesToPoints", {Variant(std::int16_t(0))}));
        page.put("FooterMargin", app.call("InchesToPoints", {Variant(std::int16_t(0))}));
        page.put("PrintComments", Variant(std::int16_t(-4142)));
        page.put("Orientation", Variant(std::int16_t(2)));
        page.put("PaperSize", Variant(std::int16_t(9)));
        page.put("Zoom", Variant(false));
        page.put("FitToPagesWide", Variant(std::int16_t(1)));
        page.put("FitToPagesTall", Variant(std::int16_t(1)));
        select(QStringLiteral("C15"));
    }
};

std::vector<QStringList> sampleItems()
{
    return {{"INV001", "Bolt", "Steel bolt, M8", "0.35", "1200", "200", "14", "500", "No"},
            {"INV002", "Nut", "=1+1", "0.12", "0012", "100", "7", "300", "No"},
            {"INV003", "Washer", "", "6.90", "144455", "-4", "1,000", "", "Yes"}};
}

} // namespace

class ObjectsLayoutTest : public QObject {
    Q_OBJECT

private:
    Object m_app;
    ss::Workbook* m_book = nullptr;
    std::shared_ptr<Recorder> m_recorder;

    const ss::Sheet& sheet() const { return *m_book->sheets.front(); }
    const ss::CellFormat& shown(const char* cell) const
    {
        const ss::Area a = ss::parseAddress(QString::fromLatin1(cell));
        return m_book->formats[sheet().effectiveFormat(a.top, a.left)];
    }
    const ss::CellValue& value(const char* cell) const
    {
        static const ss::CellValue none;
        const ss::Area a = ss::parseAddress(QString::fromLatin1(cell));
        const ss::Cell* c = sheet().cell(a.top, a.left);
        return c ? c->value : none;
    }

private slots:
    void initTestCase()
    {
        ss::registerExcelApplication();
        m_app = Servers::createObject(QStringLiteral("Excel.Application"));
        m_recorder = Recorder::create();
        const Object app = m_recorder->wrap(m_app, QStringLiteral("Application"));
        // The run's preparation: three sheets down to one, renamed.
        app.put("ScreenUpdating", Variant(false));
        app.put("DisplayAlerts", Variant(false));
        const Object book = app.object("Workbooks").call("Add").toObject();
        const int k = app.object("Sheets").get("count").toInt32() - 1;
        for (int i = 0; i < k; ++i)
            app.get("Sheets", {Variant(std::int16_t(2))}).toObject().call("Delete");
        app.get("Sheets", {app.object("Sheets").get("count")}).toObject().put("Name", Variant("Inventory List"));
        m_book = ss::workbookModel(m_app.object("ActiveWorkbook"));
        QVERIFY(m_book);
        m_recorder->clear();
        Layout{app}.build(sampleItems());
    }

    void cleanupTestCase() { Servers::clear(); }

    void everyCallSucceededInOrder()
    {
        const QStringList lines = m_recorder->transcript();
        QVERIFY(lines.filter(QStringLiteral("-> error")).isEmpty());
        // The first item's first cell, as the layout writes it.
        const int at = int(lines.indexOf(QStringLiteral("call Application.Range(String \"$A3:$A3\").Select()")));
        QVERIFY(at > 0);
        QCOMPARE(lines.mid(at - 5, 11),
                 QStringList({"get Application.Rows(String \"3:3\")",
                              "call Application.Rows(String \"3:3\").Select()",
                              "get Application.Selection",
                              "put Application.Selection.RowHeight = Double 15",
                              "get Application.Range(String \"$A3:$A3\")",
                              "call Application.Range(String \"$A3:$A3\").Select()",
                              "get Application.ActiveCell",
                              "put Application.ActiveCell.FormulaR1C1 = String \"INV001\"",
                              "get Application.Selection",
                              "call Application.Selection.Merge()",
                              "get Application.Selection"}));
        // The second item's row is shaded, the first's is not.
        QVERIFY(lines.contains(QStringLiteral("get Application.Range(String \"4:4\")")));
        QVERIFY(!lines.contains(QStringLiteral("get Application.Range(String \"3:3\")")));
    }

    void sheetHoldsTheValuesAsTyped()
    {
        QCOMPARE(m_book->sheets.size(), std::size_t(1));
        QCOMPARE(sheet().name, QStringLiteral("Inventory List"));
        QCOMPARE(value("A1"), ss::CellValue(QStringLiteral("Inventory List")));
        for (int c = 0; c < 9; ++c)
            QCOMPARE(sheet().cell(1, c)->value, ss::CellValue(Captions[c]));
        QCOMPARE(value("A3"), ss::CellValue(QStringLiteral("INV001")));
        QCOMPARE(value("D3"), ss::CellValue(0.35));
        QCOMPARE(value("C4"), ss::CellValue(QStringLiteral("=1+1")));
        QCOMPARE(value("E4"), ss::CellValue(QStringLiteral("0012")));
        QCOMPARE(value("D5"), ss::CellValue(6.9)); // a plain numeral, its trailing zero dropped
        QCOMPARE(value("E5"), ss::CellValue(144455.0));
        QCOMPARE(value("F5"), ss::CellValue(-4.0));
        QCOMPARE(value("G5"), ss::CellValue(QStringLiteral("1,000")));
        QVERIFY(value("C5").index() == 0);
        QVERIFY(value("B1").index() == 0);
        QVERIFY(sheet().merges.empty());
    }

    void sheetHoldsTheFormats()
    {
        QCOMPARE(m_book->colors[10], 11000);
        QCOMPARE(shown("Z200").fillColorIndex, 2);
        QCOMPARE(shown("Z200").vertical, ss::VAlign::Center);
        QVERIFY(shown("Z200").wrap);
        QCOMPARE(shown("B1").fillColorIndex, 11);
        QCOMPARE(shown("I2").fillColorIndex, 11);
        QCOMPARE(shown("B3").fillColorIndex, 2);
        QCOMPARE(shown("B4").fillColorIndex, 13);
        QCOMPARE(shown("Z4").fillColorIndex, 13);
        QCOMPARE(shown("B5").fillColorIndex, 2);
        QVERIFY(!shown("B4").wrap);

        QVERIFY(shown("A1").font.bold);
        QCOMPARE(shown("A1").font.size, 14.0);
        QCOMPARE(shown("A1").font.name, QStringLiteral("Arial"));
        QVERIFY(!shown("A1").wrap);
        QCOMPARE(shown("B2").font.name, QStringLiteral("Tahoma"));
        QCOMPARE(shown("B2").horizontal, ss::HAlign::Center);
        QVERIFY(shown("A2").wrap);
        QCOMPARE(shown("C3").font.name, QStringLiteral("Arial"));
        QVERIFY(!shown("C3").font.bold);

        // Thin lines between the columns, none between item rows; medium
        // outlines around the captions and the item block.
        const ss::BorderLine& between = shown("C4").borders[ss::EdgeLeft];
        QCOMPARE(between.weight, ss::LineWeight::Thin);
        QCOMPARE(between.colorIndex, 14);
        QVERIFY(shown("B4").borders[ss::EdgeRight].present());
        QVERIFY(!shown("C4").borders[ss::EdgeBottom].present());
        QCOMPARE(shown("C2").borders[ss::EdgeBottom].weight, ss::LineWeight::Medium);
        QCOMPARE(shown("C2").borders[ss::EdgeBottom].colorIndex, 12);
        QCOMPARE(shown("A4").borders[ss::EdgeLeft].weight, ss::LineWeight::Medium);
        QCOMPARE(shown("I5").borders[ss::EdgeRight].weight, ss::LineWeight::Medium);
        QCOMPARE(shown("E5").borders[ss::EdgeBottom].weight, ss::LineWeight::Medium);
        QCOMPARE(shown("E5").borders[ss::EdgeBottom].colorIndex, 14);
        QVERIFY(!shown("J3").borders[ss::EdgeLeft].present());
    }

    void sheetHoldsWidthsHeightsAndPageSetup()
    {
        for (int c = 0; c < 9; ++c)
            QCOMPARE(sheet().columnWidth(c), Widths[c]);
        QCOMPARE(sheet().columnWidth(9), sheet().standardWidth);
        QCOMPARE(sheet().rowHeight(0), 43.5);
        QCOMPARE(sheet().rowHeight(1), 45.0);
        for (int r = 2; r < 5; ++r)
            QCOMPARE(sheet().rowHeight(r), 15.0);
        QCOMPARE(sheet().rowHeight(5), sheet().defaultRowHeight);

        const ss::PageSetup& page = sheet().pageSetup;
        QCOMPARE(page.printArea, QStringLiteral("A1:I5"));
        QCOMPARE(page.leftMargin, 0.7 * 72);
        QCOMPARE(page.rightMargin, 0.7 * 72);
        QCOMPARE(page.topMargin, 36.0);
        QCOMPARE(page.bottomMargin, 36.0);
        QCOMPARE(page.headerMargin, 0.0);
        QCOMPARE(page.footerMargin, 0.0);
        QCOMPARE(page.printComments, ss::CommentPrinting::None);
        QCOMPARE(page.orientation, ss::Orientation::Landscape);
        QCOMPARE(page.paperSize, 9);
        QVERIFY(!page.zoom);
        QCOMPARE(page.fitToPagesWide, 1);
        QCOMPARE(page.fitToPagesTall, 1);

        QCOMPARE(sheet().selection, ss::parseAddress(u"C15"));
        const Object used = m_app.object("ActiveSheet").object("UsedRange");
        QCOMPARE(used.get("Address"), Variant("$A$1:$I$5"));
    }
};

QTEST_MAIN(ObjectsLayoutTest)
#include "objects_layout_test.moc"
