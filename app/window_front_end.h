#pragma once

// The terminal front end of the add-in's windows. A window that the add-in shows is
// drawn as text and driven by window actions: first those queued by the script (or typed
// ahead with `window ...`), then, in the interactive shell, actions typed at a
// "window>" prompt. A script that runs out of actions leaves the window as its close
// box does. The window models hold all logic; this only draws and relays.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/console.h"
#include "forms/window_model.h"
#include "platform/platform.h"

namespace sim {
class SimKeyboard;
}

namespace app {

// One thing the user does in a window.
struct WindowAction {
    std::string text;  // as written, for the transcript
    int line = 0;      // the script line that queued it; 0 when typed at the prompt
    // Performs the action; throws CommandError when it cannot be done.
    std::function<void(tessaly::WindowModel&)> apply;
};

class WindowFrontEnd : public platform::Windows {
  public:
    using ActionParser = std::function<WindowAction(const std::string& line)>;

    WindowFrontEnd(Console& console, sim::SimKeyboard& keyboard);

    // Typed actions are read with this (set by the interpreter, which knows the words).
    void SetActionParser(ActionParser parser) { parser_ = std::move(parser); }
    // Called after every action, to report what changed in the host.
    void SetAfterAction(std::function<void()> after) { after_ = std::move(after); }

    void Queue(WindowAction action) { actions_.push_back(std::move(action)); }
    size_t QueuedActions() const { return actions_.size(); }
    void ClearQueue() { actions_.clear(); }

    // The answer the next colour dialog gives (nothing: cancelled).
    void QueueColorAnswer(std::optional<int32_t> color) { colors_.push_back(color); }
    void ClearColorAnswers() { colors_.clear(); }

    // The windows open now, the one on top last.
    const std::vector<tessaly::WindowModel*>& OpenWindows() const { return open_; }

    // The first failure of a queued action since the last call: the script stops on it
    // once the command that showed the window has returned.
    std::optional<std::string> TakeFailure();

    // platform::Windows
    void ShowModal(tessaly::WindowModel& window) override;
    std::optional<int32_t> ChooseColor(int32_t initial) override;
    bool ActivateWindow(const std::string& title) override;
    double TwipsPerPixelX() override { return 15.0; }
    double TwipsPerPixelY() override { return 15.0; }

    void Print(const tessaly::WindowModel& window);

  private:
    bool RunQueued(tessaly::WindowModel& window);
    void RunTyped(tessaly::WindowModel& window);

    Console& console_;
    sim::SimKeyboard& keyboard_;
    ActionParser parser_;
    std::function<void()> after_;
    std::deque<WindowAction> actions_;
    std::deque<std::optional<int32_t>> colors_;
    std::vector<tessaly::WindowModel*> open_;
    std::optional<std::string> failure_;
    bool redraw_ = false;
};

// Whether the user can act on the control now: it and every frame or panel around it
// are enabled and visible.
bool Usable(const tessaly::WindowModel& window, const tessaly::Control& control);

}  // namespace app
