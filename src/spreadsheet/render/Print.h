#pragma once

#include "spreadsheet/model/Sheet.h"

#include <QByteArray>
#include <QPageLayout>

#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPrinter;

namespace ss::render {

// A sheet as its page set-up prints it, the way a spreadsheet program
// prints: the print area (or the used cells), the paper, orientation and
// margins, and one scale for every page: the zoom, or the largest whole
// percent up to 100 that fits the area on the pages wide and tall asked
// for, never below 10 %. Where the area does not fit at that scale it flows
// over more pages, down first, then across; a page holds whole rows and
// whole columns only. No grid lines, as a sheet prints by default.
struct PrintLayout {
    QPageLayout page;
    int percent = 100;
    std::vector<Area> pages; // the cells of each page, in print order
};

// Throws AutomationError when the sheet has nothing to print.
PrintLayout layOutPages(const Workbook& book, const Sheet& sheet);

// Paints pages first to last (1-based, inclusive) of the layout on device,
// whose page layout is set to layout.page and whose resolution is 96 DPI,
// the unit of the sheet's pixels (a font's size in points is taken at the
// device's resolution). Text and lines stay vectors.
void paintPages(const Workbook& book, const Sheet& sheet, const PrintLayout& layout, QPagedPaintDevice& device,
                int first, int last);

// Worksheet.ExportAsFixedFormat: the printed pages as a PDF document.
QByteArray pdfOf(const Workbook& book, const Sheet& sheet);

// Worksheet.PrintOut with Preview: the printer set up for the sheet, and the
// procedure that paints the pages on it, are handed to the print preview,
// which shows them and prints them on the user's word. The preview is the
// platform's print dialog with Qt's print preview, unless a test has put
// its own in its place (nullptr puts the dialog back).
using PrintPreview = std::function<void(QPrinter& printer, const std::function<void(QPrinter*)>& paint)>;
void setPrintPreview(PrintPreview preview);
void printWithPreview(const Workbook& book, const Sheet& sheet);

} // namespace ss::render
