#pragma once

// The command interpreter shared by `tessaly shell` and `tessaly run`: one line is one
// command. After every command it reports what changed for the user (active cell,
// bookmarks, marks, command states); message boxes and windows report themselves as
// they appear.

#include <ostream>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/host_state.h"
#include "app/session.h"

namespace app {

class Interpreter {
  public:
    // With echo, each command is printed ("> select B3") before its results, as a
    // transcript reads.
    Interpreter(Session& session, bool echo);

    // Runs one line. Throws CommandError when the command cannot run (after reporting
    // whatever it changed). Blank lines and comments do nothing.
    void Execute(const std::string& line, int lineNumber = 0);
    // A command given inside a window, while the add-in waits for the window.
    void ExecuteNested(const std::string& line, int lineNumber);

    // Takes the present state as the one the next changes are measured against.
    void Rebase();
    void ReportChanges();

    Session& GetSession() { return session_; }
    std::ostream& Out() { return session_.Out().Out(); }
    ColorMode Colors() { return session_.Out().Colors(); }

    bool QuitRequested() const { return quit_; }
    void RequestQuit() { quit_ = true; }

  private:
    void Run(const std::vector<std::string>& words, int lineNumber);

    Session& session_;
    bool echo_;
    bool quit_ = false;
    HostState last_;
};

// What a command handler gets.
struct CommandContext {
    Interpreter& interp;
    Session& session;
    std::ostream& out;
    std::vector<std::string> args;  // the words after the command's name
    int line = 0;
};

using CommandHandler = void (*)(CommandContext&);

struct CommandSpec {
    const char* name;     // one or two words: "open", "sheet add"
    const char* usage;    // "sheet add [NAME] [after SHEET]"
    const char* example;  // "sheet add Summary after Sales"
    const char* summary;  // one sentence
    const char* group;    // heading in help
    bool userAction;      // a user action: the clock moves on before it
    CommandHandler handler;
    const char* alias = nullptr;  // another word for the name
};

const std::vector<CommandSpec>& Commands();
// The command a line starts with (read by FindEntry, app/grammar.h); nothing when
// unknown. `used` tells how many words the name took.
const CommandSpec* FindCommand(const std::vector<std::string>& words, size_t* used);

// The whole help text, or the help of one command (or group, "sheet").
void PrintHelp(std::ostream& out, const std::string& topic);

}  // namespace app
