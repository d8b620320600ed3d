#include "app/window_front_end.h"

#include <ostream>

#include "app/text.h"
#include "app/window_view.h"
#include "sim/keyboard.h"

namespace app {

using tessaly::Control;
using tessaly::WindowModel;

bool Usable(const WindowModel& window, const Control& control) {
    const Control* current = &control;
    for (int depth = 0; current != nullptr && depth < 16; ++depth) {
        if (!current->Enabled || !current->Visible) return false;
        if (current->Container.empty()) return true;
        const Control* container = nullptr;
        for (const auto& c : window.Controls())
            if (c->DisplayName() == current->Container) container = c.get();
        current = container;
    }
    return true;
}

WindowFrontEnd::WindowFrontEnd(Console& console, sim::SimKeyboard& keyboard)
    : console_(console), keyboard_(keyboard) {}

std::optional<std::string> WindowFrontEnd::TakeFailure() {
    std::optional<std::string> failure = std::move(failure_);
    failure_.reset();
    return failure;
}

void WindowFrontEnd::Print(const WindowModel& window) {
    for (const std::string& line : RenderWindow(window)) console_.Out() << "    " << line << '\n';
}

void WindowFrontEnd::ShowModal(WindowModel& window) {
    std::ostream& out = console_.Out();
    open_.push_back(&window);
    // However the window ends, it leaves the list of open windows and the front, so that
    // nothing later reaches for a window that is gone.
    struct Closing {
        WindowFrontEnd& front;
        ~Closing() {
            front.open_.pop_back();
            if (front.open_.empty()) {
                front.keyboard_.ShowHostMain();
            } else {
                front.keyboard_.ShowHostDialog(front.open_.back()->Caption);
            }
        }
    } closing{*this};
    // While the window is up it is in front: the keyboard hook sees its title.
    keyboard_.ShowHostDialog(window.Caption);
    out << "  window \"" << window.Caption << "\" opens:\n";
    Print(window);
    redraw_ = false;

    bool leftOpen = false;
    while (window.Shown()) {
        if (!actions_.empty()) {
            if (!RunQueued(window)) break;
        } else if (console_.Interactive()) {
            RunTyped(window);
        } else {
            leftOpen = true;
            break;
        }
    }
    const std::string caption = window.Caption;
    if (leftOpen) {
        out << "  window \"" << caption << "\" closed with its close box (no window action left)\n";
    } else if (window.Shown()) {
        out << "  window \"" << caption << "\" closed with its close box\n";
    } else {
        out << "  window \"" << caption << "\" closed\n";
    }
}

bool WindowFrontEnd::RunQueued(WindowModel& window) {
    WindowAction action = std::move(actions_.front());
    actions_.pop_front();
    console_.Out() << "  window> " << action.text << '\n';
    // No failure may pass through the add-in, which is waiting for its window: any
    // error, also one no command foresaw, ends the action here.
    std::optional<std::string> cannot;
    try {
        action.apply(window);
    } catch (const CommandError& e) {
        cannot = e.what();
    } catch (const std::exception& e) {
        cannot = Sentence(e.what());
    }
    if (cannot) {
        console_.Out() << "    cannot: " << *cannot << '\n';
        if (!failure_) {
            failure_ = "The window action \"" + action.text + "\"" +
                       (action.line > 0 ? " (line " + std::to_string(action.line) + ")" : "") +
                       " could not be done: " + *cannot;
        }
        // The script cannot go on inside this window; the rest of its actions go too.
        actions_.clear();
        return false;
    }
    if (after_) after_();
    return true;
}

void WindowFrontEnd::RunTyped(WindowModel& window) {
    // Drawn again only after an action may have changed it.
    if (redraw_) Print(window);
    redraw_ = false;
    std::optional<std::string> line = console_.ReadLine("window> ");
    if (!line) {
        window.UserCloseBox();
        return;
    }
    if (IsBlankLine(*line)) return;
    try {
        if (!parser_) throw CommandError("No window actions are known.");
        WindowAction action = parser_(*line);
        redraw_ = true;
        action.apply(window);
        if (after_) after_();
    } catch (const CommandError& e) {
        console_.Out() << "  error: " << e.what() << '\n';
    } catch (const std::exception& e) {
        console_.Out() << "  error: " << Sentence(e.what()) << '\n';
    }
}

std::optional<int32_t> WindowFrontEnd::ChooseColor(int32_t initial) {
    std::ostream& out = console_.Out();
    out << "  colour dialog opens on " << initial << " (" << RgbText(initial) << ")\n";
    std::optional<int32_t> answer;
    if (!colors_.empty()) {
        answer = colors_.front();
        colors_.pop_front();
    } else if (console_.Interactive()) {
        for (;;) {
            std::optional<std::string> line =
                console_.ReadLine("    colour (8388608, &H800000 or #000080; empty: cancel)? ");
            if (!line || Trim(*line).empty()) break;
            answer = ParseColor(Trim(*line));
            if (answer) break;
            out << "    not a colour: " << *line << '\n';
        }
    }
    if (answer) {
        out << "    -> " << *answer << " (" << RgbText(*answer) << ")\n";
    } else {
        out << "    -> cancelled\n";
    }
    return answer;
}

bool WindowFrontEnd::ActivateWindow(const std::string&) {
    // The host's main window comes to the front, over the add-in's window.
    keyboard_.ShowHostMain();
    return true;
}

}  // namespace app
