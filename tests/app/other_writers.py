# Writes the workbook of items that the command-line test imports as other
# programs leave them: xlwt's Excel 97-2003 workbook, with a date, a date and
# time, TRUE and FALSE, an error, a long number and (with "formulas") two
# formulas, which xlwt saves without their results.
#   other_writers.py OUT.xls values|formulas [hidden]
# "hidden" puts a hidden sheet with items of its own before the one shown.
import sys, datetime, xlwt
formulas = sys.argv[2] == 'formulas'
wb = xlwt.Workbook()
if 'hidden' in sys.argv[3:]:
    old = wb.add_sheet('Old')
    old.write(0, 0, 'Inventory ID')
    old.write(1, 0, 'stale')
    old.visibility = 1
ws = wb.add_sheet('Stock')
ws.write_merge(0, 0, 0, 5, 'Inventory List')
for c, caption in enumerate(['Name', 'Inventory ID', 'Unit Price', 'Discontinued?', 'Description', 'Reorder Level']):
    ws.write(1, c, caption)
date = xlwt.easyxf(num_format_str='YYYY-MM-DD')
stamp = xlwt.easyxf(num_format_str='YYYY-MM-DD HH:MM')
ws.write(2, 0, 'Bolt')
ws.write(2, 1, 1234567890123456789)
ws.write(2, 2, 46.99)
ws.write(2, 3, True)
ws.write(2, 4, datetime.date(2021, 8, 31), date)
ws.row(2).set_cell_error(5, '#DIV/0!')
ws.write(3, 0, 'Nut')
ws.write(3, 1, 8)
ws.write(3, 3, False)
ws.write(3, 4, datetime.datetime(2021, 8, 31, 13, 45), stamp)
if formulas:
    ws.write(3, 2, xlwt.Formula('0.1+0.2'))
    ws.write(3, 5, xlwt.Formula('1/3'))
else:
    ws.write(3, 2, 0.1 + 0.2)
    ws.write(3, 5, 1 / 3)
wb.save(sys.argv[1])
