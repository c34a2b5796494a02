#!/usr/bin/env python3
"""Checks kelvarin-table's workbook, as a spreadsheet reader read it, cell for
cell against the CSV tables and the JSON lines of the same files:
  workbook_cells.py DIR openpyxl
  workbook_cells.py DIR READER CELLS
DIR holds groups.csv, players.csv and groups.jsonl, and table.xlsx, which
openpyxl reads here; CELLS is every cell as READER (readxl, LibreOffice)
read it, in lines "SHEET ROW COLUMN TYPE VALUE" (see read_cells).
Every number must be the CSV's double, every text exact, an empty field an
empty cell, an infinity the text "inf", is_empath and is_driver booleans;
the diagnostics sheet must give back each file's diagnostic lines.
"""
import csv
import json
import math
import os
import sys

TEXT = {"file", "description", "status", "message", "severity"}
BOOLEAN = {"is_empath", "is_driver"}
SHEETS = ("groups", "players", "diagnostics")


def read_openpyxl(folder):
    import openpyxl  # pylint: disable=import-outside-toplevel

    book = openpyxl.load_workbook(os.path.join(folder, "table.xlsx"))
    sheets = {}
    for sheet in SHEETS:
        rows = []
        for row in book[sheet].iter_rows(values_only=True):
            cells = []
            for value in row:
                if value is None:
                    cells.append(None)
                elif isinstance(value, bool):
                    cells.append(("b", value))
                elif isinstance(value, (int, float)):
                    cells.append(("n", float(value)))
                else:
                    cells.append(("s", value))
            rows.append(cells)
        sheets[sheet] = {"rows": rows, "frozen": book[sheet].freeze_panes,
                         "filter": book[sheet].auto_filter.ref}
    return sheets


def read_cells(path):
    # Lines "SHEET ROW COLUMN TYPE VALUE", tab-separated: a number as text
    # that reads back to its double, a text as the hexadecimal of its UTF-8
    # bytes; any other type (a formula) is no cell of the table.
    sheets = {sheet: {"rows": []} for sheet in SHEETS}
    with open(path, encoding="ascii") as f:
        for line in f:
            sheet, row, column, kind, value = line.rstrip("\n").split("\t")
            rows = sheets[sheet]["rows"]
            row, column = int(row), int(column)
            while len(rows) < row:
                rows.append([])
            while len(rows[row - 1]) < column:
                rows[row - 1].append(None)
            if kind == "numeric":
                cell = ("n", float(value))
            elif kind == "logical":
                cell = ("b", value == "TRUE")
            elif kind == "text":
                cell = ("s", bytes.fromhex(value).decode("utf-8"))
            else:
                cell = None
            rows[row - 1][column - 1] = cell
    return sheets


def expected_cell(column, field):
    if field == "":
        return None
    if column in BOOLEAN:
        return ("b", field == "TRUE")
    if column in TEXT or field in ("inf", "-inf"):
        return ("s", field)
    return ("n", float(field))


def expected(folder):
    sheets = {}
    for sheet in ("groups", "players"):
        with open(os.path.join(folder, f"{sheet}.csv"), encoding="utf-8", newline="") as f:
            records = list(csv.reader(f))
        header = records[0]
        rows = [[("s", name) for name in header]]
        rows += [[expected_cell(header[i], field) for i, field in enumerate(record)]
                 for record in records[1:]]
        sheets[sheet] = rows
    return sheets


def diagnostic_lines(rows):
    """Each file's diagnostic lines, as the JSON lines write them."""
    lines = {}
    for row in rows[1:]:
        cells = [cell[1] if cell else None for cell in row + [None] * (5 - len(row))]
        file, line, column, severity, message = cells
        if line is None:
            text = message
        else:
            text = f"{file}:{int(line)}:{int(column)}: {severity}: {message}"
        lines.setdefault(file, []).append(text)
    return lines


def trimmed(row):
    row = list(row)
    while row and row[-1] is None:
        row.pop()
    return row


def same(got, want):
    if got is None or want is None:
        return got is None and want is None
    if got[0] != want[0]:
        return False
    if got[0] == "n":
        return got[1] == want[1] and not math.isnan(got[1])
    return got[1] == want[1]


def main():
    folder, reader = sys.argv[1], sys.argv[2]
    got = read_openpyxl(folder) if reader == "openpyxl" else read_cells(sys.argv[3])
    want = expected(folder)
    failures = []
    cells = 0
    for sheet in ("groups", "players"):
        rows = got[sheet]["rows"]
        if len(rows) != len(want[sheet]):
            failures.append(f"{sheet}: {len(rows)} rows, the CSV {len(want[sheet])}")
        for r, (got_row, want_row) in enumerate(zip(rows, want[sheet])):
            got_row, want_row = trimmed(got_row), trimmed(want_row)
            width = max(len(got_row), len(want_row))
            for c in range(width):
                g = got_row[c] if c < len(got_row) else None
                w = want_row[c] if c < len(want_row) else None
                cells += 1
                if not same(g, w):
                    failures.append(f"{sheet} row {r + 1} column {c + 1}: {g!r}, not {w!r}")
    with open(os.path.join(folder, "groups.jsonl"), encoding="utf-8") as f:
        want_lines = {o["file"]: o["diagnostics"] for o in map(json.loads, f) if o["diagnostics"]}
    rows = got["diagnostics"]["rows"]
    if [cell[1] if cell else None for cell in trimmed(rows[0])] != \
            ["file", "line", "column", "severity", "message"]:
        failures.append(f"diagnostics: header {rows[0]!r}")
    got_lines = diagnostic_lines(rows)
    cells += 5 * (len(rows) - 1)
    if got_lines != want_lines:
        failures.append(f"diagnostics: {got_lines!r}\nnot {want_lines!r}")
    if reader == "openpyxl":
        for sheet in SHEETS:
            if got[sheet]["frozen"] != "A2" or not got[sheet]["filter"].startswith("A1:"):
                failures.append(f"{sheet}: frozen at {got[sheet]['frozen']}, "
                                f"filter {got[sheet]['filter']}")
    for failure in failures[:20]:
        print(f"FAIL: {reader}: {failure}")
    if failures:
        sys.exit(1)
    print(f"{reader}: the workbook's {cells} cells are the CSV's and the JSON's")


main()
