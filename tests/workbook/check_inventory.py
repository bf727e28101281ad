#!/usr/bin/python3
"""Checks a generated inventory workbook with xlrd (formatting_info=True).

Usage: check_inventory.py WORKBOOK ITEMS_JSON

ITEMS_JSON holds the list's items, each a list of nine texts. Prints every
difference from the inventory layout and exits 1 when there is any.
"""
import json
import struct
import sys

import xlrd
from xlrd import compdoc

CAPTIONS = ["Inventory ID", "Name", "Description", "Unit Price", "Quantity in Stock",
            "Reorder Level", "Reorder Time in Days", "Quantity in Reorder", "Discontinued?"]
WIDTHS = [13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15]
# Palette index n of the automation model is colour index n + 7 in the file.
WHITE, BAND, CAPTION_BORDER, SHADED, GRID = 2 + 7, 11 + 7, 12 + 7, 13 + 7, 14 + 7
NONE, THIN, MEDIUM = 0, 1, 2
AUTOMATIC = 0x7FFF

problems = []


def expect(what, actual, expected):
    if actual != expected:
        problems.append(f"{what}: {actual!r}, expected {expected!r}")


def shown_as(cell):
    """The cell's value as the text it was written from."""
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return "%.15g" % cell.value
    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return ""
    return cell.value


class Sheet:
    def __init__(self, book, sheet):
        self.book, self.sheet = book, sheet

    def xf(self, row, col):
        if row >= self.sheet.nrows or col >= self.sheet.row_len(row):
            return None
        return self.book.xf_list[self.sheet.cell_xf_index(row, col)]

    def font(self, row, col):
        return self.book.font_list[self.xf(row, col).font_index]

    def line(self, row, col, side):
        """(line style, colour) of one side of a cell, (0, None) without a cell."""
        xf = self.xf(row, col)
        if xf is None:
            return NONE, None
        b = xf.border
        style = getattr(b, side + "_line_style")
        return style, getattr(b, side + "_colour_index") if style else None

    def horizontal_edge(self, row, col):
        """The line above row: the cell above's bottom or the cell's own top."""
        above = self.line(row - 1, col, "bottom") if row > 0 else (NONE, None)
        own = self.line(row, col, "top")
        return max(above, own, key=lambda e: e[0])

    def vertical_edge(self, row, col):
        """The line left of col: the left neighbour's right or the cell's own left."""
        left = self.line(row, col - 1, "right") if col > 0 else (NONE, None)
        own = self.line(row, col, "left")
        return max(left, own, key=lambda e: e[0])


def check_cells(s, items):
    sh = s.sheet
    expect("A1", shown_as(sh.cell(0, 0)), "Inventory List")
    for col in range(1, 9):
        expect(f"row 1 column {col + 1}", shown_as(sh.cell(0, col)) if col < sh.row_len(0) else "", "")
    for col, caption in enumerate(CAPTIONS):
        expect(f"caption {col + 1}", shown_as(sh.cell(1, col)), caption)
    for row in range(len(items) + 2, sh.nrows):
        for col in range(sh.row_len(row)):
            expect(f"row {row + 1} column {col + 1}", shown_as(sh.cell(row, col)), "")
    for i, item in enumerate(items):
        for col, text in enumerate(item):
            expect(f"item {i + 1} column {col + 1}", shown_as(sh.cell(i + 2, col)), text)
    expect("merged cells", sh.merged_cells, [])


def check_formats(s, items):
    title = s.font(0, 0)
    expect("title font", (title.name, title.bold, title.height, title.colour_index), ("Arial", 1, 280, AUTOMATIC))
    expect("title wrap", s.xf(0, 0).alignment.text_wrapped, 0)
    for col in range(9):
        f = s.font(1, col)
        a = s.xf(1, col).alignment
        expect(f"caption {col + 1} font", (f.name, f.bold, f.height, f.colour_index), ("Tahoma", 1, 200, AUTOMATIC))
        expect(f"caption {col + 1} alignment", (a.hor_align, a.vert_align, a.text_wrapped), (2, 1, 1))
        for row in (0, 1):
            expect(f"fill of row {row + 1} column {col + 1}", s.xf(row, col).background.pattern_colour_index, BAND)
    for i in range(len(items)):
        row = i + 2
        for col in range(9):
            xf = s.xf(row, col)
            f = s.font(row, col)
            expect(f"item {i + 1} column {col + 1} font", (f.name, f.height, f.bold), ("Arial", 200, 0))
            expect(f"item {i + 1} column {col + 1} alignment", (xf.alignment.vert_align, xf.alignment.text_wrapped), (1, 0))
            expect(f"item {i + 1} column {col + 1} fill", xf.background.pattern_colour_index,
                   SHADED if (i + 1) % 2 == 0 else WHITE)


def check_borders(s, items):
    n = len(items)
    for col in range(9):
        expect(f"line above caption {col + 1}", s.horizontal_edge(1, col), (MEDIUM, CAPTION_BORDER))
        expect(f"line below caption {col + 1}", s.horizontal_edge(2, col), (MEDIUM, CAPTION_BORDER))
        expect(f"line above title {col + 1}", s.horizontal_edge(0, col)[0], NONE)
    # Without items the item block's range is A2:I3, whose outline then
    # covers the caption row's sides.
    outline = CAPTION_BORDER if n else GRID
    expect("line left of A2", s.vertical_edge(1, 0), (MEDIUM, outline))
    expect("line right of I2", s.vertical_edge(1, 9), (MEDIUM, outline))
    for col in range(1, 9):
        expect(f"line left of caption {col + 1}", s.vertical_edge(1, col), (THIN, GRID))
    if n == 0:
        return
    for i in range(n):
        row = i + 2
        expect(f"line left of item {i + 1}", s.vertical_edge(row, 0), (MEDIUM, GRID))
        expect(f"line right of item {i + 1}", s.vertical_edge(row, 9), (MEDIUM, GRID))
        for col in range(1, 9):
            expect(f"line left of item {i + 1} column {col + 1}", s.vertical_edge(row, col), (THIN, GRID))
        if i > 0:
            for col in range(9):
                expect(f"line above item {i + 1} column {col + 1}", s.horizontal_edge(row, col)[0], NONE)
    for col in range(9):
        expect(f"line below the last item, column {col + 1}", s.horizontal_edge(n + 2, col), (MEDIUM, GRID))


def check_geometry(s, items):
    sh = s.sheet
    for col, width in enumerate(WIDTHS):
        info = sh.colinfo_map.get(col)
        if info is None:
            problems.append(f"column {col + 1} has no width")
        elif abs(info.width / 256 - width) > 1.0:
            problems.append(f"column {col + 1} width {info.width / 256:.2f}, expected about {width}")
    heights = [43.5, 45] + [15] * len(items)
    for row, points in enumerate(heights):
        info = sh.rowinfo_map.get(row)
        expect(f"height of row {row + 1}", info.height if info else None, round(points * 20))


def check_print_area(book, items):
    names = book.name_map.get("print_area", [])
    if len(names) != 1:
        problems.append(f"{len(names)} print areas")
        return
    expect("print area", names[0].area2d()[1:], (0, len(items) + 2, 0, 9))


def sheet_records(path, book):
    # The sheet positions xlrd found are offsets into the data that
    # locate_named_stream gives, as xlrd itself reads the stream.
    stream, _base, _size = compdoc.CompDoc(open(path, "rb").read()).locate_named_stream("Workbook")
    pos = book._sh_abs_posn[0]
    records = {}
    while pos + 4 <= len(stream):
        kind, length = struct.unpack_from("<HH", stream, pos)
        records.setdefault(kind, stream[pos + 4:pos + 4 + length])
        pos += 4 + length
        if kind == 0x000A:  # EOF
            break
    return records


def check_page_setup(path, book):
    records = sheet_records(path, book)
    for kind, name, inches in ((0x26, "left", 0.7), (0x27, "right", 0.7), (0x28, "top", 0.5), (0x29, "bottom", 0.5)):
        data = records.get(kind)
        margin = struct.unpack_from("<d", data)[0] if data else None
        if margin is None or abs(margin - inches) > 1e-9:
            problems.append(f"{name} margin {margin}, expected {inches}")
    setup = records.get(0xA1)
    if setup is None:
        problems.append("no SETUP record")
        return
    paper, _scale, _start, fit_wide, fit_tall, options = struct.unpack_from("<6H", setup)
    header, footer = struct.unpack_from("<dd", setup, 16)
    expect("paper size", paper, 9)
    expect("fit to pages", (fit_wide, fit_tall), (1, 1))
    expect("portrait flag", options & 0x02, 0)
    expect("settings not valid flag", options & 0x04, 0)
    expect("comments printed", options & 0x20, 0)
    expect("header and footer margins", (header, footer), (0.0, 0.0))
    wsbool = records.get(0x81)
    expect("fit to page", bool(wsbool and struct.unpack_from("<H", wsbool)[0] & 0x0100), True)


def main():
    path, items_path = sys.argv[1], sys.argv[2]
    items = json.load(open(items_path, encoding="utf-8"))
    book = xlrd.open_workbook(path, formatting_info=True)
    expect("sheets", book.sheet_names(), ["Inventory List"])
    s = Sheet(book, book.sheet_by_index(0))
    check_cells(s, items)
    check_formats(s, items)
    check_borders(s, items)
    check_geometry(s, items)
    check_print_area(book, items)
    check_page_setup(path, book)
    for p in problems[:40]:
        print(p)
    if len(problems) > 40:
        print(f"... and {len(problems) - 40} more")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
