#include "app/window_actions.h"

#include <cmath>
#include <sstream>

#include "app/interpreter.h"
#include "app/text.h"
#include "app/window_view.h"
#include "forms/frmJump.h"

namespace app {

using tessaly::Control;
using tessaly::ControlKind;
using tessaly::TreeNode;
using tessaly::WindowModel;

namespace {

// Rows of the shortcut part of the settings window, by the command they run.
constexpr const char* kRowWords[] = {"list", "toggle", "next", "previous", "clear"};

// The largest size or position a window action takes, in twips.
constexpr double kMostTwips = 1000000;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Joined(const std::vector<std::string>& words, size_t from) {
    std::string line;
    for (size_t i = from; i < words.size(); ++i)
        line += (i > from ? " " : "") + QuoteWord(words[i]);
    return line;
}

Control* FirstTree(WindowModel& window) {
    for (const auto& c : window.Controls())
        if (c->Kind() == ControlKind::TreeView) return c.get();
    return nullptr;
}

// A control by its name ("cmdOK", "optMark(1)") or caption (with or without "&").
Control& ControlNamed(WindowModel& window, const std::string& what) {
    const std::string wanted = Lower(what);
    for (const auto& c : window.Controls())
        if (Lower(c->DisplayName()) == wanted) return *c;
    for (const auto& c : window.Controls())
        if (!c->Caption.empty() &&
            Lower(WithoutAccessKey(c->Caption)) == Lower(WithoutAccessKey(what)))
            return *c;
    throw CommandError("The window " + Quoted(window.Caption) + " has no control " + Quoted(what) +
                       ".");
}

// Clicks as a user does: a control that cannot be used now takes no click.
void ClickControl(Interpreter& interp, WindowModel& window, Control& control) {
    if (!Usable(window, control)) {
        interp.Out() << "    " << control.DisplayName() << " is disabled: nothing happens\n";
        return;
    }
    window.UserClick(control);
}

TreeNode& NodeAt(WindowModel& window, Control& tree, const std::vector<std::string>& path) {
    std::vector<TreeNode*> level = tree.Nodes.Roots();
    TreeNode* found = nullptr;
    std::string under = "the list";
    for (size_t i = 0; i < path.size(); ++i) {
        found = nullptr;
        for (TreeNode* node : level)
            if (node->Text == path[i]) found = node;
        // A cell entry can be named by its address alone: "B3" for "B3 ( Total )".
        if (found == nullptr && i + 1 == path.size()) {
            for (TreeNode* node : level)
                if (node->Children() == 0 && tessaly::CellAddressOfEntry(node->Text) == path[i])
                    found = node;
        }
        if (found == nullptr)
            throw CommandError("The window " + Quoted(window.Caption) + " has no entry " +
                               Quoted(path[i]) + " in " + under + ".");
        under = Quoted(found->Text);
        level = found->ChildNodes();
    }
    if (found == nullptr) throw CommandError("Give the entry's path: BOOK/SHEET/CELL.");
    return *found;
}

std::vector<std::string> PathOf(const std::vector<std::string>& words, size_t from) {
    std::vector<std::string> path;
    for (size_t i = from; i < words.size(); ++i) {
        std::string part;
        std::istringstream in(words[i]);
        // Names of workbooks, sheets and cells never hold "/", so it can part them.
        while (std::getline(in, part, '/'))
            if (!part.empty()) path.push_back(part);
    }
    return path;
}

bool OnOff(const std::string& word, const std::string& action) {
    const std::string w = Lower(word);
    if (w == "on" || w == "true" || w == "1" || w == "yes") return true;
    if (w == "off" || w == "false" || w == "0" || w == "no") return false;
    throw CommandError("\"" + action + "\" takes on or off, not \"" + word + "\".");
}

int32_t ShortcutRow(const std::string& word) {
    if (std::optional<int32_t> n = ParseInteger(word)) {
        if (*n >= 0 && *n <= 4) return *n;
    }
    std::string w = Lower(word);
    if (w == "add" || w == "delete" || w == "addordelete") w = "toggle";
    if (w == "prev" || w == "befor") w = "previous";
    for (int32_t row = 0; row < 5; ++row)
        if (w == kRowWords[row]) return row;
    throw CommandError(
        "\"" + word + "\" is no shortcut row; give 0 to 4 or list, toggle, next, previous, clear.");
}

// An entry of a drop-down list by its text (any case); "-" and "none" stand for the
// empty entry.
int32_t EntryIndex(WindowModel& window, const Control& list, const std::string& entry) {
    const std::string wanted = (entry == "-" || Lower(entry) == "none") ? "" : Lower(entry);
    for (size_t i = 0; i < list.List.size(); ++i)
        if (Lower(list.List[i]) == wanted) return static_cast<int32_t>(i);
    std::string offered;
    for (const std::string& item : list.List)
        offered += (offered.empty() ? "" : ", ") + (item.empty() ? std::string("(none)") : item);
    throw CommandError(list.DisplayName() + " in " + Quoted(window.Caption) + " offers no " +
                       Quoted(entry) + " (it offers " + offered + ").");
}

void SelectEntry(Interpreter& interp, WindowModel& window, Control& list,
                 const std::string& entry) {
    if (list.Kind() != ControlKind::ComboBox)
        throw CommandError(list.DisplayName() + " is not a list to choose from.");
    const int32_t index = EntryIndex(window, list, entry);
    if (!Usable(window, list)) {
        interp.Out() << "    " << list.DisplayName() << " is disabled: nothing happens\n";
        return;
    }
    window.UserSelectListItem(list, index);
}

void SetCheck(Interpreter& interp, WindowModel& window, const std::string& name, bool on) {
    Control& box = ControlNamed(window, name);
    if ((box.Value == 1) != on) ClickControl(interp, window, box);
}

WindowAction Make(std::string text, int line, std::function<void(WindowModel&)> apply) {
    return WindowAction{std::move(text), line, std::move(apply)};
}

void NeedArgs(const std::vector<std::string>& words, size_t count, const std::string& usage) {
    if (words.size() != count) throw CommandError("Usage: window " + usage);
}

}  // namespace

const std::vector<WindowActionHelp>& WindowActionsHelp() {
    static const std::vector<WindowActionHelp> help = {
        {"pick BOOK/SHEET/CELL", "pick Demo.xlsx/Sales/B3",
         "clicks an entry of the bookmark list (a cell by its address alone is enough)"},
        {"dblclick [BOOK/SHEET/CELL]", "dblclick Demo.xlsx/Sales/B3",
         "double-clicks an entry (or the selected one)"},
        {"goto", "goto", "presses Goto in the bookmark list"},
        {"gotoclose", "gotoclose", "presses Goto and Close"},
        {"close", "close", "presses Close"},
        {"mark on|off", "mark off", "chooses whether bookmarks get visual marks"},
        {"color COLOR|cancel", "color #FF0000",
         "presses the colour button and picks a colour (or cancels the dialog)"},
        {"vector row|column", "vector column", "chooses the search direction"},
        {"key ROW MODIFIER KEY", "key next Ctrl HOME",
         "sets a shortcut row (0-4 or list, toggle, next, previous, clear); - for none"},
        {"confirm on|off", "confirm off", "ticks or clears the delete-all confirmation"},
        {"savemark on|off", "savemark on", "ticks or clears saving bookmarks in the workbook"},
        {"ok", "ok", "presses OK in the settings window"},
        {"cancel", "cancel", "presses Cancel in the settings window"},
        {"enter", "enter", "presses Enter"},
        {"esc", "esc", "presses Esc"},
        {"closebox", "closebox", "closes the window with its close box"},
        {"click CONTROL", "click cmdOK", "clicks a control by its name or caption"},
        {"select CONTROL ENTRY", "select cboKey2(2) F5", "picks an entry of a drop-down list"},
        {"resize WIDTH HEIGHT", "resize 6000 3000", "resizes the window (twips)"},
        {"move LEFT TOP", "move 1200 900", "moves the window (twips)"},
        {"show", "show", "prints the window as it stands"},
        {"do COMMAND", "do show cell", "runs any command while the window is open"},
        {"help", "help", "lists these actions"},
    };
    return help;
}

WindowAction ParseWindowAction(Interpreter& interp, const std::vector<std::string>& words,
                               int line) {
    if (words.empty())
        throw CommandError("Say what to do in the window; \"help window\" lists it.");
    const std::string verb = Lower(words[0]);
    const std::string text = Joined(words, 0);
    Interpreter* ip = &interp;

    const auto press = [&](const char* name) {
        NeedArgs(words, 1, verb);
        return Make(text, line, [ip, name = std::string(name)](WindowModel& w) {
            ClickControl(*ip, w, ControlNamed(w, name));
        });
    };

    if (verb == "pick" || verb == "dblclick") {
        const std::vector<std::string> path = PathOf(words, 1);
        if (path.empty() && verb == "pick")
            throw CommandError("Usage: window pick BOOK/SHEET/CELL");
        const bool twice = verb == "dblclick";
        return Make(text, line, [path, twice](WindowModel& w) {
            Control* tree = FirstTree(w);
            if (tree == nullptr)
                throw CommandError("The window " + Quoted(w.Caption) + " has no list of entries.");
            if (!path.empty()) w.UserNodeClick(*tree, NodeAt(w, *tree, path));
            if (twice && w.Shown()) w.UserDblClick(*tree);
        });
    }
    if (verb == "goto") return press("cmdGoto");
    if (verb == "gotoclose" || verb == "goto-and-close") return press("cmdGotoAndClose");
    if (verb == "close") return press("cmdClose");
    if (verb == "ok") return press("cmdOK");
    if (verb == "cancel") return press("cmdCancel");
    if (verb == "enter" || verb == "esc") {
        NeedArgs(words, 1, verb);
        const int32_t key = verb == "enter" ? tessaly::keys::kReturn : tessaly::keys::kEscape;
        return Make(text, line, [key](WindowModel& w) { w.UserKey(key); });
    }
    if (verb == "closebox") {
        NeedArgs(words, 1, verb);
        return Make(text, line, [](WindowModel& w) { w.UserCloseBox(); });
    }
    if (verb == "mark" || verb == "vector") {
        NeedArgs(words, 2, verb == "mark" ? "mark on|off" : "vector row|column");
        std::string option;
        if (verb == "mark") {
            option = OnOff(words[1], "mark") ? "optMark(1)" : "optMark(0)";
        } else if (Lower(words[1]) == "row") {
            option = "optVector(0)";
        } else if (Lower(words[1]) == "column") {
            option = "optVector(1)";
        } else {
            throw CommandError("\"vector\" takes row or column, not \"" + words[1] + "\".");
        }
        return Make(text, line, [ip, option](WindowModel& w) {
            ClickControl(*ip, w, ControlNamed(w, option));
        });
    }
    if (verb == "confirm" || verb == "savemark") {
        NeedArgs(words, 2, verb + " on|off");
        const bool on = OnOff(words[1], verb);
        const std::string box = verb == "confirm" ? "chkConfirm" : "chkSave";
        return Make(text, line, [ip, box, on](WindowModel& w) { SetCheck(*ip, w, box, on); });
    }
    if (verb == "key") {
        if (words.size() != 3 && words.size() != 4)
            throw CommandError("Usage: window key ROW MODIFIER KEY (- for none)");
        const int32_t row = ShortcutRow(words[1]);
        const std::string modifier = words.size() == 4 ? words[2] : "-";
        const std::string key = words.back();
        return Make(text, line, [ip, row, modifier, key](WindowModel& w) {
            Control& modifiers = ControlNamed(w, "cboKey1(" + std::to_string(row) + ")");
            Control& keys = ControlNamed(w, "cboKey2(" + std::to_string(row) + ")");
            EntryIndex(w, modifiers, modifier);  // both checked before either changes
            EntryIndex(w, keys, key);
            SelectEntry(*ip, w, modifiers, modifier);
            SelectEntry(*ip, w, keys, key);
        });
    }
    if (verb == "color" || verb == "colour") {
        NeedArgs(words, 2, "color COLOR|cancel");
        std::optional<int32_t> color;
        if (Lower(words[1]) != "cancel") {
            color = ParseColor(words[1]);
            if (!color)
                throw CommandError("\"" + words[1] +
                                   "\" is not a colour; write 8388608, &H800000 or #000080.");
        }
        return Make(text, line, [ip, color](WindowModel& w) {
            Control& button = ControlNamed(w, "cmdColor");
            WindowFrontEnd& front = ip->GetSession().Windows();
            front.QueueColorAnswer(color);
            ClickControl(*ip, w, button);
            front.ClearColorAnswers();  // a button that opened no dialog leaves nothing behind
        });
    }
    if (verb == "click") {
        if (words.size() < 2) throw CommandError("Usage: window click CONTROL");
        const std::string what = words.size() == 2 ? words[1] : Joined(words, 1);
        return Make(text, line,
                    [ip, what](WindowModel& w) { ClickControl(*ip, w, ControlNamed(w, what)); });
    }
    if (verb == "select") {
        NeedArgs(words, 3, "select CONTROL ENTRY");
        const std::string what = words[1];
        const std::string entry = words[2];
        return Make(text, line, [ip, what, entry](WindowModel& w) {
            SelectEntry(*ip, w, ControlNamed(w, what), entry);
        });
    }
    if (verb == "resize" || verb == "move") {
        NeedArgs(words, 3, verb == "resize" ? "resize WIDTH HEIGHT" : "move LEFT TOP");
        const std::optional<double> a = ParseNumber(words[1]);
        const std::optional<double> b = ParseNumber(words[2]);
        // Windows measure in single precision: far beyond any screen, a number would
        // not even convert.
        const auto onScreen = [](const std::optional<double>& v) {
            return v && std::fabs(*v) <= kMostTwips;
        };
        if (!onScreen(a) || !onScreen(b))
            throw CommandError("\"" + verb +
                               "\" takes two numbers of twips (-1000000 to 1000000).");
        const bool resize = verb == "resize";
        return Make(
            text, line,
            [resize, x = static_cast<float>(*a), y = static_cast<float>(*b)](WindowModel& w) {
                if (resize) {
                    w.UserResize(x, y);
                } else {
                    w.UserMove(x, y);
                }
            });
    }
    if (verb == "show") {
        NeedArgs(words, 1, "show");
        return Make(text, line, [ip](WindowModel& w) { ip->GetSession().Windows().Print(w); });
    }
    if (verb == "help") {
        return Make(text, line, [ip](WindowModel&) {
            std::ostream& out = ip->Out();
            out << "  In a window (e.g. window pick Demo.xlsx/Sales/B3 in a script):\n";
            for (const WindowActionHelp& a : WindowActionsHelp())
                out << "    " << a.usage << "  - " << a.summary << '\n';
        });
    }
    if (verb == "do") {
        if (words.size() < 2) throw CommandError("Usage: window do COMMAND");
        const std::string command = Joined(words, 1);
        return Make(text, line,
                    [ip, command, line](WindowModel&) { ip->ExecuteNested(command, line); });
    }
    throw CommandError("\"" + words[0] +
                       "\" is not a window action; \"help window\" lists the window actions.");
}

}  // namespace app
