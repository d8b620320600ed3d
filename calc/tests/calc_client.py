"""Drives the extension inside a headless LibreOffice Calc, as a user would: selects
cells, runs the add-in's menu commands by their command URLs, hides a row, saves.

calc_client.py PROFILE_DIR WORK_DIR SCENE

Starts one soffice with the scratch profile (where the extension is installed), runs the
scene and always ends that soffice. Exit code 0 when every check held.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.frame import XStatusListener
from com.sun.star.connection import NoConnectException

COMMAND = "vnd.tessaly.bookmarks:"
# The menu's items (the toolbar's twins carry the same Tag with _COPY).
ADD_OR_DELETE = "QEL_BOOKMARK_ADDORDEL"
NEXT = "QEL_BOOKMARK_NEXT"
PREVIOUS = "QEL_BOOKMARK_BEFOR"
CLEAR = "QEL_BOOKMARK_CLEAR"
# Each command ignores a run within 0.2 seconds of its last one (next and previous
# share theirs); the client leaves that much between any two commands.
REPEAT_GUARD = 0.25
SUCCESS = uno.getConstantByName("com.sun.star.frame.DispatchResultState.SUCCESS")

failures = []


def check(condition, what, seen=None):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition and seen is not None:
        print("     seen: %s" % (seen,))
    if not condition:
        failures.append(what)


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class Office:
    def __init__(self, profile, pipe, log):
        self.log = log
        self.process = subprocess.Popen(
            [os.environ.get("TESSALY_SOFFICE", "soffice"), "--headless",
             "--norestore", "--nologo", "--nodefault", "--nolockcheck",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
             "--accept=pipe,name=%s;urp;" % pipe],
            stdout=log, stderr=log,
            # The launcher starts the office as a child: both are ended as one group.
            start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + 60
        while True:
            try:
                self.context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except NoConnectException:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise
                time.sleep(0.25)
        smgr = self.context.ServiceManager
        self.desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", self.context)
        self.dispatcher = smgr.createInstanceWithContext("com.sun.star.frame.DispatchHelper",
                                                         self.context)
        self.last_run = 0

    def open(self, path):
        # A headless office without a window system cannot show a document's window: it
        # is loaded hidden and its frame made the active one, as opening it in front does.
        doc = self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0,
                                                (prop("Hidden", True),))
        if doc is not None:
            doc.getCurrentController().getFrame().activate()
        return doc

    def run(self, doc, tag):
        """Runs a command of the add-in in the document's frame; True when it ran."""
        wait = self.last_run + REPEAT_GUARD - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        frame = doc.getCurrentController().getFrame()
        result = self.dispatcher.executeDispatch(frame, COMMAND + tag, "", 0, ())
        self.last_run = time.monotonic()
        return result.State == SUCCESS and result.Result is True

    def end(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()


class StateRecorder(unohelper.Base, XStatusListener):
    """The states a menu or toolbar entry is sent for its command."""

    def __init__(self):
        self.enabled = None
        self.pressed = None

    def statusChanged(self, event):
        self.enabled = event.IsEnabled
        self.pressed = event.State if isinstance(event.State, bool) else None

    def disposing(self, source):
        pass


def watch(office, doc, tag):
    """Listens to the states of a command, as its menu item does."""
    transformer = office.context.ServiceManager.createInstanceWithContext(
        "com.sun.star.util.URLTransformer", office.context)
    url = uno.createUnoStruct("com.sun.star.util.URL")
    url.Complete = COMMAND + tag
    _, url = transformer.parseStrict(url)
    dispatch = doc.getCurrentController().getFrame().queryDispatch(url, "_self", 0)
    recorder = StateRecorder()
    dispatch.addStatusListener(recorder, url)
    return recorder


def select(doc, sheet_name, address):
    sheet = doc.getSheets().getByName(sheet_name)
    controller = doc.getCurrentController()
    controller.setActiveSheet(sheet)
    controller.select(sheet.getCellRangeByName(address))


def where(office):
    """The active document's file name, sheet and selected cell, as "Demo.xlsx!Sales!B3"."""
    doc = office.desktop.getCurrentComponent()
    controller = doc.getCurrentController()
    a = controller.getSelection().getRangeAddress()
    sheet = controller.getActiveSheet().getName()
    cell = doc.getSheets().getByIndex(a.Sheet).getCellByPosition(a.StartColumn, a.StartRow)
    name = cell.AbsoluteName.split(".")[-1].replace("$", "")
    return "%s!%s!%s" % (os.path.basename(uno.fileUrlToSystemPath(doc.getURL())), sheet, name)


def marks(doc, sheet_name):
    return doc.getSheets().getByName(sheet_name).getDrawPage().getCount()


def scene_bookmarks(office, work):
    demo = os.path.join(work, "Demo.xlsx")
    budget = os.path.join(work, "Budget.xlsx")
    samples = os.environ["TESSALY_SAMPLES"]
    shutil.copy(os.path.join(samples, "Demo.xlsx"), demo)
    shutil.copy(os.path.join(samples, "Budget.xlsx"), budget)

    # The add-in connects when the office starts: a workbook the tessaly program saved,
    # opened before any command has run, comes with its bookmark and its mark.
    saved_by_program = office.open(os.path.join(work, "FromTessaly.xlsx"))
    check(marks(saved_by_program, "Costs") == 1,
          "the add-in is there from the start: the tessaly program's bookmark has its mark",
          marks(saved_by_program, "Costs"))
    saved_by_program.close(True)

    doc = office.open(demo)
    check(doc is not None and doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"),
          "Demo.xlsx opens in Calc")

    # The entries' states: next is enabled once there are bookmarks, add/delete is
    # pressed while the active cell is one.
    toggle_state = watch(office, doc, ADD_OR_DELETE + "_COPY")
    next_state = watch(office, doc, NEXT)
    # The closed workbook's bookmark is dead; the next event drops it.
    select(doc, "Sales", "A1")
    check(next_state.enabled is False and toggle_state.enabled is True,
          "with no bookmark, next is disabled and add/delete enabled",
          (next_state.enabled, toggle_state.enabled))

    # Add/delete on two sheets; each bookmark gets its mark.
    select(doc, "Sales", "B3")
    check(office.run(doc, ADD_OR_DELETE) is True, "add/delete runs through its command URL")
    check(next_state.enabled is True and toggle_state.pressed is True,
          "then next is enabled and add/delete pressed on the bookmarked cell",
          (next_state.enabled, toggle_state.pressed))
    select(doc, "Sales", "B4")
    check(toggle_state.pressed is False, "a selection change off the bookmark releases it",
          toggle_state.pressed)
    select(doc, "Costs", "C5")
    office.run(doc, ADD_OR_DELETE)
    select(doc, "Sales", "D8")
    office.run(doc, ADD_OR_DELETE)
    check(marks(doc, "Sales") == 2 and marks(doc, "Costs") == 1,
          "each bookmark has its mark on its sheet (Sales 2, Costs 1)")

    # Next and previous in row order, across the two sheets, with wrap-around.
    select(doc, "Sales", "A1")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Sales!B3", "next from Sales!A1 is Sales!B3", at)
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Sales!D8", "next again is Sales!D8", at)
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Costs!C5", "next goes on to the next sheet: Costs!C5", at)
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Sales!B3", "next wraps around to Sales!B3", at)
    office.run(doc, PREVIOUS)
    at = where(office)
    check(at == "Demo.xlsx!Costs!C5", "previous wraps back to Costs!C5", at)

    # Next's shortcut key is a Calc accelerator for spreadsheets, bound to the command
    # the keyboard hook would call by name.
    key = uno.createUnoStruct("com.sun.star.awt.KeyEvent")
    key.KeyCode = uno.getConstantByName("com.sun.star.awt.Key.N")
    key.Modifiers = (uno.getConstantByName("com.sun.star.awt.KeyModifier.MOD1") |
                     uno.getConstantByName("com.sun.star.awt.KeyModifier.SHIFT"))
    shortcuts = office.context.getValueByName(
        "/singletons/com.sun.star.ui.theModuleUIConfigurationManagerSupplier"
    ).getUIConfigurationManager("com.sun.star.sheet.SpreadsheetDocument").getShortCutManager()
    bound = shortcuts.getCommandByKeyEvent(key)
    check(bound == COMMAND + "call/subCall_Next", "Ctrl+Shift+N is bound to next", bound)
    select(doc, "Sales", "B3")
    office.run(doc, "call/subCall_Next")
    at = where(office)
    check(at == "Demo.xlsx!Sales!D8", "the key's command goes from Sales!B3 to Sales!D8", at)

    # A bookmark in a hidden row is skipped.
    sales = doc.getSheets().getByName("Sales")
    sales.getRows().getByIndex(7).IsVisible = False
    select(doc, "Sales", "B3")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Costs!C5", "next skips Sales!D8 in a hidden row", at)
    sales.getRows().getByIndex(7).IsVisible = True

    # So is a bookmark on a hidden sheet.
    doc.getSheets().getByName("Costs").IsVisible = False
    select(doc, "Sales", "D8")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Sales!B3", "next skips Costs!C5 on a hidden sheet", at)
    doc.getSheets().getByName("Costs").IsVisible = True

    # On a protected sheet the bookmark is made but its mark is refused: the add-in says
    # so (a headless office writes the message to its output).
    costs = doc.getSheets().getByName("Costs")
    costs.protect("")
    select(doc, "Costs", "E2")
    office.run(doc, ADD_OR_DELETE)
    check(marks(doc, "Costs") == 1, "no mark is added on a protected sheet", marks(doc, "Costs"))
    office.log.flush()
    with open(office.log.name) as log:
        said = "The mark (for visual check) cannot Add." in log.read()
    check(said, "the add-in says the mark cannot be added")
    costs.unprotect("")
    office.run(doc, ADD_OR_DELETE)

    # A second document: navigation goes across documents.
    doc2 = office.open(budget)
    sheet2 = doc2.getSheets().getByIndex(0).getName()
    select(doc2, sheet2, "B2")
    office.run(doc2, ADD_OR_DELETE)
    doc.getCurrentController().getFrame().activate()
    select(doc, "Costs", "C5")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Budget.xlsx!%s!B2" % sheet2,
          "next from the last bookmark of Demo.xlsx goes to Budget.xlsx", at)
    office.run(doc2, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Sales!B3", "and from there wraps back to Demo.xlsx", at)
    doc2.close(True)

    # Delete: add/delete on a bookmarked cell takes it and its mark away.
    select(doc, "Sales", "D8")
    office.run(doc, ADD_OR_DELETE)
    check(marks(doc, "Sales") == 1, "deleting Sales!D8 takes its mark away")

    # Saved as .ods and as .xlsx: the bookmarks go into the file, the marks do not.
    for name, filter_name in (("Saved.ods", "calc8"), ("Saved.xlsx", "Calc MS Excel 2007 XML")):
        path = os.path.join(work, name)
        doc.storeAsURL(uno.systemPathToFileUrl(path), (prop("FilterName", filter_name),))
        check(os.path.exists(path), "saved as " + name)
    check(marks(doc, "Sales") == 0, "the marks are off after the save", marks(doc, "Sales"))
    select(doc, "Sales", "A1")
    check(marks(doc, "Sales") == 1, "the next selection change makes them again",
          marks(doc, "Sales"))
    doc.close(True)

    # Opened again, each file gives its bookmarks back.
    for name in ("Saved.xlsx", "Saved.ods"):
        doc = office.open(os.path.join(work, name))
        select(doc, "Sales", "A1")
        office.run(doc, NEXT)
        at = where(office)
        check(at == name + "!Sales!B3", name + " opens with its bookmark Sales!B3", at)
        # The toolbar's twin of the menu item runs the same command.
        office.run(doc, NEXT + "_COPY")
        at = where(office)
        check(at == name + "!Costs!C5", name + " has Costs!C5 too (through the toolbar)", at)
        check(marks(doc, "Sales") == 1 and marks(doc, "Costs") == 1,
              name + " has one mark per bookmark again", (marks(doc, "Sales"), marks(doc, "Costs")))
        doc.close(True)

    # A workbook the tessaly program saved opens in Calc with its bookmarks.
    doc = office.open(os.path.join(work, "FromTessaly.xlsx"))
    select(doc, "Sales", "A1")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "FromTessaly.xlsx!Costs!D4", "the tessaly program's bookmark Costs!D4 is there", at)

    # Delete all asks first; a headless office answers with the default button, OK.
    office.run(doc, CLEAR)
    check(marks(doc, "Costs") == 0, "delete all takes every mark away", marks(doc, "Costs"))
    select(doc, "Sales", "A1")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "FromTessaly.xlsx!Sales!A1", "after delete all, next finds nothing", at)
    doc.close(True)


SCENES = {"bookmarks": scene_bookmarks}


def main():
    profile, work, scene = sys.argv[1], sys.argv[2], sys.argv[3]
    # Stopped by a timeout, the client still ends its office.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    # What the office writes (the headless office's message boxes among it) is kept.
    log = open(os.path.join(work, "office.log"), "w")
    office = Office(profile, "tessaly_test_%d" % os.getpid(), log)
    try:
        SCENES[scene](office, work)
    except Exception as e:  # any failure of the office is a failed scene
        check(False, "the scene ran to its end (%s: %s)" % (type(e).__name__, e))
    finally:
        office.end()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
