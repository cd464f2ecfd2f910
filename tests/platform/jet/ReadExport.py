"""Reads an exported file with readers that know nothing of the writers (the
csv module, html.parser, xlrd, dbfread) and prints its rows as JSON:
{"names": [...], "rows": [[cell, ...], ...]}, each cell a text or null.

Usage: ReadExport.py <csv|html|xls|dbf> <file> <engine type of each column, comma-separated>

Cells are the values as the file holds them, in one form per kind so that
the test can compare them with the stored values: numbers as written in the
file (texts) or as the reader's float (repr), booleans "True" and "False",
dates "YYYY-MM-DD HH:MM:SS", binary values as hexadecimal digits.
"""
import csv
import datetime
import json
import re
import sys
from html.parser import HTMLParser

DATE = 8
TEXT_TYPES = (10, 12, 11)  # texts, memos, and binary values written as texts


def iso(moment):
    return '%04d-%02d-%02d %02d:%02d:%02d' % (moment.year, moment.month, moment.day, moment.hour, moment.minute,
                                              moment.second)


def layer_date(text):
    """The engine's date text: "03/15/2024 14:05:09", "03/15/2024" or "14:05:09"."""
    match = re.fullmatch(r'(?:(\d+)/(\d+)/(\d+))? ?(?:(\d+):(\d+):(\d+))?', text)
    month, day, year, hour, minute, second = (int(part) if part else None for part in match.groups())
    if year is None:
        year, month, day = 1899, 12, 30
    return iso(datetime.datetime(year, month, day, hour or 0, minute or 0, second or 0))


def date_text(text):
    """A date written as text: "1850-06-15 13:14:15" or "1850-06-15"."""
    return text if len(text) == 19 else text + ' 00:00:00'


def excel_serial(serial):
    """Excel's serial numbers (1900 system), which count 29 February 1900."""
    days = int(serial // 1)
    seconds = round((serial - days) * 86400)
    if serial >= 61:
        start = datetime.datetime(1899, 12, 30)
    elif serial >= 1:
        start = datetime.datetime(1899, 12, 31)
    else:
        start = datetime.datetime(1899, 12, 30)
    return iso(start + datetime.timedelta(days=days, seconds=seconds))


def texts_read(rows, types):
    """Cells of the text formats: empty means Null except in text columns."""
    out = []
    for row in rows:
        cells = []
        for text, kind in zip(row, types):
            if kind in TEXT_TYPES:
                cells.append(text)
            elif text == '':
                cells.append(None)
            elif kind == DATE:
                cells.append(layer_date(text))
            else:
                cells.append(text)
        out.append(cells)
    return out


def read_csv(path, types):
    with open(path, newline='', encoding='utf-8') as file:
        rows = list(csv.reader(file))
    return rows[0], texts_read(rows[1:], types)


class Table(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        if tag == 'tr':
            self.rows.append([])
        elif tag in ('td', 'th'):
            self.cell = ''
        elif tag == 'br' and self.cell is not None:
            self.cell += '\r\n'

    def handle_endtag(self, tag):
        if tag in ('td', 'th'):
            self.rows[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def read_html(path, types):
    table = Table()
    with open(path, encoding='utf-8') as file:
        table.feed(file.read())
    return table.rows[0], texts_read(table.rows[1:], types)


def read_xls(path, types):
    import xlrd
    book = xlrd.open_workbook(path)
    names = None
    rows = []
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            values = []
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                kind = types[c]
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    values.append(None)
                elif cell.ctype == xlrd.XL_CELL_TEXT:
                    values.append(date_text(cell.value) if kind == DATE and r > 0 else cell.value)
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    values.append(str(bool(cell.value)))
                elif kind == DATE or cell.ctype == xlrd.XL_CELL_DATE:
                    values.append(excel_serial(cell.value))
                else:
                    values.append(repr(cell.value))
            if r == 0:
                names = names or values
            else:
                rows.append(values)
    return names, rows


def read_dbf(path, types):
    from dbfread import DBF
    from dbfread.field_parser import FieldParser

    class Raw(FieldParser):
        # Numbers as the file writes them; the others as dbfread reads them.
        def parseN(self, field, data):
            data = data.strip()
            return data.decode('ascii') if data else None

        def parseY(self, field, data):
            return str(super().parseY(field, data))

        # The length in a dBase IV memo block counts the block's 8-byte
        # header (as LibreOffice reads it too); dbfread takes it for the
        # text's alone and reads 8 bytes past the memo.
        def parseM(self, field, data):
            memo = self.get_memo(self._parse_memo_index(data))
            if memo is None:
                return None
            if self.dbversion == 0x8B:
                memo = memo[:-8]
            return self.decode_text(memo)

    table = DBF(path, parserclass=Raw, char_decode_errors='strict')
    # FoxPro 3.0 marks Nulls in its hidden _NullFlags field, one bit per
    # nullable field (flag 0x02 of the field descriptor), in field order.
    nullable = [f.name for f in table.fields if f.name != '_NullFlags' and f.reserved1 & 0x02]
    names = [f.name for f in table.fields if f.name != '_NullFlags']
    kinds = {f.name: f.type for f in table.fields}
    rows = []
    for record in table:
        flags = int.from_bytes(record.get('_NullFlags', b''), 'little')
        cells = []
        for name, kind in zip(names, types):
            value = record[name]
            if name in nullable and flags >> nullable.index(name) & 1:
                value = None
            if value is None or (value == '' and kind not in TEXT_TYPES):
                cells.append(None)
            elif isinstance(value, bool):
                cells.append(str(value))
            elif isinstance(value, datetime.datetime):
                cells.append(iso(value))
            elif isinstance(value, datetime.date):
                cells.append('%04d-%02d-%02d 00:00:00' % (value.year, value.month, value.day))
            elif isinstance(value, float):
                cells.append(repr(value))
            elif kind == DATE and kinds[name] == 'C':
                cells.append(date_text(value))
            else:
                cells.append(str(value))
        rows.append(cells)
    return names, rows


def main():
    kind, path, types = sys.argv[1], sys.argv[2], [int(t) for t in sys.argv[3].split(',')]
    readers = {'csv': read_csv, 'html': read_html, 'xls': read_xls, 'dbf': read_dbf}
    names, rows = readers[kind](path, types)
    sys.stdout.write(json.dumps({'names': names, 'rows': rows}))


main()
