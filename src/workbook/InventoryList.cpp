// "Start Creating Template" and the generation run.
#include "workbook/InventoryList.h"

#include "automation/Servers.h"
#include "preview/Form2.h"
#include "shell/Form1.h"
#include "shell/Main.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "workbook/AutomationValues.h"
#include "workbook/Excel1.h"
#include "workbook/TempNames.h"

#include <optional>

namespace InventoryList {

namespace {

using automation::Arg;
using automation::Object;
using automation::Variant;
using workbook::Integer;
using workbook::Long;

const QString kClickPath = QStringLiteral("in Quorvale2021/08/31.Form1.PushButton1_Click ");
const QString kRunPath = QStringLiteral("in Quorvale2021/08/31.InventoryList.GenerateReport0 ");

constexpr std::int32_t xlDisabled = 0;
constexpr std::int32_t xlInterrupt = 1;
constexpr std::int32_t xlWait = 2;
constexpr std::int32_t xlDefault = -4143;

Form1& mainWindow()
{
    Form1* form = Form1::instance();
    if (!form)
        throw quorvale::Error(QStringLiteral("The main window is not loaded"));
    return *form;
}

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

// Lines 142 to 156: draws names until one is free, claimed for this run
// where the folder takes the file; a folder that does not is left to the
// save at line 158 to report. The random source is seeded once for the
// whole program rather than from the time of day for every digit (146), so
// digits drawn within one second differ and two copies of the program do
// not draw alike.
QString chooseTemporaryWorkbook(shell::Trace& t)
{
    QString name;
    QString path;
    bool taken = false;
    do {
        t.line(142, [&] { name = QString::fromLatin1(TempNames::WorkbookPrefix); });
        for (int digits = 0; digits < 8; ++digits) { // 144 to 152
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

// SaveAs over the claimed, still empty file; when the save fails the empty
// file goes again.
void saveWorkbook(const QString& path)
{
    try {
        const Variant format = Long(Excel1::GetSaveFileFormat(ExcelApp));
        ExcelBook.call("SaveAs", {Arg::byReference(path), Arg::named("FileFormat", format)});
    } catch (...) {
        TempNames::releaseUnwritten(path);
        throw;
    }
}

// The picture of the snapshot bitmap goes into the preview, which loads on
// first reference; a bitmap that does not load leaves the preview empty.
void showPictureInPreview(const QString& snapshotPath)
{
    Form2& preview = Form2::instance();
    const QImage picture(snapshotPath);
    preview.Picture1->setPicture(picture);
    if (picture.isNull())
        throw quorvale::Error(QStringLiteral("The picture of the sheet could not be loaded from %1").arg(snapshotPath));
}

} // namespace

Object ExcelApp;
Object ExcelBook;

void PushButton1_Click(Form1& form)
{
    shell::Trace t{kClickPath};
    bool declined = false;
    t.line(100, [&] { shell::LockWindowUpdate(&form); });
    t.line(102, [&] { declined = Excel1::ExcelOpenWarning(); });
    if (!declined) {
        t.line(104, [&] { form.setMousePointer(MousePointer::Hourglass); });
        t.line(106, [] { GenerateReport0(); });
        t.line(108, [&] { form.setMousePointer(MousePointer::Default); });
    }
    t.line(110, [] { shell::LockWindowUpdate(nullptr); });
}

void CreateExcelApp() { ExcelApp = automation::Servers::createObject(QString::fromLatin1(Excel1::ProgId)); }

void ReleaseExcelApp() { ExcelApp.release(); }

void GenerateReport0()
{
    shell::Trace t{kRunPath};
    const QString snapshotPath = TempNames::snapshotPath();

    t.line(102, [] { CreateExcelApp(); });
    t.line(104, [] { ExcelApp.put("ScreenUpdating", automation::False); });
    t.line(106, [] { ExcelApp.put("DisplayAlerts", automation::False); });
    t.line(108, [] { ExcelApp.put("EnableEvents", automation::False); });
    t.line(110, [] { ExcelApp.put("EnableCancelKey", Long(xlDisabled)); });
    t.line(112, [] { ExcelApp.put("Cursor", Long(xlWait)); });
    t.line(116, [] { ExcelBook = ExcelApp.object("Workbooks").call("Add").toObject(); });
    std::optional<int> extraSheets;
    t.line(118, [&] { extraSheets = extraSheetCount(); });
    t.line(120, [&] { deleteExtraSheets(extraSheets); });
    t.line(122, [] { nameLastSheet(); });
    t.line(124, [] { BuildInventorySheet(); });
    t.line(126, [] { ExcelApp.object("Sheets", {Long(1)}).call("Select"); });
    t.line(128, [] { ExcelApp.object("Range", {Variant("A1")}).call("Select"); });
    t.line(130, [] { ExcelApp.put("Visible", automation::False); });
    t.line(132, [] { ExcelApp.put("Cursor", Long(xlDefault)); });
    t.line(134, [] { ExcelApp.put("ScreenUpdating", automation::True); });
    t.line(136, [] { ExcelApp.put("DisplayAlerts", automation::True); });
    t.line(138, [] { ExcelApp.put("EnableEvents", automation::True); });
    t.line(140, [] { ExcelApp.put("EnableCancelKey", Long(xlInterrupt)); });
    const QString path = chooseTemporaryWorkbook(t);
    t.line(158, [&] { saveWorkbook(path); });
    t.line(160, [] { ExcelApp.put("DisplayAlerts", automation::False); });
    t.line(162, [] { ExcelBook.call("Close"); });
    t.line(164, [] { ExcelApp.call("Quit"); });
    t.line(166, [] {
        ReleaseExcelApp();
        ExcelBook.release(); // closed at 162: nothing may reach it in a later run
    });

    Object snapshotApp;
    Object snapshotBook;
    t.line(168, [&] { snapshotApp = Excel1::OpenWorkbookInNewExcel(path); });
    t.line(170, [] { mainWindow().setMousePointer(MousePointer::Hourglass); });
    t.line(172, [&] {
        const Variant last = snapshotApp.object("Workbooks").get("count");
        snapshotBook = snapshotApp.object("Workbooks", {last});
    });
    t.line(174, [&] { Excel1::saveCellsActivesheet(snapshotBook, snapshotPath); });
    t.line(176, [&] { snapshotApp.put("DisplayAlerts", automation::False); });
    t.line(178, [&] { snapshotBook.call("Close"); });
    t.line(180, [&] { snapshotApp.call("Quit"); });
    t.line(182, [] { mainWindow().setMousePointer(MousePointer::Default); });
    t.line(184, [&] { showPictureInPreview(snapshotPath); });
    t.line(186, [&] { Form2::instance().mExcelFile = path; });
    t.line(188, [] { Form2::instance().show(); });
    t.line(190, [] { mainWindow().hide(); });
    t.line(192, [&] { Main::DeleteFileForced(snapshotPath); });
}

} // namespace InventoryList
