#include "app/window_actions.h"

#include <cmath>
#include <sstream>

#include "app/grammar.h"
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

WindowAction Make(const WindowActionContext& c, std::function<void(WindowModel&)> apply) {
    return WindowAction{c.text, c.line, std::move(apply)};
}

// Throws the usage unless the action got `count` words after its name.
void NeedArgs(const WindowActionContext& c, size_t count, const std::string& usage) {
    if (c.args.size() != count) throw CommandError("Usage: window " + usage);
}

// An action that presses one button of the window.
WindowAction Press(const WindowActionContext& c, const char* name) {
    NeedArgs(c, 0, c.verb);
    Interpreter* ip = &c.interp;
    return Make(c, [ip, name = std::string(name)](WindowModel& w) {
        ClickControl(*ip, w, ControlNamed(w, name));
    });
}

WindowAction ClickEntry(const WindowActionContext& c, bool twice) {
    const std::vector<std::string> path = PathOf(c.args, 0);
    if (path.empty() && !twice) throw CommandError("Usage: window pick BOOK/SHEET/CELL");
    return Make(c, [path, twice](WindowModel& w) {
        Control* tree = FirstTree(w);
        if (tree == nullptr)
            throw CommandError("The window " + Quoted(w.Caption) + " has no list of entries.");
        if (!path.empty()) w.UserNodeClick(*tree, NodeAt(w, *tree, path));
        if (twice && w.Shown()) w.UserDblClick(*tree);
    });
}

WindowAction Key(const WindowActionContext& c, int32_t key) {
    NeedArgs(c, 0, c.verb);
    return Make(c, [key](WindowModel& w) { w.UserKey(key); });
}

WindowAction CloseBox(const WindowActionContext& c) {
    NeedArgs(c, 0, c.verb);
    return Make(c, [](WindowModel& w) { w.UserCloseBox(); });
}

WindowAction ClickOption(const WindowActionContext& c, std::string option) {
    Interpreter* ip = &c.interp;
    return Make(c, [ip, option](WindowModel& w) { ClickControl(*ip, w, ControlNamed(w, option)); });
}

WindowAction Mark(const WindowActionContext& c) {
    NeedArgs(c, 1, "mark on|off");
    return ClickOption(c, OnOff(c.args[0], "mark") ? "optMark(1)" : "optMark(0)");
}

WindowAction Vector(const WindowActionContext& c) {
    NeedArgs(c, 1, "vector row|column");
    const std::string direction = Lower(c.args[0]);
    if (direction == "row") return ClickOption(c, "optVector(0)");
    if (direction == "column") return ClickOption(c, "optVector(1)");
    throw CommandError("\"vector\" takes row or column, not \"" + c.args[0] + "\".");
}

WindowAction Tick(const WindowActionContext& c, const char* box) {
    NeedArgs(c, 1, c.verb + " on|off");
    const bool on = OnOff(c.args[0], c.verb);
    Interpreter* ip = &c.interp;
    return Make(c, [ip, box = std::string(box), on](WindowModel& w) { SetCheck(*ip, w, box, on); });
}

WindowAction ShortcutKey(const WindowActionContext& c) {
    if (c.args.size() != 2 && c.args.size() != 3)
        throw CommandError("Usage: window key ROW MODIFIER KEY (- for none)");
    const int32_t row = ShortcutRow(c.args[0]);
    const std::string modifier = c.args.size() == 3 ? c.args[1] : "-";
    const std::string key = c.args.back();
    Interpreter* ip = &c.interp;
    return Make(c, [ip, row, modifier, key](WindowModel& w) {
        Control& modifiers = ControlNamed(w, "cboKey1(" + std::to_string(row) + ")");
        Control& keys = ControlNamed(w, "cboKey2(" + std::to_string(row) + ")");
        EntryIndex(w, modifiers, modifier);  // both checked before either changes
        EntryIndex(w, keys, key);
        SelectEntry(*ip, w, modifiers, modifier);
        SelectEntry(*ip, w, keys, key);
    });
}

WindowAction Color(const WindowActionContext& c) {
    NeedArgs(c, 1, "color COLOR|cancel");
    std::optional<int32_t> color;
    if (Lower(c.args[0]) != "cancel") {
        color = ParseColor(c.args[0]);
        if (!color)
            throw CommandError("\"" + c.args[0] +
                               "\" is not a colour; write 8388608, &H800000 or #000080.");
    }
    Interpreter* ip = &c.interp;
    return Make(c, [ip, color](WindowModel& w) {
        Control& button = ControlNamed(w, "cmdColor");
        WindowFrontEnd& front = ip->GetSession().Windows();
        front.QueueColorAnswer(color);
        ClickControl(*ip, w, button);
        front.ClearColorAnswers();  // a button that opened no dialog leaves nothing behind
    });
}

WindowAction Click(const WindowActionContext& c) {
    if (c.args.empty()) throw CommandError("Usage: window click CONTROL");
    const std::string what = c.args.size() == 1 ? c.args[0] : Joined(c.args, 0);
    Interpreter* ip = &c.interp;
    return Make(c, [ip, what](WindowModel& w) { ClickControl(*ip, w, ControlNamed(w, what)); });
}

WindowAction Select(const WindowActionContext& c) {
    NeedArgs(c, 2, "select CONTROL ENTRY");
    const std::string what = c.args[0];
    const std::string entry = c.args[1];
    Interpreter* ip = &c.interp;
    return Make(c, [ip, what, entry](WindowModel& w) {
        SelectEntry(*ip, w, ControlNamed(w, what), entry);
    });
}

WindowAction Place(const WindowActionContext& c, bool resize) {
    NeedArgs(c, 2, resize ? "resize WIDTH HEIGHT" : "move LEFT TOP");
    const std::optional<double> a = ParseNumber(c.args[0]);
    const std::optional<double> b = ParseNumber(c.args[1]);
    // Windows measure in single precision: far beyond any screen, a number would not
    // even convert.
    const auto onScreen = [](const std::optional<double>& v) {
        return v && std::fabs(*v) <= kMostTwips;
    };
    if (!onScreen(a) || !onScreen(b))
        throw CommandError("\"" + c.verb + "\" takes two numbers of twips (-1000000 to 1000000).");
    return Make(c,
                [resize, x = static_cast<float>(*a), y = static_cast<float>(*b)](WindowModel& w) {
                    if (resize) {
                        w.UserResize(x, y);
                    } else {
                        w.UserMove(x, y);
                    }
                });
}

WindowAction Show(const WindowActionContext& c) {
    NeedArgs(c, 0, "show");
    Interpreter* ip = &c.interp;
    return Make(c, [ip](WindowModel& w) { ip->GetSession().Windows().Print(w); });
}

WindowAction Help(const WindowActionContext& c) {
    Interpreter* ip = &c.interp;
    return Make(c, [ip](WindowModel&) {
        std::ostream& out = ip->Out();
        out << "  In a window (e.g. window pick Demo.xlsx/Sales/B3 in a script):\n";
        for (const WindowActionSpec& a : WindowActions())
            out << "    " << a.usage << "  - " << a.summary << '\n';
    });
}

WindowAction Do(const WindowActionContext& c) {
    if (c.args.empty()) throw CommandError("Usage: window do COMMAND");
    const std::string command = Joined(c.args, 0);
    Interpreter* ip = &c.interp;
    const int line = c.line;
    return Make(c, [ip, command, line](WindowModel&) { ip->ExecuteNested(command, line); });
}

}  // namespace

const std::vector<WindowActionSpec>& WindowActions() {
    using C = const WindowActionContext&;
    static const std::vector<WindowActionSpec> actions = {
        {"pick", "pick BOOK/SHEET/CELL", "pick Demo.xlsx/Sales/B3",
         "clicks an entry of the bookmark list (a cell by its address alone is enough)",
         [](C c) { return ClickEntry(c, false); }},
        {"dblclick", "dblclick [BOOK/SHEET/CELL]", "dblclick Demo.xlsx/Sales/B3",
         "double-clicks an entry (or the selected one)", [](C c) { return ClickEntry(c, true); }},
        {"goto", "goto", "goto", "presses Goto in the bookmark list",
         [](C c) { return Press(c, "cmdGoto"); }},
        {"gotoclose", "gotoclose", "gotoclose", "presses Goto and Close",
         [](C c) { return Press(c, "cmdGotoAndClose"); }, "goto-and-close"},
        {"close", "close", "close", "presses Close", [](C c) { return Press(c, "cmdClose"); }},
        {"mark", "mark on|off", "mark off", "chooses whether bookmarks get visual marks", Mark},
        {"color", "color COLOR|cancel", "color #FF0000",
         "presses the colour button and picks a colour (or cancels the dialog)", Color, "colour"},
        {"vector", "vector row|column", "vector column", "chooses the search direction", Vector},
        {"key", "key ROW MODIFIER KEY", "key next Ctrl HOME",
         "sets a shortcut row (0-4 or list, toggle, next, previous, clear); - for none",
         ShortcutKey},
        {"confirm", "confirm on|off", "confirm off", "ticks or clears the delete-all confirmation",
         [](C c) { return Tick(c, "chkConfirm"); }},
        {"savemark", "savemark on|off", "savemark on",
         "ticks or clears saving bookmarks in the workbook",
         [](C c) { return Tick(c, "chkSave"); }},
        {"ok", "ok", "ok", "presses OK in the settings window",
         [](C c) { return Press(c, "cmdOK"); }},
        {"cancel", "cancel", "cancel", "presses Cancel in the settings window",
         [](C c) { return Press(c, "cmdCancel"); }},
        {"enter", "enter", "enter", "presses Enter",
         [](C c) { return Key(c, tessaly::keys::kReturn); }},
        {"esc", "esc", "esc", "presses Esc", [](C c) { return Key(c, tessaly::keys::kEscape); }},
        {"closebox", "closebox", "closebox", "closes the window with its close box", CloseBox},
        {"click", "click CONTROL", "click cmdOK", "clicks a control by its name or caption", Click},
        {"select", "select CONTROL ENTRY", "select cboKey2(2) F5",
         "picks an entry of a drop-down list", Select},
        {"resize", "resize WIDTH HEIGHT", "resize 6000 3000", "resizes the window (twips)",
         [](C c) { return Place(c, true); }},
        {"move", "move LEFT TOP", "move 1200 900", "moves the window (twips)",
         [](C c) { return Place(c, false); }},
        {"show", "show", "show", "prints the window as it stands", Show},
        {"do", "do COMMAND", "do show cell", "runs any command while the window is open", Do},
        {"help", "help", "help", "lists these actions", Help},
    };
    return actions;
}

WindowAction ParseWindowAction(Interpreter& interp, const std::vector<std::string>& words,
                               int line) {
    if (words.empty())
        throw CommandError("Say what to do in the window; \"help window\" lists it.");
    size_t used = 0;
    const WindowActionSpec* entry = FindEntry(WindowActions(), words, &used);
    if (entry == nullptr)
        throw CommandError("\"" + words[0] +
                           "\" is not a window action; \"help window\" lists the window actions.");
    const WindowActionContext context{
        interp, Lower(words[0]),
        std::vector<std::string>(words.begin() + static_cast<long>(used), words.end()),
        Joined(words, 0), line};
    return entry->reader(context);
}

}  // namespace app
