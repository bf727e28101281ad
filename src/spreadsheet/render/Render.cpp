#include "spreadsheet/render/Render.h"

#include "automation/Error.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/render/CellFonts.h"
#include "spreadsheet/render/Geometry.h"
#include "spreadsheet/render/SheetPainter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace ss::render {

namespace {

constexpr double MinDpi = 24;
constexpr double MaxDpi = 1200;
constexpr double InchesPerMeter = 1 / 0.0254;

bool insideSheet(const Area& area)
{
    return area.top >= 0 && area.left >= 0 && area.top <= area.bottom && area.left <= area.right
        && area.bottom < MaxRows && area.right < MaxColumns;
}

double screenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

// A picture to measure on, carrying its DPI, so that point sizes come out
// right on it.
QImage probeAt(double dpi)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(int(std::lround(dpi * InchesPerMeter)));
    probe.setDotsPerMeterY(probe.dotsPerMeterX());
    return probe;
}

int digitWidthAt(const Workbook& book, const QImage& probe)
{
    return maxDigitWidth(screenFont(book.formats[DefaultFormat].font), probe);
}

// The format that marks a picture of this program's on the clipboard, which
// a later copy may replace before it draws its own.
constexpr char OwnPictureFormat[] = "application/x-quorvale-picture";

// What a picture of area is drawn on: the grid of its cells and the DPI.
struct Canvas {
    QImage probe;
    Grid grid;
};

// The cells of area that fit into the largest picture at that zoom.
Canvas canvasOf(const Workbook& book, const Sheet& sheet, const Area& area, double dpi, double zoom)
{
    if (!insideSheet(area))
        throw quorvale::AutomationError(QStringLiteral("The range to picture does not lie on the sheet"));
    if (!(dpi >= MinDpi && dpi <= MaxDpi))
        throw quorvale::AutomationError(QStringLiteral("A picture cannot be drawn at %1 DPI").arg(dpi));
    if (!(zoom * 100 >= MinZoom && zoom * 100 <= MaxZoom))
        throw quorvale::AutomationError(QStringLiteral("A picture cannot be drawn at a zoom of %1").arg(zoom));
    Canvas canvas{probeAt(dpi), {}};
    const QSize largest(int(MaxPictureWidth / zoom), int(MaxPictureHeight / zoom));
    canvas.grid = layoutGrid(sheet, area, digitWidthAt(book, canvas.probe), dpi, largest);
    return canvas;
}

// The grid drawn zoom times its size: the cells laid out as at 100 %, their
// edges zoom times as far apart, and every line and letter drawn at the
// larger size by a device of zoom times the DPI, not a picture enlarged.
QImage paint(const Workbook& book, const Sheet& sheet, const Canvas& canvas, double dpi, double zoom)
{
    Grid grid = canvas.grid;
    const auto scaled = [zoom](int& edge) { edge = int(std::lround(edge * zoom)); };
    std::for_each(grid.x.begin(), grid.x.end(), scaled);
    std::for_each(grid.y.begin(), grid.y.end(), scaled);
    QImage picture(grid.width(), grid.height(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const QImage zoomedProbe = probeAt(dpi * zoom);
    picture.setDotsPerMeterX(zoomedProbe.dotsPerMeterX());
    picture.setDotsPerMeterY(zoomedProbe.dotsPerMeterY());
    {
        QPainter painter(&picture);
        SheetPainter(book, sheet, grid, dpi * zoom, picture, painter).paint();
    }
    // The picture is of the screen's DPI, shown zoomed.
    picture.setDotsPerMeterX(canvas.probe.dotsPerMeterX());
    picture.setDotsPerMeterY(canvas.probe.dotsPerMeterY());
    return picture;
}

} // namespace

QImage renderArea(const Workbook& book, const Sheet& sheet, const Area& area, double dpi, double zoom)
{
    return paint(book, sheet, canvasOf(book, sheet, area, dpi, zoom), dpi, zoom);
}

void copyPicture(const Workbook& book, const Sheet& sheet, const Area& area, double zoom)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw quorvale::AutomationError(QStringLiteral("CopyPicture method of Range class failed: no clipboard"));
    const auto failed = [] {
        throw quorvale::AutomationError(
            QStringLiteral("CopyPicture method of Range class failed: the range is too large or has no visible cells"));
    };
    const double dpi = screenDpi();
    const Canvas canvas = canvasOf(book, sheet, area, dpi, zoom);
    if (canvas.grid.width() <= 0 || canvas.grid.height() <= 0)
        failed();
    // A picture of a sheet takes tens of megabytes: one that an earlier copy
    // left goes before the next is drawn, so that the two are never held at
    // once. Anything else on the clipboard stays until the new one replaces it.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (const QMimeData* held = clipboard->mimeData(); held && held->hasFormat(QLatin1String(OwnPictureFormat)))
        clipboard->clear();
    const QImage picture = paint(book, sheet, canvas, dpi, zoom);
    if (picture.isNull())
        failed();
    auto* data = new QMimeData;
    data->setImageData(picture);
    data->setData(QLatin1String(OwnPictureFormat), {});
    clipboard->setMimeData(data);
    const QMimeData* held = clipboard->mimeData();
    if (!held || !held->hasImage())
        throw quorvale::AutomationError(
            QStringLiteral("CopyPicture method of Range class failed: the clipboard did not take the picture"));
}

} // namespace ss::render

namespace ss::render {

namespace {

long columnsPixels(const Sheet& sheet, int from, int to, int digitWidth)
{
    long pixels = 0;
    for (int c = from; c < to; ++c)
        pixels += columnPixels(sheet.columnWidth(c), digitWidth);
    return pixels;
}

long rowsPixels(const Sheet& sheet, int from, int to, double dpi)
{
    long pixels = 0;
    for (int r = from; r < to; ++r)
        pixels += rowPixels(sheet.rowHeight(r), dpi);
    return pixels;
}

} // namespace

double sideInPoints(const Workbook& book, const Sheet& sheet, const Area& area, Side side)
{
    if (!insideSheet(area))
        throw quorvale::AutomationError(QStringLiteral("The range does not lie on the sheet"));
    const double dpi = screenDpi();
    const double points = 72.0 / dpi;
    switch (side) {
    case Side::Top: return double(rowsPixels(sheet, 0, area.top, dpi)) * points;
    case Side::Height: return double(rowsPixels(sheet, area.top, area.bottom + 1, dpi)) * points;
    case Side::Left:
    case Side::Width: break;
    }
    // Only columns are measured in the width of the digits, which takes a
    // font.
    const int digitWidth = digitWidthAt(book, probeAt(dpi));
    const long pixels = side == Side::Left ? columnsPixels(sheet, 0, area.left, digitWidth)
                                           : columnsPixels(sheet, area.left, area.right + 1, digitWidth);
    return double(pixels) * points;
}

} // namespace ss::render
