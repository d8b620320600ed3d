#include "tests/support/scripted_windows.h"

#include <gtest/gtest.h>

#include <utility>

namespace tessaly_test {

using tessaly::Control;
using tessaly::ControlKind;
using tessaly::TreeNode;
using tessaly::WindowModel;

namespace {

Control* FindControl(WindowModel& window, const std::string& name, int32_t index) {
    Control* control = window.Find(name, index);
    if (control == nullptr) {
        ADD_FAILURE() << window.Name() << " has no control " << name
                      << (index >= 0 ? "(" + std::to_string(index) + ")" : "");
    }
    return control;
}

Control* FirstTree(const WindowModel& window) {
    for (const auto& control : window.Controls())
        if (control->Kind() == ControlKind::TreeView) return control.get();
    return nullptr;
}

// The entry reached by following the texts from a root down.
TreeNode* FindNode(WindowModel& window, const std::vector<std::string>& path, Control** tree) {
    *tree = FirstTree(window);
    if (*tree == nullptr || path.empty()) {
        ADD_FAILURE() << window.Name() << ": no tree, or an empty path";
        return nullptr;
    }
    std::vector<TreeNode*> level = (*tree)->Nodes.Roots();
    TreeNode* found = nullptr;
    for (const std::string& text : path) {
        found = nullptr;
        for (TreeNode* node : level) {
            if (node->Text == text) {
                found = node;
                break;
            }
        }
        if (found == nullptr) {
            ADD_FAILURE() << window.Name() << ": no tree entry \"" << text << "\" on the path";
            return nullptr;
        }
        level = found->ChildNodes();
    }
    return found;
}

void AddNodes(const std::vector<TreeNode*>& level, int depth, std::vector<NodeView>& out) {
    for (const TreeNode* node : level) {
        out.push_back({depth, node->Key, node->Text, node->Image, node->Expanded, node->ForeColor});
        AddNodes(node->ChildNodes(), depth + 1, out);
    }
}

}  // namespace

bool NodeView::Grey() const {
    return foreColor == tessaly::syscolor::kButtonShadow;
}

const ControlView& WindowView::Control(const std::string& displayName) const {
    for (const ControlView& c : controls)
        if (c.name == displayName) return c;
    ADD_FAILURE() << name << " showed no control " << displayName;
    static const ControlView none;
    return none;
}

const WindowView& ScriptedWindows::Opened(size_t which) const {
    if (which < shown_.size()) return shown_[which].first;
    ADD_FAILURE() << "only " << shown_.size() << " windows were shown";
    static const WindowView none;
    return none;
}

std::vector<std::string> WindowView::TreeLines() const {
    std::vector<std::string> lines;
    for (const NodeView& node : tree)
        lines.push_back(std::string(static_cast<size_t>(node.depth) * 2, ' ') + node.text +
                        (node.Grey() ? " [grey]" : ""));
    return lines;
}

ScriptedWindows::ScriptedWindows(sim::SimPlatform& platform) : platform_(platform) {
    platform_.AttachWindows(this);
}

ScriptedWindows::~ScriptedWindows() {
    platform_.AttachWindows(nullptr);
}

ScriptedWindows& ScriptedWindows::Queue(Action action) {
    actions_.push_back(std::move(action));
    return *this;
}

ScriptedWindows& ScriptedWindows::Click(const std::string& control, int32_t index) {
    return Queue([=](WindowModel& w) {
        if (Control* c = FindControl(w, control, index)) w.UserClick(*c);
    });
}

ScriptedWindows& ScriptedWindows::DoubleClick(const std::string& control, int32_t index) {
    return Queue([=](WindowModel& w) {
        if (Control* c = FindControl(w, control, index)) w.UserDblClick(*c);
    });
}

ScriptedWindows& ScriptedWindows::ClickNode(const std::vector<std::string>& path) {
    return Queue([=](WindowModel& w) {
        Control* tree = nullptr;
        if (TreeNode* node = FindNode(w, path, &tree)) w.UserNodeClick(*tree, *node);
    });
}

ScriptedWindows& ScriptedWindows::DoubleClickNode(const std::vector<std::string>& path) {
    return Queue([=](WindowModel& w) {
        Control* tree = nullptr;
        TreeNode* node = FindNode(w, path, &tree);
        if (node == nullptr) return;
        w.UserNodeClick(*tree, *node);
        if (w.Shown()) w.UserDblClick(*tree);
    });
}

ScriptedWindows& ScriptedWindows::PressKey(int32_t keyCode, int32_t shift) {
    return Queue([=](WindowModel& w) { w.UserKey(keyCode, shift); });
}

ScriptedWindows& ScriptedWindows::CloseBox() {
    return Queue([](WindowModel& w) { w.UserCloseBox(); });
}

ScriptedWindows& ScriptedWindows::Select(const std::string& control, int32_t index,
                                         const std::string& entry) {
    return Queue([=](WindowModel& w) {
        Control* c = FindControl(w, control, index);
        if (c == nullptr) return;
        for (size_t i = 0; i < c->List.size(); ++i) {
            if (c->List[i] == entry) {
                w.UserSelectListItem(*c, static_cast<int32_t>(i));
                return;
            }
        }
        ADD_FAILURE() << c->DisplayName() << " offers no entry \"" << entry << "\"";
    });
}

ScriptedWindows& ScriptedWindows::Resize(float width, float height) {
    return Queue([=](WindowModel& w) { w.UserResize(width, height); });
}

ScriptedWindows& ScriptedWindows::Move(float left, float top) {
    return Queue([=](WindowModel& w) { w.UserMove(left, top); });
}

ScriptedWindows& ScriptedWindows::SetWindowState(tessaly::WindowState state) {
    return Queue([=](WindowModel& w) { w.UserSetWindowState(state); });
}

ScriptedWindows& ScriptedWindows::PickColor(int32_t color, const std::string& button) {
    return Queue([=, this](WindowModel& w) {
        Control* c = FindControl(w, button, -1);
        if (c == nullptr) return;
        colorAnswers_.push_back(color);
        w.UserClick(*c);
        colorAnswers_.clear();  // a button that did not open the dialog leaves nothing behind
    });
}

ScriptedWindows& ScriptedWindows::CancelColor(const std::string& button) {
    return Queue([=, this](WindowModel& w) {
        Control* c = FindControl(w, button, -1);
        if (c == nullptr) return;
        colorAnswers_.push_back(std::nullopt);
        w.UserClick(*c);
        colorAnswers_.clear();
    });
}

ScriptedWindows& ScriptedWindows::Run(std::function<void()> action) {
    return Queue([action = std::move(action)](WindowModel&) { action(); });
}

ScriptedWindows& ScriptedWindows::Inspect(std::function<void(WindowModel&)> look) {
    return Queue(std::move(look));
}

WindowView ScriptedWindows::View(const WindowModel& window) {
    WindowView view;
    view.name = window.Name();
    view.caption = window.Caption;
    view.left = window.Left();
    view.top = window.Top();
    view.width = window.Width();
    view.height = window.Height();
    view.scaleWidth = window.ScaleWidth();
    view.scaleHeight = window.ScaleHeight();
    for (const auto& c : window.Controls()) {
        ControlView v;
        v.name = c->DisplayName();
        v.kind = c->Kind();
        v.caption = c->Caption;
        v.enabled = c->Enabled;
        v.visible = c->Visible;
        v.value = c->Value;
        v.text = c->Text();
        v.listIndex = c->ListIndex;
        v.list = c->List;
        v.dropDownWindow = c->DropDownWindow;
        v.rect = c->Rect;
        v.container = c->Container;
        v.foreColor = c->ForeColor;
        v.backColor = c->BackColor;
        v.tag = c->Tag;
        v.tabIndex = c->TabIndex;
        v.isDefault = c->Default;
        v.isCancel = c->Cancel;
        v.picture = c->Picture;
        view.controls.push_back(std::move(v));
    }
    if (const Control* tree = FirstTree(window)) {
        view.treeVisible = tree->Visible;
        AddNodes(tree->Nodes.Roots(), 0, view.tree);
    }
    return view;
}

void ScriptedWindows::ShowModal(WindowModel& window) {
    shown_.push_back({window.Name(), View(window), View(window), true});
    const size_t record = shown_.size() - 1;
    // Nested windows run their own loop here, so each action reaches the window on top.
    while (window.Shown()) {
        if (actions_.empty()) {
            shown_[record].closedByScript = false;
            return;
        }
        Action action = std::move(actions_.front());
        actions_.pop_front();
        action(window);
        if (window.Shown()) shown_[record].last = View(window);
    }
}

std::optional<int32_t> ScriptedWindows::ChooseColor(int32_t initial) {
    colorDialogs_.push_back(initial);
    if (colorAnswers_.empty()) return std::nullopt;
    std::optional<int32_t> answer = colorAnswers_.front();
    colorAnswers_.pop_front();
    return answer;
}

bool ScriptedWindows::ActivateWindow(const std::string& title) {
    activations_.push_back(title);
    return true;
}

}  // namespace tessaly_test
