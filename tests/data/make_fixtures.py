#!/usr/bin/python3
"""Makes the .xlsx fixtures of the workbook file tests with a real spreadsheet application.

Run with the system Python that has the office suite's UNO bridge (Debian: python3-uno,
libreoffice-calc-nogui):

    /usr/bin/python3 tests/data/make_fixtures.py [output folder]

The suite has no "very hidden" sheet state, cannot save chart sheets, and without a
window it saves every sheet with the cursor on A1 of the first sheet, so small edits
follow its save: one sheet state becomes veryHidden, the active sheet and cell of
sheets.xlsx are set, and in chart.xlsx the sheet that holds only a chart becomes a chart
sheet showing the same drawing. Everything else in the files is as the suite wrote it.
The tests only read the committed files.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.table import CellAddress, CellRangeAddress
from com.sun.star.awt import Rectangle

HERE = os.path.dirname(os.path.abspath(__file__))


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class Office:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="tessaly-fixtures-profile-")
        self.pipe = "tessaly_fixtures_%d" % os.getpid()
        self.process = subprocess.Popen([
            "soffice", "--headless", "--invisible", "--norestore", "--nologo",
            "-env:UserInstallation=file://" + self.profile,
            "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe,
        ])
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + 60
        while True:
            try:
                self.context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except Exception:
                if time.time() > deadline:
                    raise
                time.sleep(0.5)
        self.desktop = self.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self.context)

    def new_calc(self):
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                 (prop("Hidden", True),))

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


def save_xlsx(doc, path):
    doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                   (prop("FilterName", "Calc MS Excel 2007 XML"),))
    doc.close(True)


def sheets_named(doc, names):
    sheets = doc.Sheets
    first = sheets.ElementNames[0]
    sheets.getByName(first).Name = names[0]
    for i, name in enumerate(names[1:], start=1):
        sheets.insertNewByName(name, i)
    return [sheets.getByName(n) for n in names]


def make_properties(office, path):
    doc = office.new_calc()
    (sheet,) = sheets_named(doc, ["Sheet1"])
    sheet.getCellRangeByName("A1").String = "Name"
    sheet.getCellRangeByName("B1").String = "Amount"
    sheet.getCellRangeByName("A2").String = "Apples & pears"
    sheet.getCellRangeByName("B2").Value = 12.5
    sheet.getCellRangeByName("A3").String = "Plums"
    sheet.getCellRangeByName("B3").Value = 7
    sheet.getCellRangeByName("C5").String = "bookmarked"
    sheet.getCellRangeByName("B5").Formula = "=B2+B3"
    user = doc.DocumentProperties.UserDefinedProperties
    user.addProperty("QEL_BOOKMARK", 0, "1:$C$5;2:$B$2;")
    user.addProperty("Revision", 0, 42.0)
    user.addProperty("Checked", 0, True)
    user.addProperty("Owner", 0, "Ada")
    save_xlsx(doc, path)


def make_sheets(office, path):
    doc = office.new_calc()
    first, hidden, very, spaced = sheets_named(
        doc, ["First", "Hidden", "VeryHidden", "My Sheet"])
    first.getCellRangeByName("A1").String = "visible"
    first.getCellRangeByName("B3").Value = 3
    hidden.getCellRangeByName("A1").String = "hidden"
    very.getCellRangeByName("A1").String = "very hidden"
    spaced.getCellRangeByName("A1").String = "top"
    spaced.getCellRangeByName("B2").String = "Total"
    spaced.getCellRangeByName("C2").Value = 99
    spaced.getCellRangeByName("D4").Value = 1
    # Hidden rows 3 and 5, hidden columns C and E..F.
    spaced.Rows.getByIndex(2).IsVisible = False
    spaced.Rows.getByIndex(4).IsVisible = False
    spaced.Columns.getByIndex(2).IsVisible = False
    spaced.Columns.getByIndex(4).IsVisible = False
    spaced.Columns.getByIndex(5).IsVisible = False
    # Row 2 is 30 pt high, column B about 80 pt wide (units of 1/100 mm).
    spaced.Rows.getByIndex(1).Height = int(30 * 2540 / 72)
    spaced.Columns.getByIndex(1).Width = int(80 * 2540 / 72)
    first.protect("")
    ranges = doc.NamedRanges
    ranges.addNewByName("Total", "$'My Sheet'.$C$2", CellAddress(3, 0, 0), 0)
    ranges.addNewByName("Block", "$'My Sheet'.$B$2:$D$4", CellAddress(3, 0, 0), 0)
    ranges.addNewByName("Start", "$First.$B$3", CellAddress(0, 0, 0), 0)
    ranges.addNewByName("Formulaic", "SUM($First.$B$3:$B$4)*2", CellAddress(0, 0, 0), 0)
    first.NamedRanges.addNewByName("Local", "$First.$A$1", CellAddress(0, 0, 0), 0)
    hidden.IsVisible = False
    very.IsVisible = False
    save_xlsx(doc, path)
    rewrite_package(path, {
        "xl/workbook.xml": lambda xml: re.sub(
            r'(<sheet name="VeryHidden"[^>]*?state=")hidden"', r'\1veryHidden"',
            xml.replace('activeTab="0"', 'activeTab="3"'), count=1),
        "xl/worksheets/sheet1.xml": lambda xml: xml.replace('tabSelected="true"',
                                                            'tabSelected="false"'),
        "xl/worksheets/sheet4.xml": lambda xml: xml.replace(
            'tabSelected="false"', 'tabSelected="true"').replace(
            'activeCell="A1" activeCellId="0" sqref="A1"',
            'activeCell="D4" activeCellId="0" sqref="D4"'),
    })


def make_chart(office, path):
    doc = office.new_calc()
    chart_sheet, data = sheets_named(doc, ["Chart1", "Data"])
    for row, (label, value) in enumerate([("North", 5), ("South", 8), ("East", 3)]):
        data.getCellByPosition(0, row).String = label
        data.getCellByPosition(1, row).Value = value
    area = CellRangeAddress(1, 0, 0, 1, 2)
    chart_sheet.Charts.addNewByName("Sales", Rectangle(0, 0, 16000, 9000), (area,), False, False)
    save_xlsx(doc, path)
    to_chart_sheet(path, "Chart1")


def rewrite_package(path, edits, renames=None, drops=()):
    """Copies the package, entry by entry, applying text edits to the named parts."""
    renames = renames or {}
    temp = path + ".tmp"
    with zipfile.ZipFile(path) as src, zipfile.ZipFile(temp, "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            if info.filename in drops:
                continue
            data = src.read(info.filename)
            if info.filename in edits:
                data = edits[info.filename](data.decode("utf-8")).encode("utf-8")
            dst.writestr(renames.get(info.filename, info.filename), data,
                         compress_type=zipfile.ZIP_DEFLATED)
    os.replace(temp, path)


def to_chart_sheet(path, sheet_name):
    with zipfile.ZipFile(path) as z:
        workbook = z.read("xl/workbook.xml").decode("utf-8")
        rels = z.read("xl/_rels/workbook.xml.rels").decode("utf-8")
        rid = re.search(r'<sheet name="%s"[^>]*r:id="(rId\d+)"' % sheet_name, workbook).group(1)
        target = re.search(r'Id="%s"[^>]*Target="([^"]+)"' % rid, rels) or \
            re.search(r'Target="([^"]+)"[^>]*Id="%s"' % rid, rels)
        part = "xl/" + target.group(1)
        folder, name = part.rsplit("/", 1)
        sheet_rels = z.read(folder + "/_rels/" + name + ".rels").decode("utf-8")
        drawing_rid = re.search(r'Id="(rId\d+)"[^>]*drawing"|drawing"[^>]*Id="(rId\d+)"',
                                sheet_rels)
        drawing_rid = drawing_rid.group(1) or drawing_rid.group(2)
    chart_part = "xl/chartsheets/sheet1.xml"
    chart_xml = (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<chartsheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
        '<sheetPr/><sheetViews><sheetView zoomScale="100" workbookViewId="0"/></sheetViews>'
        '<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>'
        '<drawing r:id="%s"/></chartsheet>' % drawing_rid)
    ns = "http://schemas.openxmlformats.org/"
    edits = {
        part: lambda _: chart_xml,
        "xl/_rels/workbook.xml.rels": lambda xml: re.sub(
            r'<Relationship [^>]*Id="%s"[^>]*/>' % rid,
            '<Relationship Id="%s" Type="%sofficeDocument/2006/relationships/chartsheet" '
            'Target="chartsheets/sheet1.xml"/>' % (rid, ns), xml),
        "[Content_Types].xml": lambda xml: xml.replace(
            '<Override PartName="/%s" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.worksheet+xml"/>' % part,
            '<Override PartName="/%s" ContentType="application/vnd.openxmlformats-'
            'officedocument.spreadsheetml.chartsheet+xml"/>' % chart_part),
    }
    renames = {part: chart_part,
               folder + "/_rels/" + name + ".rels": "xl/chartsheets/_rels/sheet1.xml.rels"}
    rewrite_package(path, edits, renames)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    office = Office()
    try:
        make_properties(office, os.path.join(out, "properties.xlsx"))
        make_sheets(office, os.path.join(out, "sheets.xlsx"))
        make_chart(office, os.path.join(out, "chart.xlsx"))
    finally:
        office.close()


if __name__ == "__main__":
    main()
