#pragma once

#include "automation/Object.h"
#include "records/InventoryRecord.h"
#include "shell/MousePointer.h"

#include <QImage>
#include <QString>

#include <span>

// The generation run and the inventory sheet layout.
namespace InventoryList {

// The building instance of a run, Nothing between runs.
extern automation::Object ExcelApp;
// The workbook being built.
extern automation::Object ExcelBook;

// What a run made: the temporary workbook, which whoever receives it owns
// from then on, and the picture of its used cells (null when none could be
// taken).
struct Generated {
    QString workbookPath;
    QImage picture;
};

// The windows as a run sees them. The run works the main window's pointer
// and hands what it made over to the preview; the windows themselves are
// the caller's.
class RunWindows {
public:
    virtual ~RunWindows() = default;
    virtual void setMainWindowPointer(MousePointer kind) = 0;
    // Gives the preview window the picture and the workbook, and shows it.
    virtual void showPreview(const Generated& made) = 0;
    virtual void hideMainWindow() = 0;
};

// The most items a sheet holds: its 65,536 rows less the title and the
// captions.
inline constexpr std::size_t MaxItems = 65536 - 2;

// The generation run over items: builds, saves and captures the workbook,
// hands it to the preview window and hides the main window. Reports its own
// failures and never throws; returns what it made. A list of more items
// than a sheet holds is refused with a message before anything starts, and
// nothing is made.
Generated GenerateReport0(std::span<const InventoryRecord> items, RunWindows& windows);

// What is made of the laid-out sheet: the workbook (Excel 97-2003, or the
// Open XML workbook of Excel 2007 and later), its printed pages as a PDF,
// or its picture as a PNG at a zoom (0.25 to 3).
struct Output {
    enum class Kind : std::uint8_t { Workbook, OpenXmlWorkbook, Pdf, Picture };
    Kind kind = Kind::Workbook;
    double zoom = 1.0;
};

// The workbook of the run without its picture and preview: lays out items
// as the run does, with the same calls, and saves the workbook at path (or
// what output asks for). Reports each failing step as the run does; true
// when none failed. A list longer than a sheet holds is refused as the run
// refuses it.
bool SaveInventoryWorkbook(std::span<const InventoryRecord> items, const QString& path, Output output = {});

// A new instance of the spreadsheet application becomes ExcelApp.
void CreateExcelApp();
// ExcelApp becomes Nothing.
void ReleaseExcelApp();

} // namespace InventoryList
