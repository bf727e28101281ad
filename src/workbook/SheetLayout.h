#pragma once

#include "records/InventoryRecord.h"

#include <QString>

#include <cstdint>
#include <span>

// The inventory sheet layout of the generation run, as calls of the
// spreadsheet application's automation interface on InventoryList::ExcelApp.
namespace InventoryList {

// The print area of the sheet laid out last, "A1:I" and the last row.
extern QString PrintAreaAddress;

// Lays out the active sheet of ExcelApp from items. Not traced: the first
// failing call ends it and reaches the caller.
void BuildInventorySheet(std::span<const InventoryRecord> items);
// The part of it made for every item: item i (from 1) in row i + 2, its
// row height, the shading of every second row, and each field written into
// its merged cell.
void WriteItems(std::span<const InventoryRecord> items);

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
