#pragma once

// Builds the inventory sheet straight on the spreadsheet model, as the
// layout procedures leave it, and looks at pictures of it.

#include "shell/Options.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Sheet.h"

#include <QColor>
#include <QFontDatabase>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace renderfixture {

using Item = std::array<QString, 9>;

inline constexpr std::array<double, 9> ColumnWidths{13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15};
// The pixels of those columns at 96 DPI.
inline constexpr std::array<int, 9> ColumnPixels{100, 249, 250, 80, 79, 79, 80, 100, 110};
inline constexpr int TitleRowPixels = 58;   // 43.5 pt
inline constexpr int CaptionRowPixels = 60; // 45 pt
inline constexpr int ItemRowPixels = 20;    // 15 pt

inline const std::array<QString, 9>& captions()
{
    static const std::array<QString, 9> texts{
        QStringLiteral("Inventory ID"),   QStringLiteral("Name"),          QStringLiteral("Description"),
        QStringLiteral("Unit Price"),     QStringLiteral("Quantity in Stock"), QStringLiteral("Reorder Level"),
        QStringLiteral("Reorder Time in Days"), QStringLiteral("Quantity in Reorder"), QStringLiteral("Discontinued?")};
    return texts;
}

inline std::vector<Item> sampleItems()
{
    return {
        {"144455", "Hammer", "Building tool", "46.99", "14", "2", "6", "10", "Yes"},
        {"185532", "Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"},
        {"185577", "Screws", "fastening parts", "10.99", "898", "500", "1", "1000", "No"},
    };
}

// count items made from the sample items with IDs of their own.
inline std::vector<Item> manyItems(int count)
{
    const std::vector<Item> samples = sampleItems();
    std::vector<Item> items;
    for (int i = 0; i < count; ++i) {
        Item item = samples[std::size_t(i) % samples.size()];
        item[0] = QString::number(100001 + i);
        items.push_back(item);
    }
    return items;
}

// The left edge of column col (0 for A) and of the row of item i (from 1),
// in pixels at 96 DPI.
inline int columnLeft(int col)
{
    int x = 0;
    for (int c = 0; c < col; ++c)
        x += ColumnPixels[std::size_t(c)];
    return x;
}
inline int itemRowTop(int i) { return TitleRowPixels + CaptionRowPixels + (i - 1) * ItemRowPixels; }
inline int tableWidth() { return columnLeft(9); }
inline int tableHeight(int items) { return itemRowTop(items + 1); }
inline QRect cellPixels(int row, int col)
{
    const int top = row == 0 ? 0 : row == 1 ? TitleRowPixels : itemRowTop(row - 1);
    const int height = row == 0 ? TitleRowPixels : row == 1 ? CaptionRowPixels : ItemRowPixels;
    return QRect(columnLeft(col), top, ColumnPixels[std::size_t(col)], height);
}

inline QColor paletteColor(int index)
{
    const std::int32_t word = Options::defaultWorkbookPalette()[std::size_t(index)];
    return QColor(word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF);
}

// What Range(text).Borders(edge) sets, cell by cell.
struct Edges {
    bool left = false, top = false, bottom = false, right = false, insideVertical = false;
};

inline void setBorders(ss::Sheet& sheet, ss::FormatTable& formats, const QString& range, Edges edges,
                       const ss::BorderLine& line)
{
    const ss::Area area = ss::parseAddress(range);
    for (int r = area.top; r <= area.bottom; ++r)
        for (int c = area.left; c <= area.right; ++c)
            sheet.applyFormat(ss::Area::cell(r, c), [&](ss::CellFormat& f) {
                if ((edges.left && c == area.left) || (edges.insideVertical && c > area.left))
                    f.borders[ss::EdgeLeft] = line;
                if ((edges.right && c == area.right) || (edges.insideVertical && c < area.right))
                    f.borders[ss::EdgeRight] = line;
                if (edges.top && r == area.top)
                    f.borders[ss::EdgeTop] = line;
                if (edges.bottom && r == area.bottom)
                    f.borders[ss::EdgeBottom] = line;
            }, formats);
}

inline void format(ss::Workbook& book, const QString& range, const std::function<void(ss::CellFormat&)>& change)
{
    book.sheets.front()->applyFormat(ss::parseAddress(range), change, book.formats);
}

// A text assigned through FormulaR1C1: a number by the workbook's own rule.
inline ss::CellValue cellValue(const QString& text)
{
    if (const std::optional<double> number = ss::generalNumber(text))
        return *number;
    return text;
}

inline QString rowText(int row) { return QString::number(row + 1); }

// The one-sheet inventory workbook with the given items.
inline ss::Workbook inventoryBook(const std::vector<Item>& items)
{
    ss::Workbook book;
    ss::Sheet& sheet = book.addSheet(QStringLiteral("Inventory List"));
    for (int i = 1; i <= 56; ++i)
        book.colors[std::size_t(i - 1)] = Options::defaultWorkbookPalette()[std::size_t(i)];

    sheet.applyFormat(ss::Area::wholeSheet(), [](ss::CellFormat& f) {
        f.font.name = QStringLiteral("Arial");
        f.font.size = 10;
        f.vertical = ss::VAlign::Center;
        f.wrap = true;
        f.fillColorIndex = 2;
    }, book.formats);
    for (int c = 0; c < 9; ++c)
        sheet.columns[std::size_t(c)].width = ColumnWidths[std::size_t(c)];
    sheet.rowAt(0).height = 43.5;
    sheet.rowAt(1).height = 45;

    const int n = int(items.size());
    for (int i = 1; i <= n; ++i) {
        const int row = i + 1;
        sheet.rowAt(row).height = 15;
        if (i % 2 == 0)
            format(book, rowText(row) + ":" + rowText(row), [](ss::CellFormat& f) { f.fillColorIndex = 13; });
        for (int c = 0; c < 9; ++c) {
            sheet.applyFormat(ss::Area::cell(row, c), [](ss::CellFormat& f) { f.wrap = false; }, book.formats);
            const QString& text = items[std::size_t(i - 1)][std::size_t(c)];
            if (!text.isEmpty())
                sheet.cellAt(row, c).value = cellValue(text);
        }
    }
    format(book, QStringLiteral("$A1:$I2"), [](ss::CellFormat& f) { f.fillColorIndex = 11; });

    const QString last = rowText(n + 1);
    const ss::BorderLine thin{ss::LineStyle::Continuous, ss::LineWeight::Thin, 14};
    const ss::BorderLine captionOutline{ss::LineStyle::Continuous, ss::LineWeight::Medium, 12};
    const ss::BorderLine blockOutline{ss::LineStyle::Continuous, ss::LineWeight::Medium, 14};
    setBorders(sheet, book.formats, "$A2:$I" + last, {true, true, true, true, true}, thin);
    setBorders(sheet, book.formats, QStringLiteral("$A2:$I2"), {true, true, true, true, false}, captionOutline);
    setBorders(sheet, book.formats, "$A3:$I" + last, {true, false, true, true, false}, blockOutline);

    sheet.cellAt(0, 0).value = QStringLiteral("Inventory List");
    format(book, QStringLiteral("$A1:$A1"), [](ss::CellFormat& f) {
        f.wrap = false;
        f.font = ss::Font{QStringLiteral("Arial"), 14, true, false, ss::ColorAutomatic};
    });
    for (int c = 0; c < 9; ++c) {
        sheet.cellAt(1, c).value = captions()[std::size_t(c)];
        sheet.applyFormat(ss::Area::cell(1, c), [](ss::CellFormat& f) {
            f.font = ss::Font{QStringLiteral("Tahoma"), 10, true, false, ss::ColorAutomatic};
            f.horizontal = ss::HAlign::Center;
            f.wrap = true;
        }, book.formats);
    }
    return book;
}

// The table's cells, A1 to I(n + 2).
inline ss::Area tableArea(int items) { return ss::Area{0, 0, items + 1, 8}; }

// Text pixels: dark enough that no fill or line of the sheet is mistaken
// for one.
inline bool isInk(QRgb pixel) { return qGray(pixel) < 100; }

// The pixels of rect (clipped to the picture) that test holds for.
inline int countPixels(const QImage& picture, const QRect& rect, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    const QRect inside = rect.intersected(picture.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += test(picture.pixel(x, y)) ? 1 : 0;
    return count;
}
inline int inkPixels(const QImage& picture, const QRect& rect) { return countPixels(picture, rect, isInk); }

// The bounding box of the pixels in which two pictures of the same size
// differ; empty when they are equal, all of both when their sizes differ.
inline QRect difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.rect() | b.rect();
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

inline bool hasLiberationSans() { return QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")); }

} // namespace renderfixture
