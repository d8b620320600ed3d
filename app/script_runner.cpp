#include "app/script_runner.h"

#include <string>

#include "app/interpreter.h"
#include "app/read_progress.h"
#include "app/text.h"

namespace app {

int RunScript(std::istream& script, const RunOptions& options, std::ostream& out,
              std::ostream& err) {
    Console console(out, nullptr);
    Session session(console, options.settingsFile);
    session.SetReadOptions(ReadOptionsFor(options.budget));
    int lineNumber = 0;
    const auto fail = [&](const std::string& sentence) {
        out.flush();
        if (lineNumber == 0) {
            err << "tessaly: " << sentence << '\n';
        } else {
            err << "line " << lineNumber << ": " << sentence << '\n';
        }
        return 1;
    };
    try {
        session.ConnectAddin(options.connect);
    } catch (const CommandError& e) {
        return fail(e.what());
    } catch (const std::exception& e) {
        return fail(Sentence(e.what()));
    }
    Interpreter interp(session, true);
    std::string line;
    while (std::getline(script, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        try {
            interp.Execute(line, lineNumber);
        } catch (const CommandError& e) {
            return fail(e.what());
        } catch (const std::exception& e) {
            // A refusal of the simulated host that no command foresaw.
            return fail(Sentence(e.what()));
        }
        if (interp.QuitRequested()) break;
    }
    // A script that cannot be read (a folder, an input error) must not pass for an empty
    // one.
    if (script.bad()) {
        const int linesRead = lineNumber;
        lineNumber = 0;  // the fault is the file's, not a line's
        return fail("The script cannot be read" +
                    (linesRead > 0 ? " after line " + std::to_string(linesRead) : std::string()) +
                    ".");
    }
    // Answers and window actions that no box or window took are most likely a mistake
    // in the script; say so.
    const size_t answers = session.Platform().QueuedAnswers();
    const size_t actions = session.Windows().QueuedActions();
    if (answers > 0 || actions > 0) {
        out << "  (never used: " << answers << (answers == 1 ? " answer, " : " answers, ")
            << actions << (actions == 1 ? " window action)\n" : " window actions)\n");
    }
    out.flush();
    return 0;
}

}  // namespace app
