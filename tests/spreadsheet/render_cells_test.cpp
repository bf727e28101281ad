// Pictures of single cells: geometry, General numbers, texts running on,
// grid lines, borders, merged ranges, and CopyPicture's clipboard step.

#include "support/RenderFixture.h"
#include "automation/Error.h"
#include "spreadsheet/render/GeneralNumber.h"
#include "spreadsheet/render/Geometry.h"
#include "spreadsheet/render/Render.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

using namespace renderfixture;
using ss::render::renderArea;

Q_DECLARE_METATYPE(ss::CellValue)

namespace {

const QColor Gridline(212, 212, 212);

// A blank workbook; columns of the standard width (64 pixels), rows of the
// standard height (17 pixels).
struct Book {
    ss::Workbook book;
    ss::Sheet& sheet = book.addSheet(QStringLiteral("Sheet1"));

    void set(int row, int col, ss::CellValue value) { sheet.cellAt(row, col).value = std::move(value); }
    void format(const QString& range, const std::function<void(ss::CellFormat&)>& change)
    {
        sheet.applyFormat(ss::parseAddress(range), change, book.formats);
    }
    QImage picture(const QString& range = QStringLiteral("A1:C2"), double dpi = 96) const
    {
        return renderArea(book, sheet, ss::parseAddress(range), dpi);
    }
};

ss::BorderLine line(ss::LineWeight weight, int color, ss::LineStyle style = ss::LineStyle::Continuous)
{
    return {style, weight, color};
}

int gridlinePixels(const QImage& picture, const QRect& rect)
{
    return countPixels(picture, rect, [](QRgb p) { return QColor(p) == Gridline; });
}

} // namespace

class RenderCellsTest : public QObject {
    Q_OBJECT

private slots:
    void columnAndRowPixels()
    {
        using ss::render::columnPixels;
        const std::array<std::pair<double, int>, 9> widths{
            {{13.57, 100}, {34.86, 249}, {35, 250}, {10.71, 80}, {10.57, 79}, {15, 110}, {8.43, 64}, {0.5, 6}, {0, 0}}};
        for (const auto& [width, pixels] : widths)
            QCOMPARE(columnPixels(width, 7), pixels);
        QCOMPARE(columnPixels(1e300, 7), 255 * 7 + 5);
        QCOMPARE(ss::render::rowPixels(15, 96), 20);
        QCOMPARE(ss::render::rowPixels(43.5, 96), 58);
        QCOMPARE(ss::render::rowPixels(12.75, 96), 17);
        QCOMPARE(ss::render::rowPixels(15, 144), 30);
        QCOMPARE(ss::render::rowPixels(-1, 96), 0);
    }

    void standardFontGivesSevenPixelDigits()
    {
        if (!hasLiberationSans())
            QSKIP("Liberation Sans is not installed");
        QImage device(1, 1, QImage::Format_RGB32);
        QFont arial(QStringLiteral("Liberation Sans"));
        arial.setPointSizeF(10);
        QCOMPARE(ss::render::maxDigitWidth(arial, device), 7);
        QCOMPARE(Book().picture().size(), QSize(3 * 64, 2 * 17));
    }

    void largePicturesShowTheTopRowsThatFit()
    {
        if (!hasLiberationSans())
            QSKIP("Liberation Sans is not installed");
        Book b;
        b.sheet.rowAt(2).height = 0; // hidden rows take no pixels
        const QImage column = b.picture(QStringLiteral("A:A"));
        QCOMPARE(column.size(), QSize(64, (ss::render::MaxPictureHeight / 17 + 1) * 17 - 17));
        QVERIFY(column.height() <= ss::render::MaxPictureHeight);
        const QImage row = b.picture(QStringLiteral("1:1"));
        QCOMPARE(row.size(), QSize(ss::render::MaxPictureWidth, 17)); // 64 columns of 64 pixels
    }

    void generalNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("chars");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimals") << 46.99 << 11 << "46.99";
        QTest::newRow("integer") << 1500.0 << 11 << "1500";
        QTest::newRow("negative") << -1234.5 << 11 << "-1234.5";
        QTest::newRow("binary noise") << 0.1 + 0.2 << 11 << "0.3";
        QTest::newRow("third") << 1.0 / 3 << 11 << "0.333333333";
        QTest::newRow("eleven digits") << 12345678901.0 << 11 << "12345678901";
        QTest::newRow("too many digits") << 123456789012.0 << 11 << "1.23457E+11";
        QTest::newRow("tiny") << 0.00001 << 11 << "1E-05";
        QTest::newRow("huge") << 1e100 << 11 << "1E+100";
        QTest::newRow("negative zero") << -0.0 << 11 << "0";
        QTest::newRow("rounded to fit") << 3.14159 << 4 << "3.14";
        QTest::newRow("scientific to fit") << 123456.0 << 5 << "1E+05";
        QTest::newRow("cannot fit") << 123456.0 << 4 << "";
        QTest::newRow("not a number") << qQNaN() << 11 << "#NUM!";
    }

    void generalNumbers()
    {
        QFETCH(double, value);
        QFETCH(int, chars);
        QFETCH(QString, text);
        QCOMPARE(ss::render::generalNumberText(value, chars), text);
        QCOMPARE(ss::render::generalNumberText(12.5, 11, QLatin1Char(',')), QStringLiteral("12,5"));
    }

    void numbersTooWideShowHashes()
    {
        if (!hasLiberationSans())
            QSKIP("Liberation Sans is not installed");
        Book number;
        Book hashes;
        number.sheet.columns[0].width = 3; // 26 pixels: room for two "#"
        hashes.sheet.columns[0].width = 3;
        number.set(0, 0, 123456789.0);
        hashes.set(0, 0, QStringLiteral("##"));
        hashes.format(QStringLiteral("A1"), [](ss::CellFormat& f) { f.horizontal = ss::HAlign::Right; });
        QCOMPARE(number.picture(QStringLiteral("A1")), hashes.picture(QStringLiteral("A1")));
        // A number that fits with fewer digits shows them, inside its cell.
        number.set(0, 0, 3.14159);
        number.sheet.columns[0].width = 4;
        QVERIFY(inkPixels(number.picture(QStringLiteral("A1:B1")), QRect(0, 0, 33, 16)) > 10);
        QCOMPARE(inkPixels(number.picture(QStringLiteral("A1:B1")), QRect(33, 0, 64, 17)), 0);
    }

    void unwrappedTextsRunOnIntoEmptyNeighbours()
    {
        Book b;
        b.set(0, 0, QStringLiteral("A long text that needs two columns"));
        const QImage runOn = b.picture();
        QVERIFY(inkPixels(runOn, QRect(64, 0, 64, 16)) > 20);
        // The grid line it crosses is gone; the next one stays.
        QCOMPARE(gridlinePixels(runOn, QRect(63, 1, 1, 15)), 0);
        QCOMPARE(gridlinePixels(runOn, QRect(191, 1, 1, 15)), 15);

        b.set(0, 1, QStringLiteral("x"));
        const QImage stopped = b.picture();
        Book onlyX;
        onlyX.set(0, 1, QStringLiteral("x"));
        QVERIFY(difference(stopped, onlyX.picture()).right() < 63);
        QVERIFY(gridlinePixels(stopped, QRect(63, 1, 1, 15)) > 10);

        // Right-aligned text runs on to the left.
        Book right;
        right.set(0, 2, QStringLiteral("A long text that needs two columns"));
        right.format(QStringLiteral("C1"), [](ss::CellFormat& f) { f.horizontal = ss::HAlign::Right; });
        const QRect text = difference(right.picture(), Book().picture());
        QVERIFY(text.left() < 128 && text.left() > 0);
        QVERIFY(text.right() <= 188);
    }

    void wrappedTextsAndNumbersStayInTheirCell()
    {
        Book b;
        b.sheet.rowAt(0).height = 60;
        b.set(0, 0, QStringLiteral("A long text that wraps onto lines"));
        b.format(QStringLiteral("A1"), [](ss::CellFormat& f) { f.wrap = true; });
        Book empty;
        empty.sheet.rowAt(0).height = 60;
        const QRect wrapped = difference(b.picture(), empty.picture());
        QVERIFY(!wrapped.isEmpty() && wrapped.right() < 62);
        QVERIFY(wrapped.height() > 30);

        Book n;
        n.set(0, 0, 123456789.0);
        const QRect number = difference(n.picture(), Book().picture());
        QVERIFY(!number.isEmpty() && number.right() < 62);
    }

    void verticalAlignment_data()
    {
        QTest::addColumn<ss::CellValue>("value");
        QTest::newRow("text") << ss::CellValue(QStringLiteral("Text"));
        QTest::newRow("number") << ss::CellValue(42.0);
    }

    void verticalAlignment()
    {
        QFETCH(ss::CellValue, value);
        QList<int> tops;
        for (ss::VAlign align : {ss::VAlign::Top, ss::VAlign::Center, ss::VAlign::Bottom}) {
            Book b;
            b.sheet.rowAt(0).height = 60; // 80 pixels
            b.set(0, 0, value);
            b.format(QStringLiteral("A1"), [&](ss::CellFormat& f) { f.vertical = align; });
            Book empty;
            empty.sheet.rowAt(0).height = 60;
            tops << difference(b.picture(), empty.picture()).top();
        }
        QVERIFY(tops[0] < 6);
        QVERIFY(qAbs(tops[1] - 36) <= 4);
        QVERIFY(tops[2] > 62);
    }

    void gridlinesOnlyWhereNothingIsFilled()
    {
        Book b;
        b.format(QStringLiteral("B1"), [](ss::CellFormat& f) { f.fillColorIndex = 3; });
        const QImage picture = b.picture();
        QCOMPARE(picture.pixelColor(63, 20), Gridline);  // between A2 and B2
        QCOMPARE(picture.pixelColor(30, 16), Gridline);  // under A1
        QCOMPARE(picture.pixelColor(63, 8), QColor(Qt::red)); // beside B1
        QCOMPARE(picture.pixelColor(127, 8), QColor(Qt::red));
        QCOMPARE(picture.pixelColor(100, 16), QColor(Qt::red));
        QCOMPARE(picture.pixelColor(100, 8), QColor(Qt::red));
    }

    void sharedEdgesShowTheHeavierLine()
    {
        for (bool mediumRight : {false, true}) {
            Book b;
            b.format(QStringLiteral("A1"), [&](ss::CellFormat& f) {
                f.borders[ss::EdgeRight] = line(mediumRight ? ss::LineWeight::Medium : ss::LineWeight::Thin, 3);
            });
            b.format(QStringLiteral("B1"), [&](ss::CellFormat& f) {
                f.borders[ss::EdgeLeft] = line(mediumRight ? ss::LineWeight::Thin : ss::LineWeight::Medium, 5);
            });
            const QImage picture = b.picture();
            const QColor winner = mediumRight ? Qt::red : Qt::blue;
            QCOMPARE(picture.pixelColor(63, 8), winner);
            QCOMPARE(picture.pixelColor(64, 8), winner);
            QCOMPARE(picture.pixelColor(65, 8), QColor(Qt::white));
        }
    }

    void lineStyles()
    {
        Book b;
        b.format(QStringLiteral("A1"), [](ss::CellFormat& f) {
            f.borders[ss::EdgeBottom] = line(ss::LineWeight::Thick, 5, ss::LineStyle::Double);
            f.borders[ss::EdgeRight] = line(ss::LineWeight::Thin, 5, ss::LineStyle::Dash);
        });
        const QImage picture = b.picture();
        // Three pixels across the grid line, the middle one left out.
        QCOMPARE(picture.pixelColor(30, 15), QColor(Qt::blue));
        QCOMPARE(picture.pixelColor(30, 16), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(30, 17), QColor(Qt::blue));
        QCOMPARE(picture.pixelColor(30, 18), QColor(Qt::white));
        const int dashed = countPixels(picture, QRect(63, 0, 1, 16), [](QRgb p) { return QColor(p) == Qt::blue; });
        QVERIFY(dashed >= 10 && dashed <= 13);
    }

    void mergedRangesPaintAsOneCell()
    {
        const auto merged = [](const ss::CellValue& value) {
            Book b;
            b.set(0, 0, value);
            b.format(QStringLiteral("A1:C1"), [](ss::CellFormat& f) {
                f.fillColorIndex = 6;
                f.horizontal = ss::HAlign::Center;
            });
            b.sheet.merges.push_back(ss::parseAddress(QStringLiteral("A1:C1")));
            return b.picture();
        };
        const QImage picture = merged(QStringLiteral("Merged"));
        QCOMPARE(picture.pixelColor(63, 2), QColor(Qt::yellow));
        QCOMPARE(picture.pixelColor(127, 2), QColor(Qt::yellow));
        const QRect text = difference(picture, merged({}));
        QVERIFY(qAbs((text.left() + text.right()) / 2 - 96) <= 3);
    }

    void textColoursComeFromThePalette()
    {
        Book b;
        b.book.colors[9] = 0xFF0000; // slot 10: blue
        b.set(0, 0, QStringLiteral("Blue"));
        b.format(QStringLiteral("A1"), [](ss::CellFormat& f) { f.font.colorIndex = 10; });
        const int blue = countPixels(b.picture(), QRect(0, 0, 64, 17), [](QRgb p) {
            return qBlue(p) > 150 && qRed(p) < 100 && qGreen(p) < 100;
        });
        QVERIFY(blue > 10);
    }

    void higherDpiScalesRowsAndText()
    {
        Book b;
        b.set(0, 0, QStringLiteral("Text"));
        const QImage large = b.picture(QStringLiteral("A1"), 192);
        QCOMPARE(large.height(), 34);
        QVERIFY(large.width() > 110);
        QCOMPARE(qRound(large.dotsPerMeterX() * 0.0254), 192);
        QVERIFY(inkPixels(large, large.rect()) > 3 * inkPixels(b.picture(QStringLiteral("A1")), QRect(0, 0, 64, 17)));
    }

    void badRequestsFail()
    {
        Book b;
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError, renderArea(b.book, b.sheet, ss::Area{2, 0, 1, 0}, 96));
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError,
                                 renderArea(b.book, b.sheet, ss::Area{0, 0, ss::MaxRows, 0}, 96));
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError, b.picture(QStringLiteral("A1"), 0));
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError, b.picture(QStringLiteral("A1"), qQNaN()));
    }

    void copyPicturePutsThePictureOnTheClipboard()
    {
        const ss::Workbook book = inventoryBook(sampleItems());
        const ss::Sheet& sheet = *book.sheets.front();
        QGuiApplication::clipboard()->clear();
        ss::render::copyPicture(book, sheet, tableArea(3));
        const QImage held = QGuiApplication::clipboard()->image();
        QCOMPARE(held.convertToFormat(QImage::Format_RGB32), renderArea(book, sheet, tableArea(3), 96));

        // A picture without pixels fails and leaves the clipboard alone.
        Book hidden;
        hidden.sheet.columns[0].width = 0;
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError,
                                 ss::render::copyPicture(hidden.book, hidden.sheet, ss::Area::cell(0, 0)));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), held.size());
        // The user's own content stays there too, whatever fails.
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own"));
        QVERIFY_THROWS_EXCEPTION(quorvale::AutomationError,
                                 ss::render::copyPicture(hidden.book, hidden.sheet, ss::Area::cell(0, 0)));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own"));
    }
};

QTEST_MAIN(RenderCellsTest)
#include "render_cells_test.moc"
