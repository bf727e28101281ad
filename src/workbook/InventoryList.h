#pragma once

#include "automation/Object.h"

#include <QString>

#include <cstdint>

class Form1;

// The generation run and the inventory sheet layout.
namespace InventoryList {

// The building instance of a run, Nothing between runs.
extern automation::Object ExcelApp;
// The workbook being built.
extern automation::Object ExcelBook;
// The print area of the sheet laid out last, "A1:I" and the last row.
extern QString PrintAreaAddress;

// "Start Creating Template" on the main window.
void PushButton1_Click(Form1& form);
// The generation run: builds, saves and captures the workbook and opens the
// preview. Reports its own failures and never throws.
void GenerateReport0();

// A new instance of the spreadsheet application becomes ExcelApp.
void CreateExcelApp();
// ExcelApp becomes Nothing.
void ReleaseExcelApp();

// Lays out the active sheet of ExcelApp from the main window's list. Not
// traced: the first failing call ends it and reaches the caller.
void BuildInventorySheet();

// The layout procedures of BuildInventorySheet; each works on ExcelApp. An
// empty range text means the current selection.
void SetColumnWidth(const QString& columns, double width);
void SetRowHeight(const QString& rows, double height);
void SetInteriorColor(const QString& range, std::int16_t colorIndex);
void WriteCell(const QString& range, const QString& text, bool merge, bool wrap);
void SetFont(const QString& style, std::int16_t size, std::int32_t colorIndex, const QString& name);
void SetAlignment(bool centreAcross, bool centreDown, bool wrap, bool alignRight);

// The edges SetRangeBorders may draw.
struct Edges {
    bool insideHorizontal = false;
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;
    bool insideVertical = false;
};
void SetRangeBorders(const QString& range, Edges edges, std::int32_t weight, std::int32_t colorIndex);
void SetBorderEdge(std::int32_t edge, std::int32_t weight, std::int32_t colorIndex);
void SetupPage();

} // namespace InventoryList
