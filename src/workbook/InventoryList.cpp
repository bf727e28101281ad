// The generation run.
#include "workbook/InventoryList.h"
#include "workbook/SheetLayout.h"

#include "automation/ExcelConstants.h"
#include "automation/Servers.h"
#include "core/Error.h"
#include "core/Files.h"
#include "shell/ClipboardKept.h"
#include "shell/Main.h"
#include "shell/Options.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "shell/Twips.h"
#include "workbook/AutomationValues.h"
#include "workbook/Bitmap.h"
#include "workbook/Excel1.h"
#include "workbook/TempNames.h"

#include <QBuffer>
#include <QDir>

#include <cmath>
#include <optional>

namespace InventoryList {

namespace {

using automation::Arg;
using automation::Object;
using automation::Variant;
using workbook::Integer;
using workbook::Long;

// The sheets beyond the first of the new workbook.
int extraSheetCount()
{
    const std::int32_t count = ExcelApp.object("Sheets").get("count").toInt32();
    return count == 1 ? 0 : count - 1;
}

// Deletes the sheets beyond the first. When their number could not be
// worked out before, it is read once more here, so the deletion stays
// bounded by the sheets there are.
void deleteExtraSheets(std::optional<int> extra)
{
    const int times = extra ? *extra : extraSheetCount();
    for (int i = 0; i < times; ++i)
        ExcelApp.object("Sheets", {Integer(2)}).call("Delete");
}

void nameLastSheet()
{
    const Variant last = ExcelApp.object("Sheets").get("count");
    ExcelApp.object("Sheets", {last}).put("Name", Variant("Inventory List"));
}

// Draws names until one is free, claimed for this run where the folder
// takes the file; a folder that does not is left to the save to report. The
// random source is seeded once for the whole program rather than from the
// time of day for every digit, so digits drawn within one second differ and
// two copies of the program do not draw alike.
QString chooseTemporaryWorkbook(shell::Trace& t)
{
    QString name;
    QString path;
    bool taken = false;
    do {
        t.line(142, [&] { name = QString::fromLatin1(TempNames::WorkbookPrefix); });
        for (int digits = 0; digits < 8; ++digits) {
            int digit = 0;
            t.line(148, [&] { digit = shell::Services::current().randomDigit(); });
            t.line(150, [&] { name += QString::number(digit); });
        }
        t.line(154, [&] { path = TempNames::workbookPath(name); });
        taken = false;
        t.line(156, [&] { taken = !TempNames::claim(path); });
    } while (taken);
    return path;
}


void saveWorkbook(const QString& path)
{
    const Variant format = Long(Excel1::GetSaveFileFormat(ExcelApp));
    ExcelBook.call("SaveAs", {Arg::byReference(path), Arg::named("FileFormat", format)});
}

// SaveAs over the temporary file claimed for the run, still empty; when the
// save fails the empty file goes again. (A file the user named is never
// removed: an empty one of theirs stays as it was.)
void saveClaimedWorkbook(const QString& path)
{
    try {
        saveWorkbook(path);
    } catch (...) {
        TempNames::releaseUnwritten(path);
        throw;
    }
}

// SaveAs in the Open XML format, which the run's later steps never read:
// only the command line asks for it.
void saveOpenXmlWorkbook(const QString& path)
{
    ExcelBook.call("SaveAs", {Arg::byReference(path), Arg::named("FileFormat", Long(excel::xlOpenXMLWorkbook))});
}

// The sheet's printed pages, as its page set-up says.
void exportPdf(const QString& path)
{
    ExcelApp.object("ActiveSheet").call("ExportAsFixedFormat", {Long(excel::xlTypePDF), Variant(path)});
}

// The picture of the sheet's used cells at a zoom, taken through the
// clipboard (which holds what it held before once the picture is taken).
void savePicture(const QString& path, double zoom)
{
    QImage picture;
    const Object used = ExcelApp.object("ActiveSheet").object("UsedRange");
    {
        const shell::ClipboardKept kept;
        ExcelApp.object("ActiveWindow").put("Zoom", Long(std::int32_t(std::lround(zoom * 100))));
        used.call("CopyPicture");
        picture = Options::FetchClipboardPicture(0);
    }
    if (picture.isNull())
        throw quorvale::Error(QStringLiteral("no picture of the sheet could be taken"));
    // A picture of a range holds the rows that fit into 2,048 pixels: a
    // longer sheet is shown in part, and says so.
    const double wholeHeight = used.get("Height").toDouble() * twips::dpiY(nullptr) / 72.0 * zoom;
    if (picture.height() + 1 < int(wholeHeight))
        shell::MsgBox(QStringLiteral("%1 shows the top of the sheet only, %2 of its %3 pixel rows: a picture is at "
                                     "most 2,048 pixels tall.")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(picture.height())
                          .arg(std::lround(wholeHeight)));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        throw quorvale::Error(QStringLiteral("the picture could not be encoded as PNG"));
    quorvale::files::writeWhole(path, png);
}

// The picture of the snapshot bitmap; a bitmap that does not load leaves
// the picture null, so the preview shows none rather than an earlier one.
void loadPicture(const QString& snapshotPath, QImage& picture)
{
    picture = QImage();
    QString why;
    try {
        picture = readBitmap(snapshotPath);
    } catch (const quorvale::files::FileError& e) {
        why = QStringLiteral(": ") + e.reason();
    }
    if (picture.isNull())
        throw quorvale::Error(
            QStringLiteral("The picture of the sheet could not be loaded from %1%2").arg(snapshotPath, why));
}

// The second instance opens the saved workbook and takes the picture of its
// used cells, which becomes the picture of what the run made. The picture
// goes through a bitmap file of the run's own, claimed here, so that two
// runs in one temporary folder never read each other's.
void takeSnapshot(shell::Trace& t, const QString& path, QString& snapshotPath, RunWindows& windows,
                  Generated& made)
{
    snapshotPath = TempNames::claimSnapshot();
    Object snapshotApp;
    Object snapshotBook;
    t.line(168, [&] { snapshotApp = Excel1::OpenWorkbookInNewExcel(path); });
    t.line(170, [&] { windows.setMainWindowPointer(MousePointer::Hourglass); });
    t.line(172, [&] {
        const Variant last = snapshotApp.object("Workbooks").get("count");
        snapshotBook = snapshotApp.object("Workbooks", {last});
    });
    t.line(174, [&] { Excel1::saveCellsActivesheet(snapshotBook, snapshotPath); });
    t.line(176, [&] { snapshotApp.put("DisplayAlerts", automation::False); });
    t.line(178, [&] { snapshotBook.call("Close"); });
    t.line(180, [&] { snapshotApp.call("Quit"); });
    t.line(182, [&] { windows.setMainWindowPointer(MousePointer::Default); });
    t.line(184, [&] { loadPicture(snapshotPath, made.picture); });
}

// Whether the items fit on one sheet; says so when they do not.
bool fitsOnASheet(std::span<const InventoryRecord> items)
{
    if (items.size() <= MaxItems)
        return true;
    shell::MsgBox(QStringLiteral("The list has %1 items, more than a sheet holds: it has room for %2 items.\r\n"
                                 "Delete items to create the template; nothing was created.")
                      .arg(items.size())
                      .arg(MaxItems));
    return false;
}

// Steps 102 to 140 of the run: the building instance, set up for silent
// work, lays the sheet out in a workbook of one sheet and is set back.
void buildWorkbook(shell::Trace& t, std::span<const InventoryRecord> items)
{
    t.line(102, [] { CreateExcelApp(); });
    t.line(104, [] { ExcelApp.put("ScreenUpdating", automation::False); });
    t.line(106, [] { ExcelApp.put("DisplayAlerts", automation::False); });
    t.line(108, [] { ExcelApp.put("EnableEvents", automation::False); });
    t.line(110, [] { ExcelApp.put("EnableCancelKey", Long(excel::xlDisabled)); });
    t.line(112, [] { ExcelApp.put("Cursor", Long(excel::xlWait)); });
    t.line(116, [] { ExcelBook = ExcelApp.object("Workbooks").call("Add").toObject(); });
    std::optional<int> extraSheets;
    t.line(118, [&] { extraSheets = extraSheetCount(); });
    t.line(120, [&] { deleteExtraSheets(extraSheets); });
    t.line(122, [] { nameLastSheet(); });
    t.line(124, [&] { BuildInventorySheet(items); });
    t.line(126, [] { ExcelApp.object("Sheets", {Long(1)}).call("Select"); });
    t.line(128, [] { ExcelApp.object("Range", {Variant("A1")}).call("Select"); });
    t.line(130, [] { ExcelApp.put("Visible", automation::False); });
    t.line(132, [] { ExcelApp.put("Cursor", Long(excel::xlDefault)); });
    t.line(134, [] { ExcelApp.put("ScreenUpdating", automation::True); });
    t.line(136, [] { ExcelApp.put("DisplayAlerts", automation::True); });
    t.line(138, [] { ExcelApp.put("EnableEvents", automation::True); });
    t.line(140, [] { ExcelApp.put("EnableCancelKey", Long(excel::xlInterrupt)); });
}

// Steps 160 to 166: the workbook closes and the instance quits.
void closeAndQuit(shell::Trace& t)
{
    t.line(160, [] { ExcelApp.put("DisplayAlerts", automation::False); });
    t.line(162, [] { ExcelBook.call("Close"); });
    t.line(164, [] { ExcelApp.call("Quit"); });
    t.line(166, [] {
        ReleaseExcelApp();
        ExcelBook.release(); // closed at 162: nothing may reach it in a later run
    });
}

} // namespace

Object ExcelApp;
Object ExcelBook;

void CreateExcelApp() { ExcelApp = automation::Servers::createObject(QString::fromLatin1(Excel1::ProgId)); }

void ReleaseExcelApp() { ExcelApp.release(); }

Generated GenerateReport0(std::span<const InventoryRecord> items, RunWindows& windows)
{
    if (!fitsOnASheet(items))
        return {};
    shell::Trace t{"InventoryList", "GenerateReport0"};
    QString snapshotPath; // claimed when a picture is taken
    Generated made;

    buildWorkbook(t, items);
    const QString path = chooseTemporaryWorkbook(t);
    const bool withoutInstance = ExcelApp.isNothing();
    const bool saved = t.line(158, [&] { saveClaimedWorkbook(path); });
    closeAndQuit(t);

    // A save that fails with the application there fails for the file (a
    // temporary folder that takes no workbook, say), which the save reports
    // once: there is no workbook to open and take a picture of. Without an
    // instance, every line that needs one reports it as ever.
    if (saved || withoutInstance)
        takeSnapshot(t, path, snapshotPath, windows, made);
    t.line(186, [&] { made.workbookPath = path; });
    t.line(188, [&] { windows.showPreview(made); });
    t.line(190, [&] { windows.hideMainWindow(); });
    t.line(192, [&] {
        if (!snapshotPath.isEmpty())
            Main::DeleteFileForced(snapshotPath);
    });
    return made;
}

bool SaveInventoryWorkbook(std::span<const InventoryRecord> items, const QString& path, Output output)
{
    if (!fitsOnASheet(items))
        return false;
    shell::Trace t{"InventoryList", "GenerateReport0"};
    buildWorkbook(t, items);
    t.line(158, [&] {
        switch (output.kind) {
        case Output::Kind::Workbook: saveWorkbook(path); break;
        case Output::Kind::OpenXmlWorkbook: saveOpenXmlWorkbook(path); break;
        case Output::Kind::Pdf: exportPdf(path); break;
        case Output::Kind::Picture: savePicture(path, output.zoom); break;
        }
    });
    closeAndQuit(t);
    return !t.faulted();
}

} // namespace InventoryList
