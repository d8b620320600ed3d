#include "app/script_runner.h"

#include <string>

#include "app/interpreter.h"
#include "app/text.h"

namespace app {

int RunScript(std::istream& script, const RunOptions& options, std::ostream& out,
              std::ostream& err) {
    Console console(out, nullptr);
    Session session(console, options.settingsFile);
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
    out.flush();
    return 0;
}

}  // namespace app
