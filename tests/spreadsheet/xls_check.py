#!/usr/bin/python3
"""Checks a saved workbook with xlrd (an .xlsx one with openpyxl), readers
written elsewhere.

  xls_check.py inventory FILE.xls EXPECTED.json
      the inventory sheet laid out from the items and palette in the JSON
      ({"items": [[9 texts], ...], "palette": [56 colour words]}), cell by cell
  xls_check.py cells FILE.xls EXPECTED.json
      the texts and numbers of the first sheet ({"cells": [[row, col, text], ...],
      "numbers": [[row, col, the 16 hex digits of the double's bits], ...]})

  xls_check.py book FILE.xls EXPECTED.json
      the workbook as a whole, each key optional ({"sheets": count,
      "printAreas": count, "datemode": 0 or 1, "visibility": [0, 1 or 2 a sheet]})

  xls_check.py xlsx-inventory FILE.xlsx EXPECTED.json
      the inventory sheet as an .xlsx file, read with openpyxl, from the same
      JSON as "inventory": texts, fonts, fills (the shading as row formats),
      borders, widths, heights and the page set-up
  xls_check.py xlsx-book FILE.xlsx EXPECTED.json
      an .xlsx workbook's sheets, read with openpyxl ({"active": sheet index,
      "sheets": [{"name", "state", and optionally "merged": [ranges], "cells":
      {cell: value}, "numberFormats": {cell: code}, "bold": [cells], "widths": {column: width}, "heights":
      {row: points}, "defaultRowHeight", "activeCell", "selection", "scale",
      "orientation", "paperSize"}]})

Prints "OK" and exits 0 when everything matches; otherwise prints each
difference and exits 1. Whatever xlrd itself warns of comes out before.
"""
import json
import struct
import sys

import xlrd

CAPTIONS = ["Inventory ID", "Name", "Description", "Unit Price", "Quantity in Stock",
            "Reorder Level", "Reorder Time in Days", "Quantity in Reorder", "Discontinued?"]
WIDTHS = [13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15]
# The palette entries the layout uses, as the layout fixes them.
WHITE, BAND, CAPTION_LINE, SHADE, GRID = (255, 255, 255), (180, 195, 175), (120, 145, 110), (240, 235, 220), (175, 180, 135)
THIN, MEDIUM = 1, 2

problems = []


def expect(what, actual, wanted):
    if actual != wanted:
        problems.append(f"{what}: {actual!r}, expected {wanted!r}")


def colinfo_width(w, mdw=7):
    return int((int(w * mdw + 0.5) + 5) / mdw * 256)


def rgb(word):
    return (word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF)


def expected_lines(n):
    """Per cell (row, col) from 0, the lines left, right, top, bottom as
    (style, palette colour) after the three border calls of the layout."""
    lines = {}

    def rows_of(first, last):
        return range(min(first, last) - 1, max(first, last))

    def draw(first_row, last_row, edges, style, colour):
        rows = rows_of(first_row, last_row)
        for r in rows:
            for c in range(9):
                cell = lines.setdefault((r, c), {})
                if ("left" in edges and c == 0) or ("inside" in edges and c > 0):
                    cell["left"] = (style, colour)
                if ("right" in edges and c == 8) or ("inside" in edges and c < 8):
                    cell["right"] = (style, colour)
                if "top" in edges and r == rows[0]:
                    cell["top"] = (style, colour)
                if "bottom" in edges and r == rows[-1]:
                    cell["bottom"] = (style, colour)

    draw(2, n + 2, {"left", "top", "bottom", "right", "inside"}, THIN, GRID)
    draw(2, 2, {"left", "top", "bottom", "right"}, MEDIUM, CAPTION_LINE)
    draw(3, n + 2, {"left", "bottom", "right"}, MEDIUM, GRID)
    return lines


def text_or_number(value, text):
    """A text assigned to a cell may have been read as a number."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        try:
            return float(text) == value
        except ValueError:
            return False
    return value == text


def check_inventory(book, expected):
    items, palette = expected["items"], expected["palette"]
    n = len(items)
    colours = book.colour_map
    for i, word in enumerate(palette):
        expect(f"palette slot {i + 1}", colours[8 + i], rgb(word))
    for index, colour in ((2, WHITE), (11, BAND), (12, CAPTION_LINE), (13, SHADE), (14, GRID)):
        expect(f"layout colour {index}", colours[7 + index], colour)

    expect("sheet names", book.sheet_names(), ["Inventory List"])
    sheet = book.sheet_by_index(0)
    lines = expected_lines(n)
    expect("rows", sheet.nrows, max(n + 2, max(r for r, _ in lines) + 1))
    expect("columns", sheet.ncols, 9)
    expect("merged ranges", sheet.merged_cells, [])
    for c, w in enumerate(WIDTHS):
        expect(f"width of column {c}", sheet.colinfo_map[c].width, colinfo_width(w))
    for r, twips in [(0, 870), (1, 900)] + [(i + 1, 300) for i in range(1, n + 1)]:
        expect(f"height of row {r + 1}", sheet.rowinfo_map[r].height, twips)
        expect(f"custom height of row {r + 1}", sheet.rowinfo_map[r].height_mismatch, 1)

    for r in range(sheet.nrows):
        for c in range(9):
            check_cell(book, sheet, r, c, n, items, lines.get((r, c), {}))
    check_print_area(book, n)


def check_cell(book, sheet, r, c, n, items, cell_lines):
    at = f"cell {chr(65 + c)}{r + 1}"
    cell = sheet.cell(r, c)
    xf = book.xf_list[cell.xf_index]
    font = book.font_list[xf.font_index]
    fill = book.colour_map[xf.background.pattern_colour_index] if xf.background.fill_pattern == 1 else None
    if r == 0:
        expect(f"{at} value", cell.value, "Inventory List" if c == 0 else "")
        expect(f"{at} fill", fill, BAND)
    elif r == 1:
        expect(f"{at} value", cell.value, CAPTIONS[c])
        expect(f"{at} fill", fill, BAND)
        expect(f"{at} font", (font.name, font.height, font.bold, font.colour_index), ("Tahoma", 200, 1, 0x7FFF))
        expect(f"{at} alignment", (xf.alignment.hor_align, xf.alignment.vert_align, xf.alignment.text_wrapped), (2, 1, 1))
    elif r < n + 2:
        text = items[r - 2][c]
        if not text_or_number(cell.value, text):
            problems.append(f"{at} value: {cell.value!r}, expected {text!r}")
        expect(f"{at} fill", fill, SHADE if (r - 1) % 2 == 0 else WHITE)
        expect(f"{at} font", (font.name, font.height, font.bold, font.italic), ("Arial", 200, 0, 0))
        expect(f"{at} alignment", (xf.alignment.vert_align, xf.alignment.text_wrapped), (1, 0))
    if r == 0 and c == 0:
        expect(f"{at} font", (font.name, font.height, font.bold, font.colour_index), ("Arial", 280, 1, 0x7FFF))
        expect(f"{at} wrap", xf.alignment.text_wrapped, 0)
    border = xf.border
    for edge in ("left", "right", "top", "bottom"):
        style, colour = cell_lines.get(edge, (0, None))
        actual = getattr(border, edge + "_line_style")
        expect(f"{at} {edge} line", actual, style)
        if style:
            expect(f"{at} {edge} colour", book.colour_map[getattr(border, edge + "_colour_index")], colour)


def check_print_area(book, n):
    areas = [name for name in book.name_obj_list if name.builtin and name.name == "Print_Area"]
    expect("print areas", len(areas), 1)
    if areas:
        ref = areas[0].result.value[0].coords
        expect("print area", ref, (0, 1, 0, n + 2, 0, 9))
        expect("print area sheet", areas[0].scope, 0)


def check_cells(book, expected):
    sheet = book.sheet_by_index(0)
    for r, c, text in expected.get("cells", []):
        if sheet.cell_value(r, c) != text:
            problems.append(f"cell ({r}, {c}): {sheet.cell_value(r, c)[:40]!r}, expected {text[:40]!r}")
    for r, c, bits in expected.get("numbers", []):
        value = sheet.cell_value(r, c)
        wanted = struct.unpack("<d", bytes.fromhex(bits)[::-1])[0]
        if not isinstance(value, float) or struct.pack("<d", value) != struct.pack("<d", wanted):
            problems.append(f"cell ({r}, {c}): {value!r}, expected {wanted!r}")


def check_book(book, expected):
    print_areas = [name for name in book.name_obj_list if name.builtin and name.name == "Print_Area"]
    actual = {"sheets": book.nsheets, "printAreas": len(print_areas), "datemode": book.datemode,
              "visibility": [sheet.visibility for sheet in book.sheets()]}
    for key, wanted in expected.items():
        expect(key, actual[key], wanted)


def hex_rgb(colour):
    return "FF%02X%02X%02X" % colour


def xlsx_widths(sheet):
    """Column widths by column number from 1, a stretch of columns read once."""
    widths = {}
    for dimension in sheet.column_dimensions.values():
        for c in range(dimension.min, dimension.max + 1):
            widths[c] = dimension.width
    return widths


def check_xlsx_inventory(book, expected):
    items = expected["items"]
    n = len(items)
    expect("sheet names", book.sheetnames, ["Inventory List"])
    sheet = book.worksheets[0]
    widths = xlsx_widths(sheet)
    for c, w in enumerate(WIDTHS):
        expect(f"width of column {c}", widths.get(c + 1), colinfo_width(w) / 256)
    for r, points in [(1, 43.5), (2, 45)] + [(i + 2, 15) for i in range(1, n + 1)]:
        expect(f"height of row {r}", sheet.row_dimensions[r].height, points)
    expect("merged ranges", [str(r) for r in sheet.merged_cells.ranges], [])
    lines = expected_lines(n)
    for r in range(1, n + 3):
        # Every other item row is shaded as a whole row, not cell by cell.
        shaded = r > 2 and (r - 2) % 2 == 0
        row = sheet.row_dimensions[r]
        expect(f"row {r} format", (row.customFormat, row.fill.fgColor.rgb if row.customFormat else None),
               (True, hex_rgb(SHADE)) if shaded else (False, None))
        for c in range(9):
            check_xlsx_cell(sheet.cell(r, c + 1), r - 1, c, items, shaded, lines.get((r - 1, c), {}))
    check_xlsx_page(sheet, n)


def check_xlsx_cell(cell, r, c, items, shaded, cell_lines):
    at = cell.coordinate
    font = cell.font
    fill = cell.fill.fgColor.rgb if cell.fill.fill_type == "solid" else None
    if r == 0:
        expect(f"{at} value", cell.value, "Inventory List" if c == 0 else None)
        expect(f"{at} fill", fill, hex_rgb(BAND))
    elif r == 1:
        expect(f"{at} value", cell.value, CAPTIONS[c])
        expect(f"{at} font", (font.name, font.sz, font.b), ("Tahoma", 10, True))
        expect(f"{at} alignment", (cell.alignment.horizontal, cell.alignment.vertical, cell.alignment.wrap_text),
               ("center", "center", True))
    else:
        text = items[r - 2][c]
        if not text_or_number(cell.value if cell.value is not None else "", text):
            problems.append(f"{at} value: {cell.value!r}, expected {text!r}")
        expect(f"{at} fill", fill, hex_rgb(SHADE if shaded else WHITE))
        expect(f"{at} font", (font.name, font.sz, bool(font.b), bool(font.i)), ("Arial", 10, False, False))
    if r == 0 and c == 0:
        expect(f"{at} font", (font.name, font.sz, font.b), ("Arial", 14, True))
    for edge in ("left", "right", "top", "bottom"):
        style, colour = cell_lines.get(edge, (0, None))
        side = getattr(cell.border, edge)
        expect(f"{at} {edge} line", side.style, {0: None, THIN: "thin", MEDIUM: "medium"}[style])
        if style:
            expect(f"{at} {edge} colour", side.color.rgb, hex_rgb(colour))


def check_xlsx_page(sheet, n):
    area = sheet.print_area
    expect("print area", area if isinstance(area, str) else list(area), [f"$A$1:$I${n + 2}"])
    setup = sheet.page_setup
    expect("page", (setup.orientation, int(setup.paperSize)), ("landscape", 9))
    expect("fit to pages", (sheet.sheet_properties.pageSetUpPr.fitToPage, setup.fitToWidth or 1,
                            setup.fitToHeight or 1), (True, 1, 1))
    margins = sheet.page_margins
    expect("margins", (margins.left, margins.right, margins.top, margins.bottom, margins.header, margins.footer),
           (0.7, 0.7, 0.5, 0.5, 0, 0))


def check_xlsx_book(book, expected):
    expect("active sheet", book.worksheets.index(book.active), expected.get("active", 0))
    expect("sheet names", book.sheetnames, [s["name"] for s in expected["sheets"]])
    for sheet, wanted in zip(book.worksheets, expected["sheets"]):
        check_xlsx_sheet(sheet, wanted)


def check_xlsx_sheet(sheet, wanted):
    name = sheet.title
    view = sheet.sheet_view.selection[0]
    setup = sheet.page_setup
    actual = {"state": sheet.sheet_state, "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
              "defaultRowHeight": sheet.sheet_format.defaultRowHeight, "activeCell": view.activeCell,
              "selection": view.sqref, "scale": setup.scale, "orientation": setup.orientation,
              "paperSize": int(setup.paperSize) if setup.paperSize else None}
    for key in actual:
        if key in wanted:
            expect(f"{name} {key}", actual[key], wanted[key])
    for at, value in wanted.get("cells", {}).items():
        expect(f"{name} {at} value", sheet[at].value, value)
    for at, code in wanted.get("numberFormats", {}).items():
        expect(f"{name} {at} number format", sheet[at].number_format, code)
    for at in wanted.get("bold", []):
        expect(f"{name} {at} bold", sheet[at].font.b, True)
    widths = xlsx_widths(sheet)
    for column, width in wanted.get("widths", {}).items():
        expect(f"{name} width of {column}", widths.get(ord(column) - ord("A") + 1), colinfo_width(width) / 256)
    for row, points in wanted.get("heights", {}).items():
        expect(f"{name} height of row {row}", sheet.row_dimensions[int(row)].height, points)


def main():
    mode, path, expected_path = sys.argv[1:4]
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    if mode.startswith("xlsx-"):
        import openpyxl
        book = openpyxl.load_workbook(path)
    else:
        book = xlrd.open_workbook(path, formatting_info=True)
    {"inventory": check_inventory, "cells": check_cells, "book": check_book,
     "xlsx-inventory": check_xlsx_inventory, "xlsx-book": check_xlsx_book}[mode](book, expected)
    for p in problems[:50]:
        print(p)
    if problems:
        print(f"{len(problems)} differences")
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
