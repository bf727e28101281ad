#!/usr/bin/python3
"""Writes the workbooks of this folder, each made record by record the way
another spreadsheet program writes what the reader must understand:

  formula-text-after-shared-formula.xls  text results of formulas whose
      STRING record follows a SHRFMLA, an ARRAY or a TABLE record
  formula-text-continued.xls    STRING records continued in CONTINUE records,
      one-byte and two-byte characters
  rich-text.xls                 a cell of rich text in an RSTRING record
  chart-sheet.xls               a chart sheet between two worksheets, the
      active sheet and a print area past it
  biff8-in-book-stream.xls, workbook-stream-in-capitals.xls,
  workbook-stream-in-lower-case.xls
                                the workbook stream under other names
  hidden-sheets-1904.xls        a hidden and a very hidden sheet, dates from 1904

Usage: make_files.py [FOLDER]   (the folder of this script by default)
"""
import os
import struct
import sys

BOF, EOF, CONTINUE = 0x0809, 0x000A, 0x003C
CODEPAGE, WINDOW1, DATEMODE, FONT, XF, STYLE = 0x0042, 0x003D, 0x0022, 0x0031, 0x00E0, 0x0293
BOUNDSHEET, SUPBOOK, EXTERNSHEET, NAME = 0x0085, 0x01AE, 0x0017, 0x0018
DIMENSIONS, WINDOW2, LABEL, NUMBER, FORMULA, STRING = 0x0200, 0x023E, 0x0204, 0x0203, 0x0006, 0x0207
SHRFMLA, ARRAY, TABLE, RSTRING = 0x04BC, 0x0221, 0x0236, 0x00D6
MAX_DATA = 8224


def record(rid, data=b""):
    assert len(data) <= MAX_DATA
    return struct.pack("<HH", rid, len(data)) + data


def unicode_string(text, count_bytes=2):
    """A string with its character count, an option byte and the characters,
    one byte each when they all fit, else two."""
    wide = any(ord(c) > 0xFF for c in text)
    chars = text.encode("utf-16-le") if wide else text.encode("latin-1")
    return struct.pack("<B" if count_bytes == 1 else "<H", len(text)) + bytes([1 if wide else 0]) + chars


def bof(kind):
    return record(BOF, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))


def globals_records(sheets, active=0, datemode=0, names=b""):
    """The workbook globals up to the BOUNDSHEET records, which sheets gives
    as (name, visibility, kind); returns the bytes and where each sheet's
    offset goes."""
    out = bof(0x0005) + record(CODEPAGE, struct.pack("<H", 1200))
    out += record(WINDOW1, struct.pack("<HHHHHHHHH", 0, 0, 16384, 8192, 0x38, active, 0, 1, 600))
    out += record(DATEMODE, struct.pack("<H", datemode))
    for _ in range(5):  # fonts 0 to 3 and 5: Arial 10
        out += record(FONT, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) + unicode_string("Arial", 1))
    for i in range(16):  # 15 style XFs, then the default cell XF
        flags = 0xFFF5 if i < 15 else 0x0001
        out += record(XF, struct.pack("<HHHBBBBIIH", 0, 0, flags, 0x20, 0, 0, 0 if i == 0 or i == 15 else 0xF4,
                                      0, 0, 0x20C0))
    out += record(STYLE, struct.pack("<HBB", 0x8000, 0, 0xFF))
    offsets = []
    for name, visibility, kind in sheets:
        offsets.append(len(out) + 4)
        out += record(BOUNDSHEET, struct.pack("<IBB", 0, visibility, kind) + unicode_string(name, 1))
    return out + names, offsets


def worksheet(cells, active, rows=1, columns=1):
    """A worksheet substream holding the cell records given, of so many rows and columns."""
    out = bof(0x0010) + record(DIMENSIONS, struct.pack("<IIHHH", 0, rows, 0, columns, 0)) + cells
    out += record(WINDOW2, struct.pack("<HHHHHHHI", 0x06B6 if active else 0x00B6, 0, 0, 64, 0, 0, 0, 0))
    return out + record(EOF)


def chartsheet():
    return bof(0x0020) + record(EOF)


def workbook(sheets, substreams, active=0, datemode=0, names=b""):
    """The workbook stream: globals, then each substream, the BOUNDSHEET
    offsets filled in; padded to 4096 bytes as spreadsheets keep it out of
    the mini stream."""
    head, offsets = globals_records(sheets, active, datemode, names)
    stream = bytearray(head + record(EOF))
    for at, sub in zip(offsets, substreams):
        struct.pack_into("<I", stream, at, len(stream))
        stream += sub
    return bytes(stream) + bytes(max(0, 4096 - len(stream)))


def label(row, col, text):
    return record(LABEL, struct.pack("<HHH", row, col, 15) + unicode_string(text))


def text_formula(row, col, rgce, grbit=0):
    """A FORMULA record whose last result was a text, which follows in a STRING record."""
    result = bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    return record(FORMULA, struct.pack("<HHH", row, col, 15) + result + struct.pack("<HIH", grbit, 0, len(rgce)) + rgce)


def text_token(text):
    """A formula of one text constant (ptgStr), so that a spreadsheet that
    calculates it again gets the text the STRING record holds."""
    data = bytes([0x17]) + unicode_string(text, 1)
    return struct.pack("<H", len(data)) + data


def continued(rid, data):
    """A record whose characters go on in CONTINUE records, each starting with the option byte again."""
    wide = data[2] & 1
    unit = 2 if wide else 1
    first = 3 + (MAX_DATA - 3) // unit * unit
    out = record(rid, data[:first])
    for at in range(first, len(data), (MAX_DATA - 1) // unit * unit):
        out += record(CONTINUE, bytes([wide]) + data[at:at + (MAX_DATA - 1) // unit * unit])
    return out


def compound_file(stream_name, stream):
    """An OLE2 compound document of 512-byte sectors with the one stream:
    its sectors, then the FAT, then the directory."""
    sector = 512
    stream_sectors = (len(stream) + sector - 1) // sector
    fat_sector, dir_sector = stream_sectors, stream_sectors + 1
    fat = list(range(1, stream_sectors)) + [0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFE]
    fat += [0xFFFFFFFF] * (sector // 4 - len(fat))
    assert len(fat) == sector // 4

    def entry(name, kind, child, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return (encoded.ljust(64, b"\0") + struct.pack("<HBBIII", len(encoded), kind, 1, 0xFFFFFFFF, 0xFFFFFFFF, child)
                + bytes(16) + struct.pack("<I", 0) + bytes(16) + struct.pack("<III", start, size, 0))

    directory = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry(stream_name, 2, 0xFFFFFFFF, 0, len(stream))
    directory += (bytes(64) + struct.pack("<HBBIII", 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF) + bytes(48)) * 2
    header = bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16) + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
    header += struct.pack("<IIIIIIIII", 0, 1, dir_sector, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
    header += struct.pack("<I", fat_sector) + b"\xff\xff\xff\xff" * 108
    assert len(header) == sector
    body = stream.ljust(stream_sectors * sector, b"\0")
    return header + body + struct.pack("<%dI" % len(fat), *fat) + directory


def one_sheet(cells, rows=1, columns=1, stream_name="Workbook"):
    return compound_file(stream_name, workbook([("Sheet1", 0, 0)], [worksheet(cells, True, rows, columns)]))


def formula_text_after_shared_formula():
    shared = text_formula(0, 0, bytes([0x01]) + struct.pack("<HH", 0, 0), grbit=0x0008)
    shared += record(SHRFMLA, struct.pack("<HHBBBB", 0, 0, 0, 0, 0, 1) + text_token("shared result"))
    shared += record(STRING, unicode_string("shared result"))
    array = text_formula(1, 0, bytes([0x01]) + struct.pack("<HH", 1, 0))
    array += record(ARRAY, struct.pack("<HHBBHI", 1, 1, 0, 0, 0, 0) + text_token("array result"))
    array += record(STRING, unicode_string("array result"))
    # A data table in B3 with its input cell A1.
    table = text_formula(2, 1, bytes([0x02]) + struct.pack("<HH", 2, 1))
    table += record(TABLE, struct.pack("<HHBBHHHHH", 2, 2, 1, 1, 0, 0, 0, 0, 0))
    table += record(STRING, unicode_string("table result"))
    return one_sheet(shared + array + table + label(3, 0, "after"), rows=4, columns=2)


def formula_text_continued():
    latin = "".join(chr(ord("a") + i % 26) for i in range(10000))
    wide = "".join(chr(0x4E00 + i % 500) for i in range(5000))
    cells = text_formula(0, 0, bytes([0x17, 0, 0])) + continued(STRING, unicode_string(latin))
    cells += text_formula(1, 0, bytes([0x17, 0, 0])) + continued(STRING, unicode_string(wide))
    return one_sheet(cells + label(2, 0, "after"), rows=3)


def rich_text():
    runs = struct.pack("<HHHH", 0, 0, 5, 5)
    cell = record(RSTRING, struct.pack("<HHH", 0, 0, 15) + unicode_string("Rich text") + struct.pack("<H", 2) + runs)
    return one_sheet(cell + label(1, 0, "plain"), rows=2)


def chart_sheet():
    sheets = [("Data", 0, 0), ("Chart1", 0, 2), ("Notes", 0, 0)]
    # The print area of Notes, the third sheet: a built-in name tied to it,
    # referring through EXTERNSHEET to the workbook itself.
    names = record(SUPBOOK, struct.pack("<HH", 3, 0x0401)) + record(EXTERNSHEET, struct.pack("<HHHH", 1, 0, 2, 2))
    names += record(NAME, struct.pack("<HBBHHHBBBBB", 0x0020, 0, 1, 11, 0, 3, 0, 0, 0, 0, 0) + bytes([0x06])
                    + struct.pack("<BHHHHH", 0x3B, 0, 0, 1, 0, 1))
    subs = [worksheet(label(0, 0, "data"), False), chartsheet(), worksheet(label(0, 0, "notes"), True)]
    return compound_file("Workbook", workbook(sheets, subs, active=2, names=names))


def hidden_sheets_1904():
    sheets = [("Shown", 0, 0), ("Hidden", 1, 0), ("Very hidden", 2, 0)]
    subs = [worksheet(label(0, 0, name), i == 0) for i, (name, _, _) in enumerate(sheets)]
    return compound_file("Workbook", workbook(sheets, subs, datemode=1))


FILES = {
    "formula-text-after-shared-formula.xls": formula_text_after_shared_formula,
    "formula-text-continued.xls": formula_text_continued,
    "rich-text.xls": rich_text,
    "chart-sheet.xls": chart_sheet,
    "biff8-in-book-stream.xls": lambda: one_sheet(label(0, 0, "in Book"), stream_name="Book"),
    "workbook-stream-in-capitals.xls": lambda: one_sheet(label(0, 0, "in WORKBOOK"), stream_name="WORKBOOK"),
    "workbook-stream-in-lower-case.xls": lambda: one_sheet(label(0, 0, "in workbook"), stream_name="workbook"),
    "hidden-sheets-1904.xls": hidden_sheets_1904,
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, make in FILES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(make())


if __name__ == "__main__":
    main()
