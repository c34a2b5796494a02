#!/usr/bin/env python3
"""Every cell of a workbook as LibreOffice Calc holds it, read through UNO
from one headless instance, written as tests/workbook_cells.py reads
R's: lines "SHEET ROW COLUMN TYPE VALUE", tab-separated, a number as the
shortest text of its double, a text as the hexadecimal of its UTF-8 bytes.
(Calc's own CSV and ODF exports round numbers to 15 digits; its cells hold
the whole double.)
  libreoffice_cells.py SOFFICE WORKBOOK OUT PROFILE_FOLDER
"""
import os
import subprocess
import sys
import time

import uno  # pylint: disable=import-error
from com.sun.star.beans import PropertyValue  # pylint: disable=import-error

LOGICAL = 1024  # com.sun.star.util.NumberFormat.LOGICAL
SHEETS = ("groups", "players", "diagnostics")


def connect(pipe):
    context = uno.getComponentContext()
    resolver = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", context)
    for _ in range(240):
        try:
            return resolver.resolve(
                f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except Exception:  # pylint: disable=broad-except
            time.sleep(0.25)
    raise SystemExit("LibreOffice did not answer within a minute")


def main():
    soffice, workbook, out, profile = sys.argv[1:5]
    pipe = f"kelvarin-{os.getpid()}"
    office = subprocess.Popen(
        [soffice, f"-env:UserInstallation=file://{os.path.abspath(profile)}", "--headless",
         "--invisible", "--norestore", "--nologo", f"--accept=pipe,name={pipe};urp;"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        context = connect(pipe)
        desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        hidden = PropertyValue()
        hidden.Name, hidden.Value = "Hidden", True
        document = desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(os.path.abspath(workbook)), "_blank", 0, (hidden,))
        formats = document.getNumberFormats()
        with open(out, "w", encoding="ascii") as f:
            for name in SHEETS:
                sheet = document.getSheets().getByName(name)
                cursor = sheet.createCursor()
                cursor.gotoEndOfUsedArea(False)
                end = cursor.getRangeAddress()
                for row in range(end.EndRow + 1):
                    for column in range(end.EndColumn + 1):
                        cell = sheet.getCellByPosition(column, row)
                        kind = cell.getType().value
                        if kind == "EMPTY":
                            continue
                        # Calc holds a workbook's boolean as the formula
                        # =TRUE() or =FALSE(), whose value is logical.
                        logical = formats.getByKey(cell.NumberFormat).Type & LOGICAL
                        boolean = kind == "FORMULA" and cell.getFormula() in ("=TRUE()", "=FALSE()")
                        if boolean or (kind == "VALUE" and logical):
                            line = ("logical", "TRUE" if cell.getValue() else "FALSE")
                        elif kind == "VALUE":
                            line = ("numeric", repr(cell.getValue()))
                        elif kind == "TEXT":
                            line = ("text", cell.getString().encode("utf-8").hex())
                        else:
                            line = ("formula", cell.getFormula().encode("utf-8").hex())
                        f.write(f"{name}\t{row + 1}\t{column + 1}\t{line[0]}\t{line[1]}\n")
        document.close(True)
        try:
            desktop.terminate()
        except Exception:  # pylint: disable=broad-except
            pass  # the bridge goes down with the office
        office.wait(timeout=60)
    finally:
        if office.poll() is None:
            office.kill()


main()
