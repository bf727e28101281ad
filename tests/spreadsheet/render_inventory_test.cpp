// The picture of the inventory sheet: its size, fills, borders and texts.

#include "support/RenderFixture.h"
#include "spreadsheet/render/Render.h"

#include <QtTest>

using namespace renderfixture;

namespace {

QImage pictureOf(const ss::Workbook& book, int items)
{
    return ss::render::renderArea(book, *book.sheets.front(), tableArea(items), 96);
}

QImage pictureOf(int items) { return pictureOf(inventoryBook(manyItems(items)), items); }

// The same picture without the value of one cell.
QImage pictureWithout(int items, int row, int col)
{
    ss::Workbook book = inventoryBook(manyItems(items));
    book.sheets.front()->cellAt(row, col).value = {};
    return pictureOf(book, items);
}

QColor at(const QImage& picture, int x, int y) { return picture.pixelColor(x, y); }

} // namespace

class RenderInventoryTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!hasLiberationSans())
            QSKIP("Liberation Sans is not installed: column widths and texts differ");
    }

    void itemCounts_data()
    {
        QTest::addColumn<int>("items");
        for (int n : {0, 1, 2, 20})
            QTest::addRow("%d items", n) << n;
    }

    void itemCounts()
    {
        QFETCH(int, items);
        const QImage picture = pictureOf(items);

        QCOMPARE(picture.width(), 1127);
        QCOMPARE(picture.height(), 58 + 60 + 20 * items);

        // The band, away from its texts.
        QCOMPARE(at(picture, columnLeft(5) + 40, 5), paletteColor(11));
        QCOMPARE(at(picture, columnLeft(8) + 50, TitleRowPixels + 3), paletteColor(11));
        // Item rows: the first unshaded, every second shaded.
        for (int i = 1; i <= items; ++i)
            QCOMPARE(at(picture, columnLeft(2) + 200, itemRowTop(i) + 10), paletteColor(i % 2 == 0 ? 13 : 2));

        // The caption row's medium outline, two pixels on its top and bottom.
        const int captionTop = TitleRowPixels - 1;
        const int captionBottom = TitleRowPixels + CaptionRowPixels - 1;
        for (int y : {captionTop, captionTop + 1, captionBottom, captionBottom + 1})
            if (y < picture.height())
                QCOMPARE(at(picture, columnLeft(1) + 120, y), paletteColor(12));
        QCOMPARE(at(picture, columnLeft(1) + 120, captionTop + 2), paletteColor(11));
        QCOMPARE(at(picture, columnLeft(1) + 120, captionTop - 1), paletteColor(11));
        // A thin inside vertical: the grid line of column A, one pixel.
        QCOMPARE(at(picture, columnLeft(1) - 1, TitleRowPixels + 5), paletteColor(14));
        QCOMPARE(at(picture, columnLeft(1), TitleRowPixels + 5), paletteColor(11));
        QCOMPARE(at(picture, columnLeft(1) - 2, TitleRowPixels + 5), paletteColor(11));
        if (items == 0)
            return;
        const int y = itemRowTop(items) + 10;
        const QColor fill = paletteColor(items % 2 == 0 ? 13 : 2);
        QCOMPARE(at(picture, columnLeft(3) - 1, y), paletteColor(14));
        QCOMPARE(at(picture, columnLeft(3), y), fill);
        QCOMPARE(at(picture, columnLeft(3) - 2, y), fill);
        // The item block's medium outline: left, right, bottom.
        for (int x : {0, 1, 1125, 1126})
            QCOMPARE(at(picture, x, y), paletteColor(14));
        for (int dy : {1, 2})
            QCOMPARE(at(picture, 500, picture.height() - dy), paletteColor(14));
        QCOMPARE(at(picture, 500, picture.height() - 3), fill);
        // The caption row's own left edge keeps its colour above the block's.
        QCOMPARE(at(picture, 0, TitleRowPixels + 30), paletteColor(12));
    }

    void titleStartsInA1AndRunsOnIntoEmptyB1()
    {
        const QRect title = difference(pictureOf(2), pictureWithout(2, 0, 0));
        QVERIFY(!title.isEmpty());
        QVERIFY2(title.left() >= 2 && title.left() <= 4, qPrintable(QString::number(title.left())));
        // "Inventory List" at 14 points bold is wider than A1: it goes on
        // into the empty B1, as far as it needs and no further.
        QVERIFY(title.right() >= columnLeft(1) + 10);
        QVERIFY(title.right() < columnLeft(1) + 60);
        QVERIFY(title.top() > 10 && title.bottom() < TitleRowPixels - 10);
        QCOMPARE(inkPixels(pictureOf(2), QRect(columnLeft(2), 0, tableWidth() - columnLeft(2), TitleRowPixels)), 0);
    }

    void wrappedCaptionStaysInsideItsCell()
    {
        // "Quantity in Stock" is wider than column E: it wraps.
        const QRect caption = difference(pictureOf(1), pictureWithout(1, 1, 4));
        const QRect cell = cellPixels(1, 4);
        QVERIFY(!caption.isEmpty());
        QVERIFY(caption.left() >= cell.left() + 2 && caption.right() <= cell.right() - 3);
        QVERIFY(caption.top() > cell.top() && caption.bottom() < cell.bottom());
        QVERIFY2(caption.height() > 20, "two lines");
        // Centred across.
        QVERIFY(qAbs((caption.left() - cell.left()) - (cell.right() - caption.right())) <= 4);
    }

    void numbersStandRightAndTextsLeft()
    {
        const QRect price = difference(pictureOf(1), pictureWithout(1, 2, 3)); // 46.99
        const QRect priceCell = cellPixels(2, 3);
        QVERIFY(!price.isEmpty());
        QVERIFY2(price.right() >= priceCell.right() - 5 && price.right() <= priceCell.right() - 3,
                 qPrintable(QString::number(priceCell.right() - price.right())));
        QVERIFY(price.left() > priceCell.left() + 30);

        const QRect name = difference(pictureOf(1), pictureWithout(1, 2, 1)); // Hammer
        const QRect nameCell = cellPixels(2, 1);
        QVERIFY(!name.isEmpty());
        QVERIFY(name.left() >= nameCell.left() + 2 && name.left() <= nameCell.left() + 4);
        QVERIFY(name.right() < nameCell.left() + 100);
        // Centred down in the row.
        QVERIFY(qAbs((name.top() - nameCell.top()) - (nameCell.bottom() - name.bottom())) <= 3);
    }

    void textsAreBlack()
    {
        const QImage picture = pictureOf(1);
        const int dark = countPixels(picture, cellPixels(2, 1), [](QRgb p) { return qGray(p) < 40; });
        QVERIFY(dark > 20);
    }
};

QTEST_MAIN(RenderInventoryTest)
#include "render_inventory_test.moc"
