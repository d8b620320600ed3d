#pragma once

// A scripted front end for the add-in's windows. A test queues what the user does while
// a modal window is open (click a control, click a tree node, press Enter or Esc, resize,
// pick a colour...); when the add-in shows a window, the front end performs the queued
// actions on it, in order, through the same events a user would cause, until the window
// closes. It records what each window showed, for assertions.
//
// It attaches itself to the simulated platform for its lifetime and also answers the
// other window services: the colour dialog (from the script), window activation
// (logged) and the screen's twips per pixel.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/window_model.h"
#include "platform/platform.h"
#include "sim/sim_platform.h"

namespace tessaly_test {

// A control as the user saw it.
struct ControlView {
    std::string name;  // "cmdOK", "optMark(1)"
    tessaly::ControlKind kind = tessaly::ControlKind::Label;
    std::string caption;
    bool enabled = true;
    bool visible = true;
    int32_t value = 0;
    std::string text;  // the selected list entry
    int32_t listIndex = -1;
    std::vector<std::string> list;
    std::optional<tessaly::PixelRect> dropDownWindow;
    tessaly::Geometry rect;
    std::string container;
    int32_t foreColor = 0;
    int32_t backColor = 0;
    std::string tag;
    int32_t tabIndex = -1;
    bool isDefault = false;
    bool isCancel = false;
    std::optional<platform::Bitmap> picture;
};

// A tree entry as displayed, depth first.
struct NodeView {
    int depth = 0;
    std::string key;
    std::string text;
    int32_t image = 0;
    bool expanded = false;
    int32_t foreColor = 0;
    bool Grey() const;
};

// A window as the user saw it at one moment.
struct WindowView {
    std::string name;
    std::string caption;
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    float scaleWidth = 0;
    float scaleHeight = 0;
    std::vector<ControlView> controls;
    std::vector<NodeView> tree;  // the first tree view's nodes
    bool treeVisible = false;

    // By display name; a failed expectation and an empty view when there is none.
    const ControlView& Control(const std::string& displayName) const;
    // "Book1", "  Sheet1", "    B3 [grey]"...
    std::vector<std::string> TreeLines() const;
};

struct ShownWindow {
    std::string name;
    WindowView first;  // as it appeared
    WindowView last;   // as it was last seen open
    // False when the script ran out with the window still open (it was then closed as by
    // its close box).
    bool closedByScript = true;
};

class ScriptedWindows : public platform::Windows {
  public:
    explicit ScriptedWindows(sim::SimPlatform& platform);
    ~ScriptedWindows() override;
    ScriptedWindows(const ScriptedWindows&) = delete;
    ScriptedWindows& operator=(const ScriptedWindows&) = delete;

    // ---- The script: actions for the window on top, in order ---------------------------
    ScriptedWindows& Click(const std::string& control, int32_t index = -1);
    ScriptedWindows& DoubleClick(const std::string& control, int32_t index = -1);
    // A tree entry by the texts from its root down: {"Book1", "Sheet1", "B3"}.
    ScriptedWindows& ClickNode(const std::vector<std::string>& path);
    // Click then double-click, as a double-click on an entry arrives.
    ScriptedWindows& DoubleClickNode(const std::vector<std::string>& path);
    ScriptedWindows& PressKey(int32_t keyCode, int32_t shift = 0);
    ScriptedWindows& PressEnter() { return PressKey(tessaly::keys::kReturn); }
    ScriptedWindows& PressEscape() { return PressKey(tessaly::keys::kEscape); }
    ScriptedWindows& CloseBox();
    // Picks the entry with that text in a drop-down list.
    ScriptedWindows& Select(const std::string& control, int32_t index, const std::string& entry);
    ScriptedWindows& Resize(float width, float height);
    ScriptedWindows& Move(float left, float top);
    ScriptedWindows& SetWindowState(tessaly::WindowState state);
    // Clicks the colour button and picks that colour, or cancels the dialog.
    ScriptedWindows& PickColor(int32_t color, const std::string& button = "cmdColor");
    ScriptedWindows& CancelColor(const std::string& button = "cmdColor");
    // Anything else while the window is open (another command, a host action...).
    ScriptedWindows& Run(std::function<void()> action);
    // A look at the live window.
    ScriptedWindows& Inspect(std::function<void(tessaly::WindowModel&)> look);

    size_t PendingActions() const { return actions_.size(); }

    // ---- What happened -------------------------------------------------------------
    const std::vector<ShownWindow>& Shown() const { return shown_; }
    // The `which`-th window shown, as it appeared; a failed expectation and an empty
    // view when fewer were shown.
    const WindowView& Opened(size_t which = 0) const;
    // The initial colours the colour dialog opened with.
    const std::vector<int32_t>& ColorDialogs() const { return colorDialogs_; }
    // The titles of the windows brought to the front.
    const std::vector<std::string>& Activations() const { return activations_; }
    void SetTwipsPerPixel(double x, double y) {
        twipsX_ = x;
        twipsY_ = y;
    }

    static WindowView View(const tessaly::WindowModel& window);

    // ---- platform::Windows ---------------------------------------------------------
    void ShowModal(tessaly::WindowModel& window) override;
    std::optional<int32_t> ChooseColor(int32_t initial) override;
    bool ActivateWindow(const std::string& title) override;
    double TwipsPerPixelX() override { return twipsX_; }
    double TwipsPerPixelY() override { return twipsY_; }

  private:
    using Action = std::function<void(tessaly::WindowModel&)>;
    ScriptedWindows& Queue(Action action);

    sim::SimPlatform& platform_;
    std::deque<Action> actions_;
    std::deque<std::optional<int32_t>> colorAnswers_;
    std::vector<ShownWindow> shown_;
    std::vector<int32_t> colorDialogs_;
    std::vector<std::string> activations_;
    double twipsX_ = 15.0;
    double twipsY_ = 15.0;
};

}  // namespace tessaly_test
