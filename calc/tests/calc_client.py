"""Drives the extension inside a headless LibreOffice Calc, as a user would: selects
cells, runs the add-in's menu commands by their command URLs, hides a row, saves.

calc_client.py PROFILE_DIR WORK_DIR SCENE

Starts one soffice with the scratch profile (where the extension is installed), runs the
scene and always ends that soffice. Exit code 0 when every check held. The scene "scenes"
runs each navigation scene of the table that TESSALY_SCENES names, the one the simulated
host runs too (tests/navigation_scenes_test.cpp), and names each scene that fails.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.awt import XCallback
from com.sun.star.frame import XStatusListener
from com.sun.star.connection import NoConnectException

COMMAND = "vnd.tessaly.bookmarks:"
# The menu's items (the toolbar's twins carry the same Tag with _COPY).
ADD_OR_DELETE = "QEL_BOOKMARK_ADDORDEL"
NEXT = "QEL_BOOKMARK_NEXT"
PREVIOUS = "QEL_BOOKMARK_BEFOR"
CLEAR = "QEL_BOOKMARK_CLEAR"
LIST = "QEL_BOOKMARK_LIST"
SETTING = "QEL_BOOKMARK_SETTING"
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
    def __init__(self, profile, pipe, log, keep_windows=False):
        self.log = log
        env = dict(os.environ)
        if keep_windows:
            # The add-in's windows stay up in the headless office for the client to drive.
            env["TESSALY_CALC_KEEP_WINDOWS"] = "1"
        self.process = subprocess.Popen(
            [os.environ.get("TESSALY_SOFFICE", "soffice"), "--headless",
             "--norestore", "--nologo", "--nodefault", "--nolockcheck",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
             "--accept=pipe,name=%s;urp;" % pipe],
            stdout=log, stderr=log, env=env,
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
        self.callbacks = smgr.createInstanceWithContext("com.sun.star.awt.AsyncCallback",
                                                        self.context)
        self.toolkit = smgr.createInstanceWithContext("com.sun.star.awt.Toolkit", self.context)

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

    def start(self, doc, tag):
        """Starts a command without waiting for it: one that shows a window returns only
        when the window has closed."""
        wait = self.last_run + REPEAT_GUARD - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        transformer = self.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.util.URLTransformer", self.context)
        url = uno.createUnoStruct("com.sun.star.util.URL")
        url.Complete = COMMAND + tag
        _, url = transformer.parseStrict(url)
        frame = doc.getCurrentController().getFrame()
        frame.queryDispatch(url, "_self", 0).dispatch(url, ())
        self.last_run = time.monotonic()

    def on_main(self, work, timeout=20):
        """Runs work(), which calls into the office, on the office's main thread and returns
        its result. While one of the add-in's windows is up the main thread does not let
        other threads in; a callback it runs can act on the window, and the calls work
        makes come back to it over the bridge."""
        call = MainThreadCall(work)
        self.callbacks.addCallback(call, None)
        if not call.done.wait(timeout):
            raise TimeoutError("the office's main thread did not run the call")
        if call.error is not None:
            raise call.error
        return call.result

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


class MainThreadCall(unohelper.Base, XCallback):
    def __init__(self, work):
        self.work = work
        self.done = threading.Event()
        self.result = None
        self.error = None

    def notify(self, data):
        try:
            self.result = self.work()
        except Exception as e:  # handed to the waiting caller
            self.error = e
        finally:
            self.done.set()


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
    url = doc.getURL()
    # A document never saved is named by its title ("Untitled 1").
    book = os.path.basename(uno.fileUrlToSystemPath(url)) if url else doc.getTitle()
    return "%s!%s!%s" % (book, sheet, name)


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

    # An English office: the add-in's menu and toolbar carry the core's English captions,
    # as the tessaly program shows them.
    locale = ui_locale(office)
    check(locale.startswith("en"), "the office's UI language is English", locale)
    english = program_texts(work, "England")
    check_bars(doc, english, "English")

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

    # A shortcut changed in the settings is bound after the next command, the old key
    # given back (the settings window writes the same file).
    settings = os.path.join(os.environ["TESSALY_CONFIG_DIR"], "settings.ini")
    with open(settings) as f:
        kept = f.read()
    with open(settings + ".new", "w") as f:
        f.write(kept.replace("key2_2=N", "key2_2=M"))
    os.replace(settings + ".new", settings)
    office.run(doc, "call/subCall_Befor")

    def command_of(code):
        key.KeyCode = uno.getConstantByName("com.sun.star.awt.Key." + code)
        try:
            return shortcuts.getCommandByKeyEvent(key)
        except Exception:
            return ""

    check(command_of("M") == COMMAND + "call/subCall_Next", "the changed key Ctrl+Shift+M is bound",
          command_of("M"))
    check(not command_of("N").startswith(COMMAND), "Ctrl+Shift+N is given back", command_of("N"))
    with open(settings + ".new", "w") as f:
        f.write(kept)
    os.replace(settings + ".new", settings)

    # A bookmark in a hidden row is skipped.
    sales = doc.getSheets().getByName("Sales")
    sales.getRows().getByIndex(7).IsVisible = False
    select(doc, "Sales", "B3")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Costs!C5", "next skips Sales!D8 in a hidden row", at)
    sales.getRows().getByIndex(7).IsVisible = True

    # So is one in a row a filter hides: a standard filter on a column of its own keeps the
    # rows that say "yes", and row 8 says "no".
    column = sales.getCellRangeByName("Z1:Z10")
    column.setDataArray((("Keep",),) + tuple(("no",) if row == 8 else ("yes",)
                                             for row in range(2, 11)))
    descriptor = column.createFilterDescriptor(True)
    field = uno.createUnoStruct("com.sun.star.sheet.TableFilterField")
    field.Field = 0
    field.Operator = uno.Enum("com.sun.star.sheet.FilterOperator", "EQUAL")
    field.IsNumeric = False
    field.StringValue = "yes"
    descriptor.setFilterFields((field,))
    descriptor.ContainsHeader = True
    column.filter(descriptor)
    row8 = sales.getRows().getByIndex(7)
    check(row8.IsFiltered and not row8.IsVisible, "the filter hides row 8",
          (row8.IsFiltered, row8.IsVisible))
    select(doc, "Sales", "B3")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "Demo.xlsx!Costs!C5", "next skips Sales!D8 in a filtered row", at)
    column.filter(column.createFilterDescriptor(True))  # no condition: every row back
    column.clearContents(uno.getConstantByName("com.sun.star.sheet.CellFlags.STRING"))
    check(sales.getRows().getByIndex(7).IsVisible, "without the filter row 8 is back")

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

    # A new document (File > New): the add-in follows it as it follows an opened one.
    new = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                              (prop("Hidden", True),))
    new.getCurrentController().getFrame().activate()
    new_toggle = watch(office, new, ADD_OR_DELETE)
    first = new.getSheets().getByIndex(0).getName()
    select(new, first, "C3")
    check(office.run(new, ADD_OR_DELETE) and new_toggle.pressed is True,
          "add/delete makes a bookmark in a new document", new_toggle.pressed)
    check(marks(new, first) == 1, "with its mark", marks(new, first))
    select(new, first, "A1")
    check(new_toggle.pressed is False, "and the new document's selection changes are followed",
          new_toggle.pressed)
    office.run(new, NEXT)
    at = where(office)
    check(at.endswith("!%s!C3" % first) and at.startswith("Untitled"),
          "next in the new document reaches its bookmark", at)
    new.close(True)
    doc.getCurrentController().getFrame().activate()

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

    # Delete all asks first; a headless office answers with the default button, OK, and
    # writes the question to its output as "caption: text".
    office.run(doc, CLEAR)
    caption, question = english["messages"][-1]
    office.log.flush()
    with open(office.log.name, encoding="utf-8") as log:
        asked = "%s: %s" % (caption, question) in log.read()
    check(asked, "delete all asks first: %s" % question)
    check(marks(doc, "Costs") == 0, "delete all takes every mark away", marks(doc, "Costs"))
    select(doc, "Sales", "A1")
    office.run(doc, NEXT)
    at = where(office)
    check(at == "FromTessaly.xlsx!Sales!A1", "after delete all, next finds nothing", at)
    doc.close(True)


# ---- The navigation scenes shared with the simulated host ----------------------------

# The words after each keyword of the table (open: that many or more).
SCENE_ARITY = {"open": 2, "bookmark": 3, "hide-row": 3, "hide-column": 3, "hide-sheet": 2,
               "vector": 1, "select": 3, "next": 3, "previous": 3}
FILTERS = {".xlsx": "Calc MS Excel 2007 XML", ".ods": "calc8"}


def read_scenes(path):
    """[(name, [(line number, words)...])...] of the table; a ValueError names its fault."""
    scenes = []
    with open(path, encoding="utf-8") as table:
        for number, text in enumerate(table, 1):
            words = text.split()
            if not words or words[0].startswith("#"):
                continue
            where = "%s:%d: " % (path, number)
            if words[0] == "scene":
                if len(words) != 2 or not words[1].replace("_", "").isalnum() or \
                        words[1] in (name for name, _ in scenes):
                    raise ValueError(where + "a scene needs one name of its own")
                scenes.append((words[1], []))
                continue
            if not scenes:
                raise ValueError(where + "no scene started")
            wanted = SCENE_ARITY.get(words[0])
            if wanted is None:
                raise ValueError(where + 'unknown keyword "%s"' % words[0])
            given = len(words) - 1
            if given < wanted if words[0] == "open" else given != wanted:
                raise ValueError(where + '"%s" takes %d words' % (words[0], wanted))
            if words[0] == "hide-row" and not words[3].isdigit():
                raise ValueError(where + "a row is a number")
            if words[0] == "hide-column" and not words[3].isalpha():
                raise ValueError(where + "a column is letters")
            if words[0] == "vector" and words[1] not in ("ROW", "COLUMN"):
                raise ValueError(where + "vector is ROW or COLUMN")
            scenes[-1][1].append((number, words))
    if not scenes:
        raise ValueError(path + " has no scene")
    for name, lines in scenes:
        keywords = [words[0] for _, words in lines]
        # The order is always written out: a host's default must not decide a scene.
        if "vector" not in keywords:
            raise ValueError("%s: scene %s has no vector line" % (path, name))
        if "next" not in keywords and "previous" not in keywords:
            raise ValueError("%s: scene %s has no step" % (path, name))
    return scenes


def column_index(letters):
    n = 0
    for c in letters.upper():
        n = n * 26 + ord(c) - ord("A") + 1
    return n - 1


def write_settings(vector=None):
    """The add-in's settings for a scene, marks off (the simulated host's scenes have them
    off too); the add-in reads the file again once it changes."""
    path = os.path.join(os.environ["TESSALY_CONFIG_DIR"], "settings.ini")
    with open(path + ".new", "w") as f:
        f.write("[QEL_BOOKMARK_VEROZARA\\Setting]\nMark=FALSE\n")
        if vector:
            f.write("Vector=%s\n" % vector)
    os.replace(path + ".new", path)


def make_workbook(office, path, sheets):
    """A file of those sheets, made by Calc and closed again, so that it is opened as a user
    opens one."""
    doc = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                              (prop("Hidden", True),))
    all_sheets = doc.getSheets()
    for i, name in enumerate(sheets):
        if i < all_sheets.getCount():
            all_sheets.getByIndex(i).setName(name)
        else:
            all_sheets.insertNewByName(name, i)
    while all_sheets.getCount() > len(sheets):
        all_sheets.removeByName(all_sheets.getByIndex(len(sheets)).getName())
    doc.storeToURL(uno.systemPathToFileUrl(path),
                   (prop("FilterName", FILTERS[os.path.splitext(path)[1]]),))
    doc.close(True)


def run_scene(office, folder, lines, docs):
    """Runs one scene's lines and returns what went wrong; the caller names the scene."""
    seen = []
    toggles = {}
    for number, words in lines:
        what, args = words[0], words[1:]
        if what == "open":
            path = os.path.join(folder, args[0])
            make_workbook(office, path, args[1:])
            docs[args[0]] = office.open(path)
            toggles[args[0]] = watch(office, docs[args[0]], ADD_OR_DELETE)
        elif what == "vector":
            write_settings(args[0])
        elif what in ("bookmark", "select"):
            doc = docs[args[0]]
            doc.getCurrentController().getFrame().activate()
            select(doc, args[1], args[2])
            if what == "bookmark":
                office.run(doc, ADD_OR_DELETE)
                # Pressed: the cell is a bookmark now. A step that skips it proves nothing
                # otherwise.
                if toggles[args[0]].pressed is not True:
                    seen.append("line %d: %s did not become a bookmark" % (number, "!".join(args)))
        elif what.startswith("hide-"):
            sheet = docs[args[0]].getSheets().getByName(args[1])
            if what == "hide-row":
                sheet.getRows().getByIndex(int(args[2]) - 1).IsVisible = False
            elif what == "hide-column":
                sheet.getColumns().getByIndex(column_index(args[2])).IsVisible = False
            else:
                sheet.IsVisible = False
        else:
            office.run(office.desktop.getCurrentComponent(), NEXT if what == "next" else PREVIOUS)
            at = where(office)
            expected = "!".join(args)
            if at != expected:
                seen.append("line %d: %s should reach %s, reached %s"
                            % (number, what, expected, at))
    return seen


def scene_table(office, work):
    scenes = read_scenes(os.environ["TESSALY_SCENES"])
    for name, lines in scenes:
        folder = os.path.join(work, name)
        os.mkdir(folder)
        docs = {}
        write_settings()
        try:
            wrong = run_scene(office, folder, lines, docs)
        except Exception as e:  # the office refused something: the scene fails, the rest run
            wrong = ["stopped (%s: %s)" % (type(e).__name__, e)]
        for doc in docs.values():
            try:
                doc.close(True)
            except Exception as e:
                wrong.append("%s did not close (%s)" % (doc.getURL(), e))
        check(not wrong, "scene " + name, "; ".join(wrong))


# Accessible roles (css.accessibility.AccessibleRole) and states the scene looks for.
ROLE_CHECK_BOX = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.CHECK_BOX")
ROLE_PUSH_BUTTON = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.PUSH_BUTTON")
ROLE_LABEL = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.LABEL")
ROLE_RADIO_BUTTON = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.RADIO_BUTTON")
ROLE_TREE = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.TREE")
STATE_CHECKED = uno.getConstantByName("com.sun.star.accessibility.AccessibleStateType.CHECKED")
STATE_ENABLED = uno.getConstantByName("com.sun.star.accessibility.AccessibleStateType.ENABLED")


def top_window(office, title):
    """The accessible context of the office's top window with that title, or None."""
    for i in range(office.toolkit.getTopWindowCount()):
        window = office.toolkit.getTopWindow(i)
        context = window.getAccessibleContext()
        if context is not None and context.getAccessibleName() == title:
            return context
    return None


def children(context):
    return [context.getAccessibleChild(i).getAccessibleContext()
            for i in range(context.getAccessibleChildCount())]


def find(context, role, name=None):
    """The first accessible of that role (and name) under context, depth first."""
    for child in children(context):
        if child.getAccessibleRole() == role and (name is None or
                                                  child.getAccessibleName() == name):
            return child
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def has_state(context, state):
    return context.getAccessibleStateSet().contains(state)


def tree_entries(context, depth=0):
    """The tree's entries as (depth, text, accessible, parent), in the order shown."""
    entries = []
    for child in children(context):
        entries.append((depth, child.getAccessibleName(), child, context))
        entries.extend(tree_entries(child, depth + 1))
    return entries


def wait_window(office, title, present=True, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        shown = office.on_main(lambda: top_window(office, title) is not None)
        if shown == present:
            return True
        time.sleep(0.2)
    return False


def press(office, title, button):
    """Presses the window's button as a click would; False when it is not there."""
    def work():
        window = top_window(office, title)
        found = window is not None and find(window, ROLE_PUSH_BUTTON, button)
        if not found:
            return False
        found.doAccessibleAction(0)
        return True
    return office.on_main(work)


def read_bmp(data):
    """A 24-bit Windows bitmap file as (width, height, rows of (r, g, b)), top row first."""
    data = bytes(data)
    if data[:2] != b"BM" or int.from_bytes(data[28:30], "little") != 24:
        return None
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    start = int.from_bytes(data[10:14], "little")
    stride = (width * 3 + 3) & ~3
    rows = [[(data[start + y * stride + x * 3 + 2], data[start + y * stride + x * 3 + 1],
              data[start + y * stride + x * 3]) for x in range(width)]
            for y in range(abs(height))]
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


def tree_pictures(office):
    """The tree's pictures as the installed extension holds them, by file name, read from
    the package's folder (css.deployment.PackageInformationProvider); None for a file that
    is no 24-bit bitmap."""
    provider = office.context.getValueByName(
        "/singletons/com.sun.star.deployment.PackageInformationProvider")
    root = uno.fileUrlToSystemPath(provider.getPackageLocation("org.tessaly.bookmarks"))
    folder = os.path.join(root, "icons")
    pictures = {}
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        with open(os.path.join(folder, name), "rb") as f:
            pictures[name] = read_bmp(f.read())
    return pictures


def read_settings():
    with open(os.path.join(os.environ["TESSALY_CONFIG_DIR"], "settings.ini")) as f:
        return f.read()


def scene_dialogs(office, work):
    """The list and settings windows as dialogs in Calc, driven through what the office
    offers assistive tools: each dialog is found among the office's top windows by its
    caption, read, and its controls used; every action goes through the add-in's window
    model, and what the model decides reaches Calc and the settings file."""
    write_settings()
    path = os.path.join(work, "Marks.ods")
    make_workbook(office, path, ["North", "South"])
    doc = office.open(path)
    select(doc, "North", "B3")
    office.run(doc, ADD_OR_DELETE)
    select(doc, "South", "C5")
    office.run(doc, ADD_OR_DELETE)
    select(doc, "North", "A1")
    # Named cells: one name of the document's, one of a sheet's own.
    origin = uno.createUnoStruct("com.sun.star.table.CellAddress", 0, 0, 0)
    doc.NamedRanges.addNewByName("Total", "$South.$C$5", origin, 0)
    doc.getSheets().getByName("North").NamedRanges.addNewByName("Start", "$North.$B$3", origin, 0)
    # The sheet's own name comes first, as the other host lists it.
    doc.NamedRanges.addNewByName("Begin", "$North.$B$3", origin, 0)

    # The list: workbook, sheets, cells, as the model built its tree.
    office.start(doc, LIST)
    list_title = "Bookmark List"
    check(wait_window(office, list_title), "the list command shows the list as a dialog")

    def read_list():
        window = top_window(office, list_title)
        tree = find(window, ROLE_TREE)
        goto = find(window, ROLE_PUSH_BUTTON, "Goto")
        size = window.getSize()
        return ([(d, text) for d, text, _, _ in tree_entries(tree)],
                has_state(goto, STATE_ENABLED),
                sorted(c.getAccessibleName() for c in children(window)
                       if c.getAccessibleRole() == ROLE_PUSH_BUTTON),
                (size.Width, size.Height))
    entries, goto_enabled, buttons, size = office.on_main(read_list)
    # The model's client area is 7200 by 4740 twips: 480 by 316 pixels at 96 dots an
    # inch, less what rounding to the dialog's units loses.
    check(abs(size[0] - 480) <= 8 and abs(size[1] - 316) <= 8,
          "the dialog has the model's size, converted from twips", size)
    check(entries == [(0, "Marks.ods"), (1, "North"), (2, "B3 ( North!Start )"), (1, "South"),
                      (2, "C5 ( Total )")],
          "its tree lists the workbook, its two sheets and their bookmarks with their names "
          "(the sheet's own and the document's), expanded", entries)
    check(buttons == ["Close", "Goto", "Goto and Close"],
          "its buttons carry the model's captions", buttons)
    check(not goto_enabled, "Goto is disabled while no cell entry is picked")

    # The tree's pictures: the list's image list, one file a picture in the installed
    # extension, under the names the dialog gives its book (1), sheet (2) and cell (3)
    # nodes, each a 12 by 12 picture of its own, and each loaded by the office from the
    # URL the tree is handed (tests/dialog_layout_test.cpp checks the nodes' URLs).
    pictures = tree_pictures(office)
    names = ["frmJump-imlIcon-%d.bmp" % key for key in (1, 2, 3)]
    check(sorted(pictures) == names,
          "the installed extension holds the list's three tree pictures", sorted(pictures))
    shapes = [(p[0], p[1]) if p else None for p in pictures.values()]
    distinct = {repr(p[2]) for p in pictures.values() if p}
    check(shapes == [(12, 12)] * 3 and len(distinct) == 3,
          "they are three different 12 by 12 pictures", shapes)

    def load():
        provider = office.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.graphic.GraphicProvider", office.context)
        sizes = []
        for name in names:
            url = "vnd.sun.star.extension://org.tessaly.bookmarks/icons/" + name
            graphic = provider.queryGraphic((prop("URL", url),))
            sizes.append((graphic.SizePixel.Width, graphic.SizePixel.Height) if graphic else None)
        return sizes
    loaded = office.on_main(load)
    check(loaded == [(12, 12)] * 3,
          "the office loads each from the URL the tree's nodes carry", loaded)

    # Picking a cell entry is the tree's node click: the model enables Goto.
    def pick(text):
        def work():
            tree = find(top_window(office, list_title), ROLE_TREE)
            for _, shown, entry, parent in tree_entries(tree):
                if shown == text:
                    parent.selectAccessibleChild(entry.getAccessibleIndexInParent())
                    goto = find(top_window(office, list_title), ROLE_PUSH_BUTTON, "Goto")
                    return has_state(goto, STATE_ENABLED)
            return None
        return office.on_main(work)
    check(pick("South") is False, "picking a sheet entry leaves Goto disabled")
    check(pick("C5 ( Total )") is True,
          "picking the cell entry C5 enables Goto, as the model decides")
    check(press(office, list_title, "Goto"), "Goto can be pressed")
    at = office.on_main(lambda: where(office))
    check(at == "Marks.ods!South!C5", "Goto jumps to South!C5 while the list stays open", at)
    check(office.on_main(lambda: top_window(office, list_title) is not None),
          "the list is still up after Goto")
    check(press(office, list_title, "Close"), "Close can be pressed")
    check(wait_window(office, list_title, present=False), "Close closes the list")
    check("[FormJump]" in read_settings().replace("QEL_BOOKMARK_VEROZARA\\", ""),
          "closing it saved the list's place", read_settings())

    # The office asked to end while the list is up: it may not end under the add-in's
    # window, and the window closes as by its close box; the office goes on.
    office.start(doc, LIST)
    check(wait_window(office, list_title), "the list shows again")
    ended = office.on_main(lambda: office.desktop.terminate())
    check(ended is False, "the office is kept from ending while the list is up", ended)
    check(wait_window(office, list_title, present=False), "and the request closes the list")
    select(doc, "South", "A1")
    check(office.run(doc, NEXT) and where(office) == "Marks.ods!South!C5",
          "the office and the add-in go on", where(office))

    # The settings: Cancel keeps the file as it was, whatever was changed.
    setting_title = "Setting for bookmark"
    before = read_settings()
    office.start(doc, SETTING)
    check(wait_window(office, setting_title), "the settings command shows its dialog")

    confirm_box = "Confirm when delete all bookmarks."

    def use(role, name):
        """Uses the settings dialog's control as a click would: its state before and after,
        or None when it is not there."""
        def work():
            window = top_window(office, setting_title)
            control = window is not None and find(window, role, name)
            if not control:
                return None
            was = has_state(control, STATE_CHECKED)
            control.doAccessibleAction(0)
            return was, has_state(control, STATE_CHECKED)
        return office.on_main(work)

    def labels():
        window = top_window(office, setting_title)
        found = []

        def walk(context):
            for child in children(context):
                if child.getAccessibleRole() == ROLE_LABEL:
                    found.append(child.getAccessibleName())
                walk(child)
        walk(window)
        return found
    shown = office.on_main(labels)
    check("Version : 1.00  Update : Jun 23, 2006" in shown,
          "its labels carry what the model set as it loaded", shown)
    toggled = use(ROLE_CHECK_BOX, confirm_box)
    check(toggled is not None and toggled[0] != toggled[1],
          "the delete-all confirmation box toggles", toggled)
    check(press(office, setting_title, "Cancel"), "Cancel can be pressed")
    check(wait_window(office, setting_title, present=False), "Cancel closes the settings")
    check(read_settings() == before, "Cancel wrote nothing", (before, read_settings()))

    # OK writes what the dialog shows: the toggled box, the option picked, the rest.
    office.start(doc, SETTING)
    check(wait_window(office, setting_title), "the settings dialog opens again")
    toggled = use(ROLE_CHECK_BOX, confirm_box)
    column = use(ROLE_RADIO_BUTTON, "Column")
    check(column == (False, True), "the column order option can be picked", column)
    row = office.on_main(lambda: has_state(find(top_window(office, setting_title),
                                                ROLE_RADIO_BUTTON, "Row"), STATE_CHECKED))
    check(row is False, "picking column clears row, its group's other option")
    check(press(office, setting_title, "OK"), "OK can be pressed")
    check(wait_window(office, setting_title, present=False), "OK closes the settings")
    after = read_settings()
    confirm = "Confirm=%d" % (1 if toggled and toggled[1] else 0)
    check(confirm in after and "Vector=COLUMN" in after and "SaveMark=" in after,
          "OK wrote the settings as the dialog showed them (%s, Vector=COLUMN)" % confirm,
          after)

    # A second window of the document, as Window > New Window makes one: a frame of its
    # own with a new view of the same document.
    second = new_view(office, doc)
    office.start(doc, LIST)
    check(wait_window(office, list_title), "the list shows with two windows of the document")
    books = office.on_main(lambda: [text for depth, text, _, _ in
                                    tree_entries(find(top_window(office, list_title), ROLE_TREE))
                                    if depth == 0])
    check(books == ["Marks.ods"], "it lists the document once", books)
    press(office, list_title, "Close")
    check(wait_window(office, list_title, present=False), "and closes")
    in_second = watch(office, doc, ADD_OR_DELETE)
    select(doc, "South", "A1")
    pressed_off = in_second.pressed
    select(doc, "South", "C5")
    check((pressed_off, in_second.pressed) == (False, True),
          "a selection in the second window is followed", (pressed_off, in_second.pressed))
    second.getFrame().close(True)
    check(doc.getCurrentController() is not None, "closing it leaves the first window")
    # The window left gets the focus, as a window manager gives it.
    doc.getCurrentController().getFrame().activate()
    in_first = watch(office, doc, ADD_OR_DELETE)
    select(doc, "North", "B3")
    pressed_on = in_first.pressed
    select(doc, "North", "A1")
    check((pressed_on, in_first.pressed) == (True, False),
          "the first window's selection is still followed once the second has closed",
          (pressed_on, in_first.pressed))
    doc.close(True)


def new_view(office, doc):
    """A second view of the document in a frame of its own, made by the office's loader as
    Window > New Window makes one (the headless office cannot run that command on a hidden
    document); the new view becomes the document's current one."""
    first = doc.getCurrentController()
    office.desktop.loadComponentFromURL("private:object", "_blank", 0,
                                        (prop("Model", doc), prop("Hidden", True)))
    view = doc.getCurrentController()
    views = doc.getControllers()
    count = 0
    while views.hasMoreElements():
        views.nextElement()
        count += 1
    check(count == 2 and view != first, "the document has a second view of its own",
          (count, view == first))
    view.getFrame().activate()
    return view


ROLE_MENU = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.MENU")
ROLE_MENU_BAR = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.MENU_BAR")
ROLE_SEPARATOR = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.SEPARATOR")
ROLE_TOOL_BAR = uno.getConstantByName("com.sun.star.accessibility.AccessibleRole.TOOL_BAR")


def program_texts(work, country):
    """What the tessaly program, the same core in its simulated host, shows under that
    country: the menu's and the toolbar's entries as (depth, caption, begins a group), the
    toolbar's name, the list window's title and buttons, and the message box that refuses
    a mark on a protected sheet (caption, first line). The office is compared with
    these, so the texts expected are the string table's, with no copy of them here. Then
    the question delete all asks: "messages" holds both boxes."""
    folder = os.path.join(work, "program-" + country)
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(os.environ["TESSALY_SAMPLES"], "Demo.xlsx"), folder)
    script = ("open Demo.xlsx\nselect Sales!B3\nclick toggle\nshow controls\nclick list\n"
              "sheet protect Costs\nselect Costs!C5\nclick toggle\nanswer ok\nclick clear\n")
    # Its own settings file: closing the list writes to it.
    env = dict(os.environ, TESSALY_CONFIG_DIR=folder)
    out = subprocess.run([os.environ["TESSALY_PROGRAM"], "run", "--country", country, "-"],
                         input=script, capture_output=True, text=True, cwd=folder, env=env,
                         check=True).stdout
    texts = {"menu": [], "toolbar": [], "toolbar name": None, "title": None, "buttons": [],
             "messages": []}
    into = None
    for line in out.splitlines():
        bar = re.match(r'  (menu bar|toolbar) "(.*)":$', line)
        window = re.match(r'  window "(.*)" opens:$', line)
        box = re.match(r'  message box "(.*)" \(.*\):$', line)
        if box:
            into = None
            texts["messages"].append([box.group(1)])
        elif texts["messages"] and len(texts["messages"][-1]) == 1:
            texts["messages"][-1].append(line.strip())
        elif bar:
            into = texts["menu" if bar.group(1) == "menu bar" else "toolbar"]
            if bar.group(1) == "toolbar":
                texts["toolbar name"] = bar.group(2)
        elif window:
            into = None
            texts["title"] = window.group(1)
        elif texts["title"] and not texts["messages"] and line.startswith("    <"):
            texts["buttons"].append(re.match(r"    <(.*)>", line).group(1))
        elif into is not None and line.startswith("    "):
            # "    " then two spaces a level, "- " for a group's start, then the caption,
            # then " >" for a submenu or two spaces and what the entry shows.
            entry = re.match(r"    ((?:  )*)(- )?(.*?)(?: >|  [\[(].*)?$", line)
            into.append((len(entry.group(1)) // 2, entry.group(3), entry.group(2) is not None))
        else:
            into = None
    return texts


def as_shown(caption, toolbar=False):
    """A caption as the office's accessibility names it: the mnemonic's "&" (the office's
    "~") is gone; a toolbar button drops a trailing "(&X)", the Japanese form, altogether."""
    if toolbar:
        caption = re.sub(r"\(&[^&]\)$", "", caption)
    return re.sub(r"&(.)", r"\1", caption)


def accessible_entries(context, depth=0):
    """A menu's or toolbar's entries as (depth, name, begins a group): a separator marks
    the entry after it."""
    entries = []
    group = False
    for child in children(context):
        if child.getAccessibleRole() == ROLE_SEPARATOR:
            group = True
            continue
        entries.append((depth, child.getAccessibleName(), group))
        group = False
        if child.getAccessibleRole() == ROLE_MENU:
            entries.extend(accessible_entries(child, depth + 1))
    return entries


def office_bars(doc):
    """The add-in's menu (its top entry and what is under it) and its toolbar as the office
    shows them in the document's frame, read through accessibility."""
    frame = doc.getCurrentController().getFrame()
    layout = frame.LayoutManager
    # A hidden frame gets no menu bar of its own accord.
    layout.createElement("private:resource/menubar/menubar")
    menu_bar = find(frame.getContainerWindow().getAccessibleContext(), ROLE_MENU_BAR)
    menus = [(0, c.getAccessibleName(), False) for c in children(menu_bar)] if menu_bar else []
    bars = [e for e in layout.getElements()
            if e.ResourceURL.startswith("private:resource/toolbar/addon_org.tessaly.")]
    toolbar = bars[0].getRealInterface().getAccessibleContext() if bars else None
    return menu_bar, menus, toolbar


def check_bars(doc, expected, language):
    """The add-in's menu and toolbar carry the captions the core gives them in that
    language, in the add-in's order and groups."""
    menu_bar, menus, toolbar = office_bars(doc)
    top = expected["menu"][0][1]
    wanted = [(d, as_shown(c), g) for d, c, g in expected["menu"][1:]]
    found = [c for c in children(menu_bar)
             if c.getAccessibleName() == as_shown(top)] if menu_bar else []
    check(bool(found), "the menu bar has the add-in's menu %s" % as_shown(top),
          [m for _, m, _ in menus])
    if found:
        seen = [(d + 1, n, g) for d, n, g in accessible_entries(found[0])]
        check(seen == wanted, "the %s menu has the core's %s captions, in its order and groups"
              % (as_shown(top), language), seen)
    check(toolbar is not None and toolbar.getAccessibleRole() == ROLE_TOOL_BAR,
          "the add-in's toolbar is there")
    if toolbar is not None:
        check(toolbar.getAccessibleName() == expected["toolbar name"],
              "the toolbar is named %s, as the core names its bar" % expected["toolbar name"],
              toolbar.getAccessibleName())
        wanted = [(d, as_shown(c, toolbar=True), g) for d, c, g in expected["toolbar"]]
        seen = accessible_entries(toolbar)
        check(seen == wanted, "the toolbar's buttons have the core's %s captions" % language,
              seen)


def ui_locale(office):
    """The office's UI language, as the add-in reads it."""
    provider = office.context.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", office.context)
    access = provider.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationAccess",
        (prop("nodepath", "/org.openoffice.Setup/L10N"),))
    return access.getPropertyValue("ooLocale")


def check_list_window(office, doc, expected, language):
    """The list opens as a dialog with the core's title and buttons in that language, and
    its close button, found by its caption, closes it."""
    title = expected["title"]
    office.start(doc, LIST)
    check(wait_window(office, title), "the list opens with its %s title %s" % (language, title))

    def buttons():
        window = top_window(office, title)
        return sorted(c.getAccessibleName() for c in children(window)
                      if c.getAccessibleRole() == ROLE_PUSH_BUTTON) if window else None
    wanted = sorted(as_shown(b) for b in expected["buttons"])
    seen = office.on_main(buttons)
    check(seen == wanted, "its buttons carry the core's %s captions" % language, seen)
    # The program lists the close button last, as the window has it.
    close = as_shown(expected["buttons"][-1])
    check(press(office, title, close), "its close button %s can be pressed" % close)
    check(wait_window(office, title, present=False), "and closes the list")


def scene_japanese(office, work):
    """The office's UI language is Japanese: the add-in's menu, toolbar and list window
    are in Japanese, and its commands work as in English."""
    locale = ui_locale(office)
    check(locale == "ja", "the office's UI language is ja", locale)
    expected = program_texts(work, "Japan")
    path = os.path.join(work, "Japanese.ods")
    make_workbook(office, path, ["North", "South"])
    doc = office.open(path)
    check_bars(doc, expected, "Japanese")

    # A bookmark added and reached again, with the menu in Japanese.
    select(doc, "South", "C5")
    check(office.run(doc, ADD_OR_DELETE), "add/delete runs")
    select(doc, "North", "A1")
    check(office.run(doc, NEXT), "next runs")
    at = where(office)
    check(at == "Japanese.ods!South!C5", "next from North!A1 reaches the bookmark South!C5", at)
    check_list_window(office, doc, expected, "Japanese")

    # A message box in Japanese: a headless office writes it to its output, "caption: text".
    south = doc.getSheets().getByName("South")
    south.protect("")
    select(doc, "South", "E2")
    office.run(doc, ADD_OR_DELETE)
    south.unprotect("")
    caption, first_line = expected["messages"][0]
    office.log.flush()
    with open(office.log.name, encoding="utf-8") as log:
        said = "%s: %s" % (caption, first_line) in log.read()
    check(said, "the refused mark's message box says %s" % first_line)
    doc.close(True)


SCENES = {"bookmarks": scene_bookmarks, "scenes": scene_table, "dialogs": scene_dialogs,
          "japanese": scene_japanese}


def main():
    profile, work, scene = sys.argv[1], sys.argv[2], sys.argv[3]
    # Stopped by a timeout, the client still ends its office.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    # What the office writes (the headless office's message boxes among it) is kept.
    log = open(os.path.join(work, "office.log"), "w")
    office = Office(profile, "tessaly_test_%d" % os.getpid(), log,
                    keep_windows=scene in ("dialogs", "japanese"))
    try:
        SCENES[scene](office, work)
    except Exception as e:  # any failure of the office is a failed scene
        check(False, "the scene ran to its end (%s: %s)" % (type(e).__name__, e))
    finally:
        office.end()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
