// The add-in's side of a session: clicks on its menus and toolbar, shortcut keys through
// the keyboard hook, the design-mode button, the connection, answers for message boxes,
// actions for its windows, settings written directly, and the clock.

#include <ostream>

#include "app/addin_buttons.h"
#include "app/commands.h"
#include "app/printers.h"
#include "app/text.h"
#include "app/window_actions.h"
#include "locale/const.h"
#include "sim/keyboard.h"

namespace app {

namespace {

tessaly::Connect& ConnectedAddin(Session& session, const char* why) {
    tessaly::Connect* addin = session.Addin();
    if (addin == nullptr) throw CommandError(std::string("The add-in is not connected: ") + why);
    return *addin;
}

// Checks every key name of a chord ("Ctrl+Shift+HOME") before anything is pressed.
void CheckChord(const std::string& chord) {
    size_t start = 0;
    while (start <= chord.size()) {
        size_t plus = chord.find('+', start);
        if (plus == std::string::npos) plus = chord.size();
        const std::string key = chord.substr(start, plus - start);
        if (key.empty() || !sim::VirtualKeyOf(key))
            throw CommandError("\"" + chord + "\" is not a key chord: \"" + key +
                               "\" is no key name (Ctrl, Shift, Alt, A-Z, 0-9, F1-F24, HOME, END, "
                               "INS, DEL, PGUP, PGDN, LEFT, RIGHT, UP, DOWN, NUM0-NUM9, ENTER, "
                               "ESC, TAB, SPACE).");
        start = plus + 1;
    }
}

}  // namespace

void CmdClick(CommandContext& c) {
    bool toolbar = false;
    std::vector<std::string> words;
    for (const std::string& a : c.args) {
        if (a == "--toolbar") {
            toolbar = true;
        } else if (a == "--menu") {
            toolbar = false;
        } else {
            words.push_back(a);
        }
    }
    if (words.empty()) throw CommandError("Usage: click [--toolbar] COMMAND|CAPTION");
    std::string what;
    for (size_t i = 0; i < words.size(); ++i) what += (i ? " " : "") + words[i];

    tessaly::Connect& addin = ConnectedAddin(c.session, "it has no menus or toolbar to click.");
    const tessaly::ButtonField* field = nullptr;
    if (const AddinButton* button = FindAddinButton(what)) {
        if (toolbar && button->copy != nullptr && addin.*(button->copy)) {
            field = &(addin.*(button->copy));
        } else {
            field = &(addin.*(button->field));
        }
    } else {
        field = FindButtonByCaption(addin, what, toolbar);
    }
    if (field == nullptr || !*field)
        throw CommandError("The add-in has no menu item or toolbar button \"" + what + "\".");
    const std::string caption = ButtonCaption(*field);
    if (!HostAction([&] { return c.session.Excel().ClickControl(field->control); }))
        c.out << "  \"" << caption << "\" is disabled: nothing happens\n";
}

void CmdDesignMode(CommandContext& c) {
    ExpectArgs(c, 0, 0, "designmode");
    sim::Excel& excel = c.session.Excel();
    const auto controls = excel.DesignModeControls();
    if (controls.empty()) throw CommandError("The host has no design-mode button.");
    HostAction([&] { return excel.ClickControl(controls.front()); });
    c.out << "  design mode " << (excel.DesignMode() ? "on" : "off") << '\n';
}

void CmdKeys(CommandContext& c) {
    int repeats = 0;
    std::vector<std::string> chords;
    for (size_t i = 0; i < c.args.size(); ++i) {
        if (c.args[i] == "--repeat") {
            const std::optional<int32_t> n =
                i + 1 < c.args.size() ? ParseInteger(c.args[i + 1]) : std::nullopt;
            if (!n || *n < 0 || *n > 1000)
                throw CommandError("--repeat takes a number of auto-repeats (0 to 1000).");
            repeats = *n;
            ++i;
        } else {
            chords.push_back(c.args[i]);
        }
    }
    if (chords.empty()) throw CommandError("Usage: keys [--repeat N] CHORD...");
    for (const std::string& chord : chords) CheckChord(chord);
    sim::SimKeyboard& keyboard = c.session.Keyboard();
    for (size_t i = 0; i < chords.size(); ++i) {
        if (i > 0) c.session.Tick();
        keyboard.ClearHostKeyPresses();
        HostAction([&] { keyboard.Chord(chords[i], repeats); });
        // What the host's main window made of the key, once the hook let it through.
        for (const sim::SimKeyboard::HostKeyPress& press : keyboard.HostKeyPresses()) {
            if (press.repeat) continue;
            c.out << "  the host " << (press.handled ? "acts on " : "ignores ") << press.key
                  << (press.handled ? " as its own key\n" : " (silenced by the add-in)\n");
        }
    }
}

void CmdFront(CommandContext& c) {
    ExpectArgs(c, 1, 2, "front main|dialog TITLE|other TITLE|none");
    sim::SimKeyboard& keyboard = c.session.Keyboard();
    const std::string what = Lower(c.args[0]);
    if ((what == "main" || what == "none") && c.args.size() == 1) {
        what == "main" ? keyboard.ShowHostMain() : keyboard.ShowNothing();
    } else if ((what == "dialog" || what == "other") && c.args.size() == 2) {
        what == "dialog" ? keyboard.ShowHostDialog(c.args[1])
                         : keyboard.ShowOtherProgram(c.args[1]);
    } else {
        throw CommandError("Usage: front main|dialog TITLE|other TITLE|none");
    }
}

void CmdConnect(CommandContext& c) {
    ConnectOptions options;
    options.hostVersion = c.session.Connection().hostVersion;
    options.country = c.session.Connection().country;
    for (size_t i = 0; i < c.args.size(); ++i) {
        const std::string& a = c.args[i];
        if ((a == "--host-version" || a == "--country") && i + 1 < c.args.size()) {
            if (a == "--host-version") {
                options.hostVersion = c.args[++i];
            } else {
                options.country = c.args[++i];
            }
        } else {
            throw CommandError("Usage: connect [--host-version V] [--country NAME]");
        }
    }
    c.session.ConnectAddin(options);
    c.out << "  connected to a host of version " << options.hostVersion << "; texts in "
          << (tessaly::lngResBase == tessaly::kJapaneseBase ? "Japanese" : "English") << '\n';
    PrintControls(c.session, c.out);
    c.interp.Rebase();
}

void CmdDisconnect(CommandContext& c) {
    ExpectArgs(c, 0, 0, "disconnect");
    c.session.DisconnectAddin();
    c.out << "  disconnected: the add-in's menus and toolbar are gone\n";
    c.interp.Rebase();
}

void CmdSet(CommandContext& c) {
    ExpectArgs(c, 2, 2, "set [SECTION/]KEY VALUE");
    std::string section = "Setting";
    std::string key = c.args[0];
    const size_t slash = key.find('/');
    if (slash != std::string::npos) {
        section = key.substr(0, slash);
        key = key.substr(slash + 1);
    }
    if (section.empty() || key.empty()) throw CommandError("Usage: set [SECTION/]KEY VALUE");
    c.session.Platform().Settings().Write(tessaly::kSettingsApp, section, key, c.args[1]);
    c.out << "  " << section << '/' << key << " = " << QuoteWord(c.args[1]) << '\n';
}

void CmdAnswer(CommandContext& c) {
    ExpectArgs(c, 1, 64, "answer ok|cancel...");
    std::vector<platform::MsgAnswer> answers;
    for (const std::string& word : c.args) {
        const std::optional<platform::MsgAnswer> answer = AnswerFromWord(word);
        if (!answer) throw CommandError("\"" + word + "\" is no answer; give ok or cancel.");
        answers.push_back(*answer);
    }
    for (platform::MsgAnswer a : answers) c.session.Platform().QueueAnswer(a);
}

void CmdWindow(CommandContext& c) {
    c.session.Windows().Queue(ParseWindowAction(c.interp, c.args, c.line));
}

void CmdWait(CommandContext& c) {
    ExpectArgs(c, 1, 1, "wait SECONDS");
    const std::optional<double> seconds = ParseNumber(c.args[0]);
    if (!seconds || *seconds < 0 || *seconds > 86400)
        throw CommandError("\"" + c.args[0] + "\" is not a number of seconds.");
    c.session.Platform().Advance(*seconds);
}

void CmdPace(CommandContext& c) {
    ExpectArgs(c, 1, 1, "pace SECONDS");
    const std::optional<double> seconds = ParseNumber(c.args[0]);
    if (!seconds || *seconds < 0 || *seconds > 86400)
        throw CommandError("\"" + c.args[0] + "\" is not a number of seconds.");
    c.session.SetPace(*seconds);
}

}  // namespace app
