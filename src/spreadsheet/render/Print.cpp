#include "spreadsheet/render/Print.h"

#include "automation/Error.h"
#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/render/CellFonts.h"
#include "spreadsheet/render/Geometry.h"
#include "spreadsheet/render/SheetPainter.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace ss::render {

namespace {

// The sheet's pixels are those of a screen at 96 DPI; a page is measured in
// points.
constexpr double SheetDpi = 96;
constexpr double PointsPerPixel = PointsPerInch / SheetDpi;
// The smallest scale a spreadsheet program prints at.
constexpr int LeastPercent = 10;

QPageSize paperOf(int code)
{
    switch (code) {
    case excel::xlPaperLetter: return QPageSize(QPageSize::Letter);
    case 5: return QPageSize(QPageSize::Legal);
    case 8: return QPageSize(QPageSize::A3);
    case 11: return QPageSize(QPageSize::A5);
    case 13: return QPageSize(QPageSize::B5);
    default: return QPageSize(QPageSize::A4);
    }
}

QImage measureDevice()
{
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(int(std::lround(SheetDpi / 0.0254)));
    probe.setDotsPerMeterY(probe.dotsPerMeterX());
    return probe;
}

// The grid of every cell of area, however large.
Grid wholeGrid(const Workbook& book, const Sheet& sheet, const Area& area, const QImage& probe)
{
    const int digitWidth = maxDigitWidth(screenFont(book.formats[DefaultFormat].font), probe);
    return layoutGrid(sheet, area, digitWidth, SheetDpi, QSize(INT_MAX, INT_MAX));
}

// Where the pages break along one direction: the first line (row or
// column, counted in the grid) of each page, given the lines' edges in
// pixels and the room of a page in pixels at 100 %.
std::vector<int> breaks(const std::vector<int>& edges, double room)
{
    std::vector<int> firsts{0};
    const int lines = int(edges.size()) - 1;
    for (int line = 0; line < lines; ++line)
        if (line > firsts.back() && edges[std::size_t(line + 1)] - edges[std::size_t(firsts.back())] > room)
            firsts.push_back(line);
    return firsts;
}

PrintPreview& preview()
{
    static PrintPreview hook;
    return hook;
}

} // namespace

PrintLayout layOutPages(const Workbook& book, const Sheet& sheet)
{
    const PageSetup& setup = sheet.pageSetup;
    std::optional<Area> area = sheet.usedArea();
    if (!setup.printArea.isEmpty())
        area = parseAddress(setup.printArea);
    if (!area)
        throw quorvale::AutomationError(QStringLiteral("The sheet has nothing to print"));
    PrintLayout layout;
    layout.page = QPageLayout(paperOf(setup.paperSize),
                              setup.orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                              QMarginsF(setup.leftMargin, setup.topMargin, setup.rightMargin, setup.bottomMargin),
                              QPageLayout::Point);
    const QRectF room = layout.page.paintRect(QPageLayout::Point);
    if (room.width() <= 0 || room.height() <= 0)
        throw quorvale::AutomationError(QStringLiteral("The margins leave no room on the page"));
    const Grid grid = wholeGrid(book, sheet, *area, measureDevice());
    const double width = grid.width() * PointsPerPixel;
    const double height = grid.height() * PointsPerPixel;
    if (setup.zoom) {
        layout.percent = *setup.zoom;
    } else {
        double fit = 1.0;
        if (setup.fitToPagesWide > 0 && width > 0)
            fit = std::min(fit, room.width() * setup.fitToPagesWide / width);
        if (setup.fitToPagesTall > 0 && height > 0)
            fit = std::min(fit, room.height() * setup.fitToPagesTall / height);
        layout.percent = std::max(LeastPercent, int(std::floor(fit * 100 + 1e-9)));
    }
    const double scale = layout.percent / 100.0;
    const std::vector<int> rowFirsts = breaks(grid.y, room.height() / PointsPerPixel / scale);
    const std::vector<int> columnFirsts = breaks(grid.x, room.width() / PointsPerPixel / scale);
    for (std::size_t c = 0; c < columnFirsts.size(); ++c) {
        const int lastColumn = c + 1 < columnFirsts.size() ? columnFirsts[c + 1] - 1 : grid.columns() - 1;
        for (std::size_t r = 0; r < rowFirsts.size(); ++r) {
            const int lastRow = r + 1 < rowFirsts.size() ? rowFirsts[r + 1] - 1 : grid.rows() - 1;
            layout.pages.push_back(Area{area->top + rowFirsts[r], area->left + columnFirsts[c], area->top + lastRow,
                                        area->left + lastColumn});
        }
    }
    return layout;
}

void paintPages(const Workbook& book, const Sheet& sheet, const PrintLayout& layout, QPagedPaintDevice& device,
                int first, int last)
{
    const QImage probe = measureDevice();
    QPainter painter(&device);
    if (!painter.isActive())
        throw quorvale::AutomationError(QStringLiteral("The pages cannot be printed: the printer did not start"));
    // The device's units are its own; the sheet's pixels are at 96 DPI.
    const double toDevice = device.logicalDpiX() / SheetDpi * layout.percent / 100.0;
    first = std::max(first, 1);
    last = std::min(last, int(layout.pages.size()));
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage())
            throw quorvale::AutomationError(QStringLiteral("The pages cannot be printed: no new page"));
        const Area& cells = layout.pages[std::size_t(page - 1)];
        const Grid grid = wholeGrid(book, sheet, cells, probe);
        painter.save();
        painter.scale(toDevice, toDevice);
        SheetPainter(book, sheet, grid, SheetDpi, probe, painter, SheetPainter::Gridlines::Hidden).paint();
        painter.restore();
    }
}

QByteArray pdfOf(const Workbook& book, const Sheet& sheet)
{
    const PrintLayout layout = layOutPages(book, sheet);
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(int(SheetDpi));
        writer.setPageLayout(layout.page);
        writer.setCreator(QStringLiteral("Quorvale"));
        paintPages(book, sheet, layout, writer, 1, int(layout.pages.size()));
    }
    return pdf;
}

void setPrintPreview(PrintPreview hook) { preview() = std::move(hook); }

void printWithPreview(const Workbook& book, const Sheet& sheet)
{
    const PrintLayout layout = layOutPages(book, sheet);
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setResolution(int(SheetDpi));
    printer.setPageLayout(layout.page);
    printer.setFromTo(1, int(layout.pages.size()));
    printer.setDocName(QStringLiteral("Quorvale"));
    const auto paint = [&](QPrinter* target) {
        // The letters are measured at 96 DPI; the printer's pages are laid
        // out in its units, which a printer chosen in the dialog may have
        // changed.
        target->setResolution(int(SheetDpi));
        const bool range = target->printRange() == QPrinter::PageRange;
        paintPages(book, sheet, layout, *target, range ? target->fromPage() : 1,
                   range ? target->toPage() : int(layout.pages.size()));
    };
    if (preview()) {
        preview()(printer, paint);
        return;
    }
    QPrintPreviewDialog dialog(&printer);
    dialog.setWindowTitle(QStringLiteral("Print"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

} // namespace ss::render
