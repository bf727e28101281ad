#!/usr/bin/env python3
"""Writes the .xlsx and .ods workbooks the zip readers' tests open, the XML
of each part written out here: python3 zip_make_files.py OUTDIR.

book.xlsx and book.ods hold the same: a hidden first sheet "Hidden", then
"Items" with texts (shared, inline, rich), numbers, a date, a date-time, a
time, a boolean, an error, a formula with its result, a formula without
one and a merged range. The other files are made to be refused."""

import os
import sys
import zipfile

OUT = sys.argv[1]

XLSX_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/hidden.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/worksheets/items.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

# The sheets' relationship ids run against their order, and their parts are
# not named sheetN.xml.
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<workbookPr/>
<bookViews><workbookView activeTab="1"/></bookViews>
<sheets>
<sheet name="Hidden" sheetId="2" state="hidden" r:id="rId7"/>
<sheet name="Items" sheetId="1" r:id="rId3"/>
</sheets>
</workbook>"""

WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/items.xml"/>
<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/hidden.xml"/>
<Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
</Relationships>"""

SHARED_STRINGS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="4" uniqueCount="4">
<si><t>Inventory ID</t></si>
<si><r><rPr><b/></rPr><t>Rich</t></r><r><t xml:space="preserve"> text &amp; more</t></r><rPh sb="0" eb="1"><t>PHONETIC</t></rPh></si>
<si><t>Hidden text</t></si>
<si><t>Merged</t></si>
</sst>"""

STYLES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="1"><numFmt numFmtId="164" formatCode="hh:mm:ss"/></numFmts>
<fonts count="2"><font><sz val="10"/><name val="Arial"/></font><font><b/><sz val="12"/><name val="Arial"/></font></fonts>
<fills count="1"><fill><patternFill patternType="none"/></fill></fills>
<borders count="1"><border/></borders>
<cellXfs count="5">
<xf numFmtId="0" fontId="0"/>
<xf numFmtId="14" fontId="0" applyNumberFormat="1"/>
<xf numFmtId="22" fontId="0" applyNumberFormat="1"/>
<xf numFmtId="164" fontId="0" applyNumberFormat="1"/>
<xf numFmtId="0" fontId="1" applyFont="1"><alignment horizontal="center"/></xf>
</cellXfs>
</styleSheet>"""

SHEET_HEAD = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">"""

HIDDEN_SHEET = SHEET_HEAD + """<sheetData><row r="1"><c r="A1" t="s"><v>2</v></c></row></sheetData></worksheet>"""

# Row 2: 46.99, a long number, a date (numFmtId 14), a date-time, a time, a
# boolean, an error, a formula with its result, a formula without one.
ITEMS_SHEET = SHEET_HEAD + """<cols><col min="1" max="2" width="20.7109375" customWidth="1"/></cols>
<sheetData>
<row r="1"><c r="A1" t="s" s="4"><v>0</v></c><c r="B1" t="inlineStr"><is><t>Inline text</t></is></c><c r="C1" t="s"><v>1</v></c></row>
<row r="2"><c r="A2"><v>46.99</v></c><c r="B2"><v>1234567890123456789</v></c><c r="C2" s="1"><v>44439</v></c><c r="D2" s="2"><v>44439.5625</v></c><c r="E2" s="3"><v>0.572916666666667</v></c><c r="F2" t="b"><v>1</v></c><c r="G2" t="e"><f>1/0</f><v>#DIV/0!</v></c><c r="H2"><f>A2*2</f><v>93.98</v></c></row>
<row r="3"><c r="A3" t="s"><v>3</v></c><c t="str"><f>"after "&amp;"A3"</f><v>after A3</v></c></row>
<row r="5"><c r="A5"><f>A2+1</f></c><c r="B5" t="d" s="2"><v>2021-08-31T13:30:00</v></c></row>
</sheetData>
<mergeCells count="1"><mergeCell ref="A4:C4"/></mergeCells>
</worksheet>"""


def write_zip(path, parts):
    with zipfile.ZipFile(os.path.join(OUT, path), "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts:
            z.writestr(name, text)


def xlsx_parts(items=ITEMS_SHEET):
    return [("[Content_Types].xml", XLSX_TYPES), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", WORKBOOK),
            ("xl/_rels/workbook.xml.rels", WORKBOOK_RELS), ("xl/sharedStrings.xml", SHARED_STRINGS),
            ("xl/styles.xml", STYLES), ("xl/worksheets/hidden.xml", HIDDEN_SHEET), ("xl/worksheets/items.xml", items)]


ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
          'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"')

ODS_MANIFEST = """<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>
<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
<manifest:file-entry manifest:full-path="settings.xml" manifest:media-type="text/xml"/>
</manifest:manifest>"""

# As LibreOffice writes it: the rows and columns after the last used one
# repeated to the end of its sheets.
ODS_ITEMS_ROWS = """<table:table-column table:style-name="co1" table:number-columns-repeated="2"/>
<table:table-column table:number-columns-repeated="16382"/>
<table:table-row><table:table-cell office:value-type="string"><text:p>Inventory ID</text:p></table:table-cell><table:table-cell office:value-type="string" office:string-value="Inline text"><text:p>ignored</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p><text:span>Rich</text:span> text <text:span>&amp;</text:span> more</text:p></table:table-cell><table:table-cell table:number-columns-repeated="16381"/></table:table-row>
<table:table-row><table:table-cell office:value-type="float" office:value="46.99"><text:p>46.99</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="1234567890123456789"/><table:table-cell office:value-type="date" office:date-value="2021-08-31"/><table:table-cell office:value-type="date" office:date-value="2021-08-31T13:30:00"/><table:table-cell office:value-type="time" office:time-value="PT13H45M00S"/><table:table-cell office:value-type="boolean" office:boolean-value="true"/><table:table-cell table:formula="of:=1/0" office:value-type="string" office:string-value="" calcext:value-type="error"><text:p>#DIV/0!</text:p></table:table-cell><table:table-cell table:formula="of:=[.A2]*2" office:value-type="float" office:value="93.98"/><table:table-cell table:number-columns-repeated="16376"/></table:table-row>
<table:table-row><table:table-cell office:value-type="string"><text:p>Merged</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>after A3</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell table:number-columns-spanned="3" table:number-rows-spanned="1"/><table:covered-table-cell table:number-columns-repeated="2"/></table:table-row>
<table:table-row><table:table-cell table:formula="of:=[.A2]+1"/><table:table-cell office:value-type="date" office:date-value="2021-08-31T13:30:00"/></table:table-row>
<table:table-row table:number-rows-repeated="2"><table:table-cell office:value-type="string" table:number-columns-repeated="2"><text:p>two  spaces<text:s text:c="2"/>kept<text:line-break/>next</text:p><text:p>line</text:p></table:table-cell></table:table-row>
<table:table-row table:number-rows-repeated="1048569"><table:table-cell table:number-columns-repeated="16384"/></table:table-row>"""


def ods_content(rows=ODS_ITEMS_ROWS):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document-content {ODS_NS} office:version="1.3">
<office:automatic-styles>
<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="1.5in"/></style:style>
<style:style style:name="ta1" style:family="table"><style:table-properties table:display="true"/></style:style>
<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="Hidden" table:style-name="ta2"><table:table-row><table:table-cell office:value-type="string"><text:p>Hidden text</text:p></table:table-cell></table:table-row></table:table>
<table:table table:name="Items" table:style-name="ta1">{rows}</table:table>
</office:spreadsheet></office:body></office:document-content>"""


# The active table, which LibreOffice would show even if hidden.
ODS_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0" office:version="1.3">
<office:settings><config:config-item-set config:name="ooo:view-settings"><config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>
<config:config-item config:name="ViewId" config:type="string">view1</config:config-item>
<config:config-item config:name="ActiveTable" config:type="string">Items</config:config-item>
</config:config-item-map-entry></config:config-item-map-indexed></config:config-item-set></office:settings>
</office:document-settings>"""


def write_ods(path, content, mimetype="application/vnd.oasis.opendocument.spreadsheet"):
    with zipfile.ZipFile(os.path.join(OUT, path), "w") as z:
        z.writestr("mimetype", mimetype, zipfile.ZIP_STORED)
        z.writestr("META-INF/manifest.xml", ODS_MANIFEST, zipfile.ZIP_DEFLATED)
        z.writestr("settings.xml", ODS_SETTINGS, zipfile.ZIP_DEFLATED)
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)


write_zip("book.xlsx", xlsx_parts())
write_ods("book.ods", ods_content())

# Refused: a cell past row 65,536; a sheet whose XML breaks off; more cells
# than the application opens; a zip that is neither format.
past = ITEMS_SHEET.replace('<row r="5">', '<row r="65537"><c r="B65537"><v>1</v></c></row><row r="65538">')
write_zip("past-last-row.xlsx", xlsx_parts(past))
write_ods("past-last-row.ods", ods_content(ODS_ITEMS_ROWS.replace('table:number-rows-repeated="2"', 'table:number-rows-repeated="65533"')))
write_zip("damaged.xlsx", xlsx_parts(ITEMS_SHEET.replace("</row>\n<row r=\"3\">", "</rov>\n<row r=\"3\">")))
write_ods("damaged.ods", ods_content().replace("</table:table-row>", "</table:table-rov>", 3))
full_row = '<table:table-row table:number-rows-repeated="16385"><table:table-cell office:value-type="float" ' \
    'office:value="1" table:number-columns-repeated="256"/></table:table-row>'
write_ods("too-many-cells.ods", ods_content(full_row))
write_zip("other.zip", [("readme.txt", "not a workbook")])
write_ods("text.odt", ods_content(), "application/vnd.oasis.opendocument.text")
