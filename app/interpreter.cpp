#include "app/interpreter.h"

#include "app/text.h"
#include "app/window_actions.h"

namespace app {

Interpreter::Interpreter(Session& session, bool echo) : session_(session), echo_(echo) {
    WindowFrontEnd& windows = session_.Windows();
    windows.SetActionParser(
        [this](const std::string& line) { return ParseWindowAction(*this, SplitWords(line), 0); });
    windows.SetAfterAction([this] { ReportChanges(); });
    last_ = CaptureState(session_);
}

void Interpreter::Rebase() {
    last_ = CaptureState(session_);
}

void Interpreter::ReportChanges() {
    HostState now = CaptureState(session_);
    app::ReportChanges(last_, now, Out());
    last_ = std::move(now);
}

void Interpreter::Execute(const std::string& line, int lineNumber) {
    if (IsBlankLine(line)) return;
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return;
    if (echo_) Out() << "> " << Trim(line) << '\n';
    Run(words, lineNumber);
}

void Interpreter::ExecuteNested(const std::string& line, int lineNumber) {
    const std::vector<std::string> words = SplitWords(line);
    if (!words.empty()) Run(words, lineNumber);
}

void Interpreter::Run(const std::vector<std::string>& words, int lineNumber) {
    size_t used = 0;
    const CommandSpec* entry = FindCommand(words, &used);
    if (entry == nullptr) {
        throw CommandError("\"" + words[0] +
                           "\" is not a command; \"help\" lists every command with an example.");
    }
    if (entry->userAction) session_.Tick();
    CommandContext context{
        *this, session_, Out(),
        std::vector<std::string>(words.begin() + static_cast<long>(used), words.end()), lineNumber};
    try {
        entry->handler(context);
    } catch (...) {
        // What the command did before it failed is still reported.
        session_.Windows().TakeFailure();
        ReportChanges();
        throw;
    }
    const std::optional<std::string> failure = session_.Windows().TakeFailure();
    ReportChanges();
    if (failure) throw CommandError(*failure);
}

}  // namespace app
