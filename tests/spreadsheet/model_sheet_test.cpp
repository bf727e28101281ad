#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Sheet.h"

#include <QTest>

#include <bit>

using namespace ss;

namespace {

Area at(const char* address) { return parseAddress(QString::fromLatin1(address)); }

struct SheetFixture {
    Workbook book;
    Sheet& sheet = book.addSheet(QStringLiteral("Sheet1"));

    void format(const char* address, const std::function<void(CellFormat&)>& change)
    {
        sheet.applyFormat(at(address), change, book.formats);
    }
    void border(const char* address, RangeEdge edge, LineWeight weight = LineWeight::Thin)
    {
        sheet.applyBorder(at(address), edge, [weight](BorderLine& l) {
            l.style = LineStyle::Continuous;
            l.weight = weight;
        }, book.formats);
    }
    const CellFormat& shown(const char* cell) const
    {
        const Area a = at(cell);
        return book.formats[sheet.effectiveFormat(a.top, a.left)];
    }
    void put(const char* cell, CellValue value)
    {
        const Area a = at(cell);
        sheet.cellAt(a.top, a.left).value = std::move(value);
    }
    const CellValue* value(const char* cell) const
    {
        const Area a = at(cell);
        const Cell* c = sheet.cell(a.top, a.left);
        return c ? &c->value : nullptr;
    }
};

} // namespace

class ModelSheetTest : public QObject {
    Q_OBJECT

private slots:
    void formatLevelsLetTheMostSpecificShow()
    {
        SheetFixture f;
        f.format("1:65536", [](CellFormat& c) { c.font.name = QStringLiteral("Tahoma"); });
        f.format("B:B", [](CellFormat& c) { c.font.bold = true; });
        // Sheet and column formats store nothing per cell.
        QVERIFY(f.sheet.rows.empty());
        f.format("3:3", [](CellFormat& c) { c.font.italic = true; });
        f.format("C3", [](CellFormat& c) { c.fillColorIndex = 5; });

        QCOMPARE(f.shown("Z100").font.name, QStringLiteral("Tahoma"));
        QVERIFY(f.shown("B100").font.bold);
        QVERIFY(!f.shown("B100").font.italic);
        // Where a formatted row meets a formatted column, the cell has both.
        QVERIFY(f.shown("B3").font.bold);
        QVERIFY(f.shown("B3").font.italic);
        QVERIFY(f.shown("Z3").font.italic);
        QCOMPARE(f.shown("C3").fillColorIndex, 5);
        QVERIFY(f.shown("C3").font.italic);
        QCOMPARE(f.shown("D3").fillColorIndex, ColorNone);

        // A later change of the whole sheet reaches every level.
        f.format("1:65536", [](CellFormat& c) { c.font.size = 12; });
        for (const char* cell : {"A1", "B3", "C3", "Z3", "B100", "IV65536"})
            QCOMPARE(f.shown(cell).font.size, 12.0);
        QCOMPARE(f.shown("C3").fillColorIndex, 5);
        QVERIFY(f.shown("B3").font.bold);

        // A column formatted after a row reaches the row's cells too.
        f.format("D:D", [](CellFormat& c) { c.wrap = true; });
        QVERIFY(f.shown("D3").wrap);
        QVERIFY(f.shown("D3").font.italic);
        QVERIFY(f.shown("D9").wrap);
        QVERIFY(!f.shown("E3").wrap);
    }

    void manyCellsSharingFormatsChangeAlike()
    {
        SheetFixture f;
        // Alternate formats down a column, then change them all at once.
        for (int r = 0; r < 100; ++r)
            f.sheet.applyFormat(Area::cell(r, 0), [r](CellFormat& c) { c.fillColorIndex = 1 + r % 3; }, f.book.formats);
        f.format("A1:A100", [](CellFormat& c) { c.font.bold = true; });
        for (int r = 0; r < 100; ++r) {
            const CellFormat& shown = f.book.formats[f.sheet.effectiveFormat(r, 0)];
            QVERIFY(shown.font.bold);
            QCOMPARE(shown.fillColorIndex, 1 + r % 3);
        }
        QCOMPARE(f.book.formats.size(), std::size_t(7)); // default, three fills, three bold fills
    }

    void changesMadeAgainGiveTheFormatMadeBefore()
    {
        SheetFixture f;
        // More different changes of one format, cell by cell, than the
        // sheet keeps in mind, and each of them again on other cells.
        for (int round = 0; round < 2; ++round)
            for (int fill = 1; fill <= 6; ++fill)
                f.sheet.applyFormat(Area::cell(round, fill), [fill](CellFormat& c) { c.fillColorIndex = fill; },
                                    f.book.formats);
        for (int fill = 1; fill <= 6; ++fill) {
            QCOMPARE(f.book.formats[f.sheet.effectiveFormat(0, fill)].fillColorIndex, fill);
            QCOMPARE(f.sheet.effectiveFormat(1, fill), f.sheet.effectiveFormat(0, fill));
        }
        QCOMPARE(f.book.formats.size(), std::size_t(7)); // default and six fills

        // Two changes of the same format that differ give two formats.
        f.format("B3", [](CellFormat& c) { c.wrap = true; });
        f.format("C3", [](CellFormat& c) { c.wrap = false; });
        f.format("D3", [](CellFormat& c) { c.wrap = true; });
        QVERIFY(f.shown("B3").wrap);
        QVERIFY(!f.shown("C3").wrap);
        QCOMPARE(f.sheet.effectiveFormat(2, 3), f.sheet.effectiveFormat(2, 1));
        QCOMPARE(f.sheet.effectiveFormat(2, 2), DefaultFormat);
    }

    void keyedChangesMadeAgainGiveTheFormatMadeBefore()
    {
        SheetFixture f;
        const ChangeKey wrapOn{1, 1};
        const ChangeKey wrapOff{1, 0};
        const ChangeKey fill5{2, 5};
        const auto wrap = [](bool on) { return [on](CellFormat& c) { c.wrap = on; }; };
        f.sheet.applyFormat(at("A1"), wrap(true), f.book.formats, wrapOn);
        f.sheet.applyFormat(at("B1"), wrap(false), f.book.formats, wrapOff);
        f.sheet.applyFormat(at("C1"), wrap(true), f.book.formats, wrapOn);
        // The same key on another format makes a change of that format.
        f.sheet.applyFormat(at("D1"), [](CellFormat& c) { c.fillColorIndex = 5; }, f.book.formats, fill5);
        f.sheet.applyFormat(at("D1"), wrap(true), f.book.formats, wrapOn);
        QCOMPARE(f.sheet.effectiveFormat(0, 2), f.sheet.effectiveFormat(0, 0));
        QVERIFY(f.shown("A1").wrap);
        QVERIFY(!f.shown("B1").wrap);
        QCOMPARE(f.shown("A1").fillColorIndex, ColorNone);
        QVERIFY(f.shown("D1").wrap);
        QCOMPARE(f.shown("D1").fillColorIndex, 5);
        QCOMPARE(f.book.formats.size(), std::size_t(4)); // default, wrapped, filled, both
    }

    void insideBordersSetBothNeighbours()
    {
        SheetFixture f;
        f.border("A2:C3", RangeEdge::InsideVertical);
        f.border("A2:C3", RangeEdge::InsideHorizontal, LineWeight::Medium);

        QVERIFY(f.shown("A2").borders[EdgeRight].present());
        QVERIFY(f.shown("B2").borders[EdgeLeft].present());
        QVERIFY(f.shown("B2").borders[EdgeRight].present());
        QVERIFY(f.shown("C2").borders[EdgeLeft].present());
        // No line on the outline.
        QVERIFY(!f.shown("A2").borders[EdgeLeft].present());
        QVERIFY(!f.shown("C2").borders[EdgeRight].present());
        QVERIFY(!f.shown("A2").borders[EdgeTop].present());
        QVERIFY(!f.shown("A3").borders[EdgeBottom].present());

        QCOMPARE(f.shown("A2").borders[EdgeBottom].weight, LineWeight::Medium);
        QCOMPARE(f.shown("A3").borders[EdgeTop].weight, LineWeight::Medium);
        QCOMPARE(f.shown("C3").borders[EdgeTop], f.shown("C2").borders[EdgeBottom]);
    }

    void outlineBordersStayInsideTheRange()
    {
        SheetFixture f;
        f.border("B2:C3", RangeEdge::Left);
        f.border("B2:C3", RangeEdge::Right);
        f.border("B2:C3", RangeEdge::Top);
        f.border("B2:C3", RangeEdge::Bottom);
        QVERIFY(f.shown("B2").borders[EdgeLeft].present());
        QVERIFY(f.shown("B3").borders[EdgeLeft].present());
        QVERIFY(!f.shown("C2").borders[EdgeLeft].present());
        QVERIFY(f.shown("C3").borders[EdgeRight].present());
        QVERIFY(f.shown("C2").borders[EdgeTop].present());
        QVERIFY(!f.shown("C3").borders[EdgeTop].present());
        QVERIFY(f.shown("B3").borders[EdgeBottom].present());
        // Cells outside are not touched, so the used area stays the range.
        QVERIFY(!f.sheet.cell(1, 0));
        QVERIFY(!f.sheet.cell(1, 3));
        QVERIFY(!f.sheet.cell(3, 1));
        QCOMPARE(f.sheet.usedArea(), std::optional<Area>(at("B2:C3")));

        // A range one cell wide has no inside vertical line.
        QVERIFY(!edgeCells(at("B2:B9"), RangeEdge::InsideVertical));
        f.border("E5:E9", RangeEdge::InsideVertical);
        QVERIFY(!f.sheet.cell(4, 4));
    }

    void mergeKeepsTheTopLeftValue()
    {
        SheetFixture f;
        f.put("A1", QStringLiteral("kept"));
        f.put("B2", 4.0);
        f.put("C5", QStringLiteral("outside"));
        QVERIFY(f.sheet.mergeDiscardsValues(at("A1:B2")));
        QVERIFY(!f.sheet.mergeDiscardsValues(at("A1:A3")));

        QCOMPARE(f.sheet.merge(at("A1:B2")), at("A1:B2"));
        QCOMPARE(*f.value("A1"), CellValue(QStringLiteral("kept")));
        QVERIFY(!f.value("B2") || f.value("B2")->index() == 0);
        QCOMPARE(*f.value("C5"), CellValue(QStringLiteral("outside")));
        QCOMPARE(f.sheet.merges.size(), std::size_t(1));
        QVERIFY(f.sheet.mergeAt(1, 1));
        QVERIFY(!f.sheet.mergeAt(2, 2));

        // A merge that overlaps another takes it in.
        QCOMPARE(f.sheet.merge(at("B2:C3")), at("A1:C3"));
        QCOMPARE(f.sheet.merges, std::vector<Area>{at("A1:C3")});

        // One cell is no merge at all.
        f.sheet.merge(at("E5"));
        QCOMPARE(f.sheet.merges.size(), std::size_t(1));
    }

    void clearRemovesValuesFormatsAndMerges()
    {
        SheetFixture f;
        f.put("A1", QStringLiteral("title"));
        f.put("D4", 2.5);
        f.format("B2", [](CellFormat& c) { c.font.bold = true; });
        f.format("1:65536", [](CellFormat& c) { c.fillColorIndex = 2; });
        f.format("C:C", [](CellFormat& c) { c.wrap = true; });
        f.sheet.merge(at("A1:B1"));
        f.sheet.columns[0].width = 20;
        f.sheet.rowAt(0).height = 30;

        f.sheet.clear(at("D4"));
        QVERIFY(!f.sheet.cell(3, 3));
        QCOMPARE(*f.value("A1"), CellValue(QStringLiteral("title")));

        f.sheet.clear(Area::wholeSheet());
        QVERIFY(!f.sheet.usedArea());
        QVERIFY(f.sheet.merges.empty());
        QCOMPARE(f.shown("B2"), CellFormat{});
        QCOMPARE(f.shown("C9"), CellFormat{});
        // Widths and heights are not contents.
        QCOMPARE(f.sheet.columnWidth(0), 20.0);
        QCOMPARE(f.sheet.rowHeight(0), 30.0);
    }

    void usedAreaAfterAnInventoryLayout()
    {
        SheetFixture f;
        const int items = 5;
        f.format("1:65536", [](CellFormat& c) { c.wrap = true; });
        f.sheet.rowAt(0).height = 43.5;
        for (int i = 1; i <= items; ++i) {
            const int r = i + 1;
            f.sheet.rowAt(r).height = 15;
            if (i % 2 == 0)
                f.sheet.applyFormat(Area{r, 0, r, MaxColumns - 1}, [](CellFormat& c) { c.fillColorIndex = 13; },
                                    f.book.formats);
            for (int c = 0; c < 9; ++c) {
                f.sheet.cellAt(r, c).value = QStringLiteral("x");
                f.sheet.applyFormat(Area::cell(r, c), [](CellFormat& cf) { cf.wrap = false; }, f.book.formats);
            }
        }
        f.put("A1", QStringLiteral("Inventory List"));
        for (int c = 0; c < 9; ++c)
            f.sheet.cellAt(1, c).value = QStringLiteral("caption");
        f.sheet.applyBorder(at("$A2:$I7"), RangeEdge::InsideVertical, [](BorderLine& l) { l.style = LineStyle::Continuous; },
                            f.book.formats);

        QCOMPARE(f.sheet.usedArea(), std::optional<Area>(at("A1:I7")));
        // The shading reaches past the cells, the cells keep it under their own format.
        QCOMPARE(f.shown("C4").fillColorIndex, 13);
        QVERIFY(!f.shown("C4").wrap);
        QCOMPARE(f.shown("Z4").fillColorIndex, 13);
        QVERIFY(f.shown("Z4").wrap);
        QCOMPARE(f.shown("C5").fillColorIndex, ColorNone);
    }

    void visitFormatsCoversStoredAndUnstoredRows()
    {
        SheetFixture f;
        f.format("B:B", [](CellFormat& c) { c.font.bold = true; });
        f.format("B3", [](CellFormat& c) { c.font.italic = true; });
        std::vector<FormatId> seen;
        f.sheet.visitFormats(at("B:B"), [&](FormatId id) {
            seen.push_back(id);
            return true;
        });
        const auto italic = [&](FormatId id) { return f.book.formats[id].font.italic; };
        const auto bold = [&](FormatId id) { return f.book.formats[id].font.bold; };
        QVERIFY(std::any_of(seen.begin(), seen.end(), italic));
        QVERIFY(std::all_of(seen.begin(), seen.end(), bold));
        // Beyond the stored rows the column's format stands for them all.
        QCOMPARE(seen.back(), f.sheet.columns[1].format);
    }

    // Which typed texts a cell keeps as numbers: plain decimal numerals of
    // up to 15 significant digits, their trailing fraction zeros dropped.
    void generalNumbersArePlainDecimalNumerals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("price") << "46.99" << true << 46.99;
        QTest::newRow("price with a trailing zero") << "11.10" << true << 11.1;
        QTest::newRow("another") << "6.90" << true << 6.9;
        QTest::newRow("point zero") << "1.0" << true << 1.0;
        QTest::newRow("zero with zeros") << "0.00" << true << 0.0;
        QTest::newRow("whole") << "144455" << true << 144455.0;
        QTest::newRow("hundred thousand") << "100000" << true << 100000.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("fraction") << "0.5" << true << 0.5;
        QTest::newRow("negative") << "-4" << true << -4.0;
        QTest::newRow("negative fraction") << "-0.25" << true << -0.25;
        QTest::newRow("tiny") << "0.0000001" << true << 1e-7;
        QTest::newRow("fifteen digits") << "123456789012345" << true << 123456789012345.0;
        QTest::newRow("fifteen digits with a fraction") << "1234567890.12345" << true << 1234567890.12345;
        QTest::newRow("fifteen after zeros") << "0.000123456789012345" << true << 0.000123456789012345;
        QTest::newRow("zeros past fifteen digits") << "1.50000000000000000000" << true << 1.5;
        QTest::newRow("sixteen digits") << "1234567890123456" << false << 0.0;
        QTest::newRow("sixteen in a fraction") << "0.1234567890123456" << false << 0.0;
        QTest::newRow("long zero run") << "100000000000000000000" << false << 0.0;
        QTest::newRow("below the normal range") << "0." + QString(310, u'0') + "1" << false << 0.0;
        QTest::newRow("leading zeros") << "0012" << false << 0.0;
        QTest::newRow("agent") << "007" << false << 0.0;
        QTest::newRow("thousands") << "1,000" << false << 0.0;
        QTest::newRow("leading space") << " 12" << false << 0.0;
        QTest::newRow("trailing space") << "12 " << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("shown exponent") << "1E+20" << false << 0.0;
        QTest::newRow("plus") << "+5" << false << 0.0;
        QTest::newRow("bare fraction") << ".5" << false << 0.0;
        QTest::newRow("trailing point") << "5." << false << 0.0;
        QTest::newRow("negative zero") << "-0" << false << 0.0;
        QTest::newRow("negative zero with zeros") << "-0.00" << false << 0.0;
        QTest::newRow("formula") << "=1+2" << false << 0.0;
        QTest::newRow("formula of a number") << "=5" << false << 0.0;
        QTest::newRow("text") << "Widget" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("minus only") << "-" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("arabic digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
    }

    void generalNumbersArePlainDecimalNumerals()
    {
        QFETCH(QString, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        const std::optional<double> parsed = generalNumber(text);
        QCOMPARE(parsed.has_value(), number);
        if (number) // the very number, bit for bit
            QCOMPARE(std::bit_cast<quint64>(*parsed), std::bit_cast<quint64>(value));
    }

    void generalTextOfNumbers()
    {
        QCOMPARE(generalText(46.99), QStringLiteral("46.99"));
        QCOMPARE(generalText(11.1), QStringLiteral("11.1"));
        QCOMPARE(generalText(100000), QStringLiteral("100000"));
        QCOMPARE(generalText(1e-7), QStringLiteral("0.0000001"));
        QCOMPARE(generalText(-0.0), QStringLiteral("0"));
        QCOMPARE(generalText(1e20), QStringLiteral("1E+20"));
        QCOMPARE(generalText(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    }
};

QTEST_MAIN(ModelSheetTest)
#include "model_sheet_test.moc"
