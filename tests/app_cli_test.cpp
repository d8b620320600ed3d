// The tessaly program from the outside: `bookmarks` with and without --json, the clear
// errors for files that cannot be read (and that they change nothing on disk), how `run`
// stops, the interactive shell on piped input and the demo.

#include <gtest/gtest.h>

#include <sstream>

#include "tests/e2e/run_tessaly.h"
#include "tests/xlsx_test_files.h"

namespace {

using namespace tessaly_e2e;

class TessalyProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(TessalyBinary())) << "build the tessaly program first";
        ASSERT_FALSE(scratch.Path().empty());
        scratch.CopyWorkbooks();
    }

    Result Run(const std::vector<std::string>& args, const std::string& input = "",
               const std::map<std::string, std::string>& env = {}) {
        return RunTessaly(args, scratch.Path(), input, env);
    }
    // A script from standard input.
    Result Script(const std::string& script) { return Run({"run", "-"}, script); }

    fs::path File(const std::string& name) const { return scratch.Path() / name; }

    // Demo.xlsx with bookmarks on Sales!B3 and Costs!C4, saved by the add-in.
    void SaveDemoWithBookmarks() {
        const Result r = Script(
            "set SaveMark 1\nopen Demo.xlsx\nselect Sales!B3\nclick toggle\n"
            "select Costs!C4\nclick toggle\nsave\n");
        ASSERT_EQ(0, r.exitCode) << r.err;
    }

    Scratch scratch;
};

// A copy of the package at from, with one entry's content replaced.
void CopyWithEntry(const fs::path& from, const fs::path& to, const std::string& entry,
                   const std::string& content) {
    xlsx_test::Entries entries = xlsx_test::ReadEntries(from);
    for (auto& [name, bytes] : entries) {
        if (name == entry) bytes = content;
    }
    xlsx_test::WriteZip(to, entries);
}

TEST_F(TessalyProgram, BookmarksCommandListsWhatTheAddinSaved) {
    SaveDemoWithBookmarks();
    const Result plain = Run({"bookmarks", "Demo.xlsx"});
    EXPECT_EQ(0, plain.exitCode);
    EXPECT_EQ("Demo.xlsx: 2 bookmarks\n  Sales!$B$3\n  Costs!$C$4\n", plain.out);

    const Result json = Run({"bookmarks", "--json", "Demo.xlsx"});
    EXPECT_EQ(0, json.exitCode);
    EXPECT_EQ(
        "{\"workbook\": \"Demo.xlsx\", \"bookmarks\": [{\"sheet\": \"Sales\", \"address\": "
        "\"$B$3\"}, {\"sheet\": \"Costs\", \"address\": \"$C$4\"}], \"unresolved\": []}\n",
        json.out);
}

TEST_F(TessalyProgram, BookmarksCommandResolvesEntriesAsTheAddinDoes) {
    // The fixture names sheet 2 of a workbook that has one sheet; a sheet name with a
    // blank and a quote is quoted as a reference writes it.
    const Result fixture = Run({"bookmarks", "properties.xlsx"});
    EXPECT_EQ(0, fixture.exitCode);
    EXPECT_EQ(
        "properties.xlsx: 1 bookmark\n  Sheet1!$C$5\n"
        "  (dropped when opened) 2:$B$2: the workbook has no sheet 2\n",
        fixture.out);

    const Result none = Run({"bookmarks", "Budget.xlsx"});
    EXPECT_EQ("Budget.xlsx: no bookmarks saved\n", none.out);
    const Result noneJson = Run({"bookmarks", "--json", "Budget.xlsx"});
    EXPECT_EQ("{\"workbook\": \"Budget.xlsx\", \"bookmarks\": [], \"unresolved\": []}\n",
              noneJson.out);
}

TEST_F(TessalyProgram, UnreadableFilesGiveTheReadersSentenceAndStayAsTheyWere) {
    // A truncated package, a zip that holds no workbook, a workbook part that is not
    // well-formed XML, and a well-formed workbook the host refuses (two sheets of one
    // name).
    const std::string demo = ReadFile(File("Demo.xlsx"));
    WriteFile(File("Truncated.xlsx"), demo.substr(0, demo.size() / 2));
    xlsx_test::WriteZip(File("NotABook.xlsx"), {{"readme.txt", "just text"}});
    CopyWithEntry(File("Demo.xlsx"), File("BrokenXml.xlsx"), "xl/workbook.xml",
                  "<workbook><sheets>");
    CopyWithEntry(File("Demo.xlsx"), File("TwoSales.xlsx"), "xl/workbook.xml",
                  "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                  "<sheets><sheet name=\"Sales\" sheetId=\"1\" r:id=\"rId2\"/>"
                  "<sheet name=\"Sales\" sheetId=\"2\" r:id=\"rId3\"/></sheets></workbook>");

    for (const std::string name :
         {"Truncated.xlsx", "NotABook.xlsx", "BrokenXml.xlsx", "TwoSales.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string before = ReadFile(File(name));
        const Result opened = Script("open Demo.xlsx\nopen " + name + "\nshow books\n");
        EXPECT_EQ(1, opened.exitCode);
        EXPECT_EQ(0u, opened.err.rfind("line 2: " + name, 0)) << opened.err;
        EXPECT_EQ(std::string::npos, opened.out.find("show books"));  // the script stopped

        const Result listed = Run({"bookmarks", name});
        EXPECT_EQ(1, listed.exitCode);
        EXPECT_NE(std::string::npos, listed.err.find(name)) << listed.err;
        EXPECT_EQ("", listed.out);
        EXPECT_EQ(before, ReadFile(File(name)));
    }
}

TEST_F(TessalyProgram, BookmarksWithJsonReportsErrorsAsJson) {
    WriteFile(File("Text.xlsx"), "just text");
    const Result r = Run({"bookmarks", "--json", "Text.xlsx"});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(
        "{\"error\": \"Text.xlsx is not a workbook: it is not a zip archive (or it is "
        "truncated).\"}\n",
        r.out);
    EXPECT_EQ("", r.err);

    // Usage errors too, a missing file as a bad option, with the usage error's exit code;
    // and a file name in another encoding than UTF-8 still gives JSON that is UTF-8.
    const Result noFile = Run({"bookmarks", "--json"});
    EXPECT_EQ(2, noFile.exitCode);
    EXPECT_EQ("{\"error\": \"\\\"bookmarks\\\" takes one workbook file.\"}\n", noFile.out);
    EXPECT_EQ(2, Run({"bookmarks", "A.xlsx", "B.xlsx"}).exitCode);
    const Result usage = Run({"bookmarks", "--json", "--max-cells", "x", "Text.xlsx"});
    EXPECT_EQ(2, usage.exitCode);
    EXPECT_EQ("{\"error\": \"--max-cells takes a whole number above 0.\"}\n", usage.out);
    EXPECT_EQ("", usage.err);
    WriteFile(File("caf\xe9.xlsx"), "latin-1 name");
    EXPECT_EQ(
        "{\"error\": \"caf\\ufffd.xlsx is not a workbook: it is not a zip archive (or it "
        "is truncated).\"}\n",
        Run({"bookmarks", "--json", "caf\xe9.xlsx"}).out);
    const std::string japanese = "\xe6\x97\xa5.xlsx";  // kept as it is
    WriteFile(File(japanese), "x");
    EXPECT_EQ("{\"error\": \"" + japanese +
                  " is not a workbook: it is not a zip archive (or it is truncated).\"}\n",
              Run({"bookmarks", "--json", japanese}).out);
    // A folder is named as one.
    std::filesystem::create_directory(File("Folder.xlsx"));
    EXPECT_EQ(
        "{\"error\": \"Folder.xlsx is a folder, not a workbook: give the path of an .xlsx "
        "file.\"}\n",
        Run({"bookmarks", "--json", "Folder.xlsx"}).out);
}

// The budget is the program's option; bookmarks read no cells and need none of it.
TEST_F(TessalyProgram, WorkbookOverTheCellBudgetIsRefusedAndBookmarksStillListed) {
    SaveDemoWithBookmarks();
    const std::string before = ReadFile(File("Demo.xlsx"));
    const Result r = Run({"run", "--max-cells", "3", "-"}, "open Demo.xlsx\n");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("Demo.xlsx is too large to open: the sheet \""))
        << r.err;
    EXPECT_NE(std::string::npos, r.err.find("the limit of 3 cells")) << r.err;
    EXPECT_EQ(before, ReadFile(File("Demo.xlsx")));
    EXPECT_EQ(0, Run({"bookmarks", "Demo.xlsx"}).exitCode);
    EXPECT_EQ(2, Run({"run", "--max-cells", "many", "-"}, "").exitCode);
}

TEST_F(TessalyProgram, RunStopsAtTheFirstCommandThatCannotRun) {
    // Refusals of the host read as sentences too.
    const Result refused = Script("open Demo.xlsx\nsheet protect Sales\nedit B2 7\n");
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_EQ("line 3: The sheet is protected.\n", refused.err);

    const Result usage = Script("\n# a comment\nselect\n");
    EXPECT_EQ("line 3: Usage: select REF\n", usage.err);

    const Result noScript = Run({"run", "NoSuchScript.tsc"});
    EXPECT_EQ(2, noScript.exitCode);
    // A folder is no empty script.
    fs::create_directory(File("Scripts"));
    const Result folder = Run({"run", "Scripts"});
    EXPECT_EQ(2, folder.exitCode);
    EXPECT_EQ("tessaly: the script Scripts cannot be read.\n", folder.err);
}

TEST_F(TessalyProgram, CommandsThatCannotRunSayWhyInOneSentence) {
    struct Case {
        const char* command;
        const char* error;
    };
    const Case cases[] = {
        {"frobnicate now",
         "\"frobnicate\" is not a command; \"help\" lists every command with an example."},
        {"select ZZ0", "\"ZZ0\" is not an A1 reference."},
        {"select [Demo.xlsx]B3",
         "\"[Demo.xlsx]B3\" names a workbook but no sheet: write [Book]Sheet!B3."},
        {"select Nowhere!B3", "\"Demo.xlsx\" has no sheet named \"Nowhere\"."},
        {"rows hide 5:3", "\"5:3\" runs backwards; write the lower end first."},
        {"columns hide XFE", "\"XFE\" is not a column (A to XFD, or 1 to 16384)."},
        {"answer maybe", "\"maybe\" is no answer; give ok or cancel."},
        {"window color purple", "\"purple\" is not a colour; write 8388608, &H800000 or #000080."},
        {"window key 7 Ctrl HOME",
         "\"7\" is no shortcut row; give 0 to 4 or list, toggle, next, previous, clear."},
        {"click frobnicate", "The add-in has no menu item or toolbar button \"frobnicate\"."},
        {"connect", "The add-in is already connected; disconnect it first."},
        {"saveas Copy.txt",
         "Workbooks are saved as .xlsx files; give a file name ending in .xlsx."},
        {"edit \"unclosed", "A quoted word is not closed with \"."},
        {"activate Budget.xlsx", "No open workbook is named \"Budget.xlsx\"."},
        // "nan" and "inf" read as numbers, but no clock or window takes them.
        {"wait nan", "\"nan\" is not a number of seconds."},
        {"pace nan", "\"nan\" is not a number of seconds."},
        {"window resize nan 3000", "\"resize\" takes two numbers of twips (-1000000 to 1000000)."},
        {"window move 1e39 900", "\"move\" takes two numbers of twips (-1000000 to 1000000)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const Result r = Script(std::string("open Demo.xlsx\n") + c.command + "\n");
        EXPECT_EQ(1, r.exitCode);
        EXPECT_EQ(std::string("line 2: ") + c.error + "\n", r.err);
    }
    const Result disconnected = Script("disconnect\nclick next\n");
    EXPECT_EQ("line 2: The add-in is not connected: it has no menus or toolbar to click.\n",
              disconnected.err);
    for (const std::string v : {"abc", "nan"}) {
        const Result version = Run({"run", "--host-version", v, "-"}, "show books\n");
        EXPECT_EQ(1, version.exitCode);
        EXPECT_EQ(
            "tessaly: \"" + v + "\" is not a host version; write a number such as 11.0 or 16.0.\n",
            version.err);
    }
}

TEST_F(TessalyProgram, AFailedWindowActionStopsTheScriptAtTheCommandThatShowedTheWindow) {
    const Result r = Script(
        "open Demo.xlsx\nselect B3\nclick toggle\nwindow pick Demo.xlsx/Nowhere/B3\n"
        "window close\nclick list\nshow cell\n");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(
        "line 6: The window action \"pick Demo.xlsx/Nowhere/B3\" (line 4) could not be done: "
        "The window \"Bookmark List\" has no entry \"Nowhere\" in \"Demo.xlsx\".\n",
        r.err);
    // The window was closed, and the queued action after the failing one dropped.
    EXPECT_NE(std::string::npos, r.out.find("window \"Bookmark List\" closed with its close box"));
    EXPECT_EQ(std::string::npos, r.out.find("window> close"));
}

// An error that no command foresaw, raised while the add-in waits for its window (here
// by a key name the simulated keyboard cannot read), ends that action only: the window
// stays usable, and once it closes the session no longer counts it as open.
TEST_F(TessalyProgram, AnUnforeseenErrorInsideAWindowLeavesTheSessionSound) {
    const Result r = Run({"shell", "--color", "never", "Demo.xlsx"},
                         "select B3\nclick toggle\nclick list\ndo keys F99999999999\nclose\n"
                         "show windows\nclick list\nclose\nshow windows\nquit\n");
    EXPECT_EQ(0, r.exitCode) << r.err;
    const auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = r.out.find(text); at != std::string::npos; at = r.out.find(text, at + 1))
            ++n;
        return n;
    };
    // Both windows were closed with their Close button, and the list opened again.
    EXPECT_EQ(2u, count("window \"Bookmark List\" closed\n")) << r.out;
    EXPECT_EQ(2u, count("no window of the add-in is open\n")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find("closed Demo.xlsx"));
}

TEST_F(TessalyProgram, SavingWhereNothingCanBeWrittenKeepsTheWorkbookAsItWas) {
    const Result r = Script("new Report\nsaveas NoSuchFolder/Report.xlsx\nshow books\n");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(0u, r.err.rfind("line 2: ", 0)) << r.err;
    EXPECT_FALSE(fs::exists(File("NoSuchFolder")));

    // The shell goes on after the error: the workbook kept its name and has no file.
    const Result shell = Run({"shell", "--color", "never"},
                             "new Report\nsaveas NoSuchFolder/Report.xlsx\nshow books\n"
                             "saveas Report.xlsx\nshow books\nquit\n");
    EXPECT_NE(std::string::npos, shell.out.find("1. Report (active, no file yet)")) << shell.out;
    EXPECT_NE(std::string::npos, shell.out.find("1. Report.xlsx (active, file Report.xlsx)"));
    EXPECT_TRUE(fs::exists(File("Report.xlsx")));
}

TEST_F(TessalyProgram, ShellAsksAtItsPromptsAndDrawsTheGrid) {
    const Result r = Run({"shell", "--color", "never", "Demo.xlsx"},
                         "select B3\nclick toggle\nclick clear\ncancel\nshow bookmarks\n"
                         "click setting\nvector column\nok\nshow settings\nquit\n");
    EXPECT_EQ(0, r.exitCode) << r.err;
    // The delete-all question was answered Cancel at its prompt: the bookmark stayed.
    EXPECT_NE(std::string::npos, r.out.find("[O]K / [C]ancel? ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("-> Cancel"));
    EXPECT_NE(std::string::npos, r.out.find("1 bookmark:\n    1. [Demo.xlsx]Sales!$B$3"));
    // The settings window took its actions at the window> prompt.
    EXPECT_NE(std::string::npos, r.out.find("window> "));
    EXPECT_NE(std::string::npos, r.out.find("Setting/Vector = COLUMN"));
    // The grid shows the mark on the active cell, and the toolbar its states.
    EXPECT_NE(std::string::npos, r.out.find("[*88      ]"));
    EXPECT_NE(std::string::npos, r.out.find("{Add/Delete of bookmark}"));
    EXPECT_EQ(std::string::npos, r.out.find('\x1b'));
}

TEST_F(TessalyProgram, ShellColoursMarksOnlyWhenAskedOrOnATerminal) {
    const std::string input = "select B3\nclick toggle\nquit\n";
    const Result colours = Run({"shell", "--color", "always", "Demo.xlsx"}, input);
    EXPECT_NE(std::string::npos, colours.out.find("\x1b[1;38;2;0;0;128m*\x1b[0m")) << colours.out;

    // Standard output here is a file, not a terminal: no colours by default.
    const Result automatic =
        Run({"shell", "Demo.xlsx"}, input, {{"NO_COLOR", ""}, {"TERM", "xterm"}});
    EXPECT_EQ(std::string::npos, automatic.out.find('\x1b'));
}

TEST_F(TessalyProgram, DemoRunsOnACopyAndLeavesTheRepositoryAndSettingsAlone) {
    const fs::path sample = SourceDir() / "sim" / "samples" / "Demo.xlsx";
    const std::string before = ReadFile(sample);
    const Result r = RunTessaly({"demo"}, SourceDir(), "",
                                {{"TESSALY_CONFIG_DIR", (scratch.Path() / "config").string()}});
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("QEL_BOOKMARK = 1:$B$3;1:$D$6;2:$C$4;")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("3 bookmarks:"));
    EXPECT_NE(std::string::npos, r.out.find("[*88      ]"));
    EXPECT_EQ(before, ReadFile(sample));
    EXPECT_FALSE(fs::exists(scratch.Path() / "config"));
}

// Commands and window actions are read alike: in any case, by either word for a name.
TEST_F(TessalyProgram, WindowActionsAreReadLikeCommands) {
    const Result r = Script(
        "open Demo.xlsx\nselect B3\nclick toggle\nselect A1\n"
        "WINDOW Pick Demo.xlsx/Sales/B3\nWindow GOTO-AND-CLOSE\nclick list\nshow cell\n"
        "window Colour cancel\nwindow CANCEL\nclick setting\nExit\nshow cell\n");
    EXPECT_EQ(0, r.exitCode) << r.err;
    // The list went to B3 and closed; the settings window took both of its actions.
    const size_t gone = r.out.find("window> GOTO-AND-CLOSE\n");
    ASSERT_NE(std::string::npos, gone) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("active cell: [Demo.xlsx]Sales!$B$3", gone));
    EXPECT_NE(std::string::npos, r.out.find("window> Colour cancel\n", gone));
    EXPECT_NE(std::string::npos, r.out.find("window> CANCEL\n", gone));
    // Nothing runs after Exit.
    const size_t exit = r.out.find("> Exit\n");
    ASSERT_NE(std::string::npos, exit);
    EXPECT_EQ(std::string::npos, r.out.find("> show cell", exit));
}

// Every action that help lists is one the reader takes: wrongly used, each is refused
// with its usage or a reason, never as an unknown action.
TEST_F(TessalyProgram, EveryWindowActionInHelpIsRead) {
    const Result help = Run({"help", "window"});
    ASSERT_EQ(0, help.exitCode);
    std::istringstream lines(help.out);
    std::string input;
    size_t actions = 0;
    for (std::string line; std::getline(lines, line);) {
        // "  pick BOOK/SHEET/CELL": an action's usage, indented by two.
        if (line.rfind("  ", 0) != 0 || line[2] == ' ' || line.rfind("  window ", 0) == 0) continue;
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        input += "window " + name + " 1 2 3 4\n";
        ++actions;
    }
    EXPECT_EQ(23u, actions) << help.out;
    const Result r = Run({"shell", "--color", "never", "Demo.xlsx"}, input + "quit\n");
    EXPECT_EQ(std::string::npos, r.out.find("is not a window action")) << r.out;
    EXPECT_EQ(std::string::npos, r.err.find("is not a window action")) << r.err;
}

TEST_F(TessalyProgram, HelpShowsEveryKindOfCommandWithAnExample) {
    const Result r = Run({"help"});
    EXPECT_EQ(0, r.exitCode);
    for (const char* example :
         {"e.g. open Demo.xlsx", "e.g. keys Ctrl+HOME",
          "e.g. connect --host-version 16.0 --country Japan", "e.g. window pick Demo.xlsx/Sales/B3",
          "e.g. show bookmarks", "e.g. sheet add Summary after Sales", "e.g. rows hide 5"})
        EXPECT_NE(std::string::npos, r.out.find(example)) << example;

    const Result bad = Run({"frobnicate"});
    EXPECT_EQ(2, bad.exitCode);
}

}  // namespace
