#!/usr/bin/python3
"""Peer benchmark: python3-xlwt writes the formatted inventory sheet.

Usage: peer_xlwt.py ITEMS OUT.xls
The sheet matches the one Quorvale lays out: title, captions, one row per
item with every second row shaded, thin verticals, medium outlines, column
widths, row heights and a one-page landscape A4 print set-up.
"""
import sys

import xlwt

WIDTHS = [13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15]
CAPTIONS = ["Inventory ID", "Name", "Description", "Unit Price", "Quantity in Stock",
            "Reorder Level", "Reorder Time in Days", "Quantity in Reorder", "Discontinued?"]
SAMPLE = [["144455", "Hammer", "Building tool", "46.99", "14", "2", "6", "10", "Yes"],
          ["185532", "Nails", "fastening parts", "6.99", "754", "600", "2", "1500", "No"],
          ["185577", "Screws", "fastening parts", "10.99", "898", "500", "1", "1000", "No"]]


def colinfo_width(w, mdw=7):
    return int((int(w * mdw + 0.5) + 5) / mdw * 256)


def style(font_name="Arial", height=10, bold=False, fill=None, left=0, right=0, top=0, bottom=0,
          border_colour=0x16, centre=False):
    s = xlwt.XFStyle()
    s.font = xlwt.Font()
    s.font.name = font_name
    s.font.height = height * 20
    s.font.bold = bold
    s.alignment = xlwt.Alignment()
    s.alignment.vert = xlwt.Alignment.VERT_CENTER
    s.alignment.wrap = 1 if centre else 0
    if centre:
        s.alignment.horz = xlwt.Alignment.HORZ_CENTER
    if fill is not None:
        s.pattern = xlwt.Pattern()
        s.pattern.pattern = xlwt.Pattern.SOLID_PATTERN
        s.pattern.pattern_fore_colour = fill
    s.borders = xlwt.Borders()
    s.borders.left, s.borders.right, s.borders.top, s.borders.bottom = left, right, top, bottom
    s.borders.left_colour = s.borders.right_colour = border_colour
    s.borders.top_colour = s.borders.bottom_colour = border_colour
    return s


def main():
    n, out = int(sys.argv[1]), sys.argv[2]
    book = xlwt.Workbook()
    sheet = book.add_sheet("Inventory List")
    for c, w in enumerate(WIDTHS):
        sheet.col(c).width = colinfo_width(w)
    for r, h in ((0, 43.5), (1, 45)):
        sheet.row(r).height = int(h * 20)
        sheet.row(r).height_mismatch = True
    sheet.write(0, 0, "Inventory List", style(height=14, bold=True, fill=0x13))
    for c in range(1, 9):
        sheet.write(0, c, "", style(fill=0x13))
    for c, caption in enumerate(CAPTIONS):
        sheet.write(1, c, caption, style("Tahoma", bold=True, fill=0x13, left=2 if c == 0 else 1,
                                         right=2 if c == 8 else 1, top=2, bottom=2, border_colour=0x14,
                                         centre=True))
    plain = [style(left=2 if c == 0 else 1, right=2 if c == 8 else 1) for c in range(9)]
    shaded = [style(fill=0x15, left=2 if c == 0 else 1, right=2 if c == 8 else 1) for c in range(9)]
    last_plain = [style(left=2 if c == 0 else 1, right=2 if c == 8 else 1, bottom=2) for c in range(9)]
    last_shaded = [style(fill=0x15, left=2 if c == 0 else 1, right=2 if c == 8 else 1, bottom=2)
                   for c in range(9)]
    for i in range(1, n + 1):
        r = i + 1
        row = sheet.row(r)
        row.height = 300
        row.height_mismatch = True
        item = SAMPLE[(i - 1) % 3]
        last = i == n
        styles = (last_shaded if last else shaded) if i % 2 == 0 else (last_plain if last else plain)
        for c in range(9):
            text = str(i) if c == 0 else item[c]
            try:
                value = float(text) if c != 0 else i
            except ValueError:
                value = text
            row.write(c, value, styles[c])
    sheet.portrait = False
    sheet.paper_size_code = 9
    sheet.fit_num_pages = 1
    sheet.fit_width_to_pages = 1
    sheet.fit_height_to_pages = 1
    sheet.left_margin = sheet.right_margin = 0.7
    sheet.top_margin = sheet.bottom_margin = 0.5
    sheet.header_margin = sheet.footer_margin = 0
    book.set_colour_RGB(0x13, 180, 195, 175)
    book.set_colour_RGB(0x14, 120, 145, 110)
    book.set_colour_RGB(0x15, 240, 235, 220)
    book.set_colour_RGB(0x16, 175, 180, 135)
    book.save(out)


if __name__ == "__main__":
    main()
