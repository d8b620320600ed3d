#include "forms/window_model.h"

#include <algorithm>

#include "host/host_error.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// The runtime's errors for a bad property value and a missing control.
constexpr int32_t kInvalidPropertyValue = 380;
constexpr int32_t kNoSuchControl = 340;

// Frame and title bar of each border style at the usual screen resolution; a front end
// that draws them otherwise tells the model (SetNonClientSize).
constexpr float kToolWindowNonClientWidth = 120;
constexpr float kToolWindowNonClientHeight = 360;
constexpr float kDialogNonClientWidth = 90;
constexpr float kDialogNonClientHeight = 375;

}  // namespace

// ---- Tree nodes ------------------------------------------------------------------------

TreeNode& TreeNodes::Add(const std::optional<std::string>& relative, int32_t relationship,
                         const std::optional<std::string>& key, const std::string& text,
                         int32_t image, int32_t selectedImage) {
    TreeNode* parent = nullptr;
    if (relative) {
        if (relationship != tvwChild)
            host::Raise(treeerr::kInvalidProcedureCall, "Invalid procedure call or argument");
        parent = Find(*relative);
        if (parent == nullptr) host::Raise(treeerr::kElementNotFound, "Element not found");
    }
    if (key && !key->empty() && Find(*key) != nullptr)
        host::Raise(treeerr::kKeyNotUnique, "Key is not unique in collection");

    auto node = std::make_unique<TreeNode>();
    node->Key = key.value_or("");
    node->Text = text;
    node->Image = image;
    node->SelectedImage = selectedImage;
    node->parent_ = parent;
    if (parent != nullptr) parent->children_.push_back(node.get());
    if (!node->Key.empty()) byKey_.emplace(node->Key, node.get());
    nodes_.push_back(std::move(node));
    return *nodes_.back();
}

TreeNode& TreeNodes::Item(int32_t index) const {
    if (index < 1 || index > Count())
        host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
    return *nodes_[static_cast<size_t>(index - 1)];
}

TreeNode* TreeNodes::Find(const std::string& key) const {
    if (key.empty()) return nullptr;
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : found->second;
}

std::vector<TreeNode*> TreeNodes::Roots() const {
    std::vector<TreeNode*> roots;
    for (const auto& node : nodes_)
        if (node->Parent() == nullptr) roots.push_back(node.get());
    return roots;
}

// ---- Controls --------------------------------------------------------------------------

Control::Control(std::string name, int32_t index, ControlKind kind)
    : name_(std::move(name)), index_(index), kind_(kind) {}

std::string Control::DisplayName() const {
    if (index_ < 0) return name_;
    return name_ + "(" + std::to_string(index_) + ")";
}

std::string Control::Text() const {
    if (ListIndex < 0 || ListIndex >= static_cast<int32_t>(List.size())) return "";
    return List[static_cast<size_t>(ListIndex)];
}

bool Control::SelectText(const std::string& text) {
    const std::string wanted = UCase(text);
    for (size_t i = 0; i < List.size(); ++i) {
        if (UCase(List[i]) == wanted) {
            ListIndex = static_cast<int32_t>(i);
            return true;
        }
    }
    ListIndex = -1;
    return false;
}

void Control::Move(float left, float top, float width, float height) {
    if (width < 0 || height < 0) host::Raise(kInvalidPropertyValue, "Invalid property value");
    Rect = {left, top, width, height};
}

bool Control::CanFocus() const {
    switch (kind_) {
        case ControlKind::CommandButton:
        case ControlKind::OptionButton:
        case ControlKind::CheckBox:
        case ControlKind::ComboBox:
        case ControlKind::TreeView:
        case ControlKind::PictureBox:
            return Enabled && Visible && TabStop;
        default:
            return false;
    }
}

// ---- Window ----------------------------------------------------------------------------

WindowModel::WindowModel(platform::Platform& platform, std::string name,
                         tessaly::BorderStyle border, float clientWidth, float clientHeight)
    : platform_(platform), name_(std::move(name)), border_(border) {
    if (border == tessaly::BorderStyle::SizableToolWindow) {
        nonClientWidth_ = kToolWindowNonClientWidth;
        nonClientHeight_ = kToolWindowNonClientHeight;
    } else {
        nonClientWidth_ = kDialogNonClientWidth;
        nonClientHeight_ = kDialogNonClientHeight;
    }
    width_ = clientWidth + nonClientWidth_;
    height_ = clientHeight + nonClientHeight_;
}

WindowModel::~WindowModel() {
    Leave();
}

void WindowModel::SetWidth(float v) {
    if (v < 0) host::Raise(kInvalidPropertyValue, "Invalid property value");
    if (v == width_) return;
    width_ = v;
    SizeChanged();
}

void WindowModel::SetHeight(float v) {
    if (v < 0) host::Raise(kInvalidPropertyValue, "Invalid property value");
    if (v == height_) return;
    height_ = v;
    SizeChanged();
}

float WindowModel::ScaleWidth() const {
    return std::max(0.0f, width_ - nonClientWidth_);
}
float WindowModel::ScaleHeight() const {
    return std::max(0.0f, height_ - nonClientHeight_);
}

void WindowModel::SetNonClientSize(float width, float height) {
    nonClientWidth_ = std::max(0.0f, width);
    nonClientHeight_ = std::max(0.0f, height);
    SizeChanged();
}

void WindowModel::SetWindowState(tessaly::WindowState state) {
    if (state == state_) return;
    state_ = state;
    SizeChanged();
}

void WindowModel::SizeChanged() {
    if (loaded_) OnResize();
}

Control& WindowModel::AddControl(const std::string& name, int32_t index, ControlKind kind) {
    controls_.push_back(std::make_unique<Control>(name, index, kind));
    return *controls_.back();
}

Control* WindowModel::Find(const std::string& name, int32_t index) const {
    for (const auto& control : controls_)
        if (control->Name() == name && control->Index() == index) return control.get();
    return nullptr;
}

Control& WindowModel::Ctl(const std::string& name, int32_t index) const {
    Control* control = Find(name, index);
    if (control == nullptr) host::Raise(kNoSuchControl, "Control array element doesn't exist");
    return *control;
}

std::vector<Control*> WindowModel::TabOrder() const {
    std::vector<Control*> order;
    for (const auto& control : controls_)
        if (control->TabIndex >= 0) order.push_back(control.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex < b->TabIndex; });
    return order;
}

void WindowModel::Load() {
    if (loaded_) return;
    loaded_ = true;
    Enter();
    OnLoad();
}

void WindowModel::ShowModal() {
    Load();
    if (!loaded_) return;
    shown_ = true;
    if (focus_ == nullptr || !Usable(*focus_)) {
        focus_ = nullptr;
        for (Control* control : TabOrder()) {
            if (control->CanFocus() && Usable(*control)) {
                focus_ = control;
                break;
            }
        }
    }
    OnResize();  // a window is laid out as it first appears
    if (shown_) platform_.Windows().ShowModal(*this);
    // A front end that returns with the window still up has let the user go: the window
    // closes as by its close box, through its own closing steps.
    if (loaded_ && shown_) Unload(UnloadMode::FormControlMenu);
    shown_ = false;
}

bool WindowModel::Unload(UnloadMode mode) {
    if (!loaded_) return true;
    bool cancel = false;
    OnQueryUnload(cancel, mode);
    if (cancel) return false;
    OnUnload();
    shown_ = false;
    loaded_ = false;
    focus_ = nullptr;
    Leave();
    return true;
}

void WindowModel::Enter() {
    if (loadedList_ == nullptr) return;
    if (std::find(loadedList_->begin(), loadedList_->end(), this) == loadedList_->end())
        loadedList_->push_back(this);
}

void WindowModel::Leave() {
    if (loadedList_ == nullptr) return;
    loadedList_->erase(std::remove(loadedList_->begin(), loadedList_->end(), this),
                       loadedList_->end());
}

// A control acts only while it and every frame or panel around it are enabled and shown.
bool WindowModel::Usable(const Control& control) const {
    if (!loaded_ || !shown_) return false;
    const Control* current = &control;
    for (int depth = 0; current != nullptr && depth < 16; ++depth) {
        if (!current->Enabled || !current->Visible) return false;
        if (current->Container.empty()) return true;
        const Control* container = nullptr;
        for (const auto& c : controls_)
            if (c->DisplayName() == current->Container) container = c.get();
        current = container;
    }
    return true;
}

void WindowModel::ClickButton(Control& button) {
    if (!Usable(button)) return;
    focus_ = &button;
    OnClick(button);
}

void WindowModel::UserClick(Control& control) {
    if (!Usable(control)) return;
    switch (control.Kind()) {
        case ControlKind::CommandButton:
            ClickButton(control);
            break;
        case ControlKind::OptionButton:
            // Option buttons in one container form one group.
            for (const auto& other : controls_) {
                if (other->Kind() == ControlKind::OptionButton &&
                    other->Container == control.Container)
                    other->Value = (other.get() == &control) ? 1 : 0;
            }
            focus_ = &control;
            OnClick(control);
            break;
        case ControlKind::CheckBox:
            control.Value = (control.Value == 1) ? 0 : 1;
            focus_ = &control;
            OnClick(control);
            break;
        case ControlKind::ComboBox:
        case ControlKind::TreeView:
            if (control.CanFocus()) focus_ = &control;
            break;
        case ControlKind::Label:
        case ControlKind::Frame:
        case ControlKind::Image:
        case ControlKind::PictureBox:
            OnClick(control);
            break;
        case ControlKind::ImageList:
        case ControlKind::CommonDialog:
            break;  // not on the screen
    }
}

void WindowModel::UserSelectListItem(Control& list, int32_t listIndex) {
    if (list.Kind() != ControlKind::ComboBox || !Usable(list)) return;
    if (listIndex < 0 || listIndex >= static_cast<int32_t>(list.List.size())) return;
    focus_ = &list;
    list.ListIndex = listIndex;
    OnClick(list);
}

void WindowModel::UserNodeClick(Control& tree, TreeNode& node) {
    if (tree.Kind() != ControlKind::TreeView || !Usable(tree)) return;
    bool ours = false;
    for (int32_t i = 1; i <= tree.Nodes.Count() && !ours; ++i) ours = &tree.Nodes.Item(i) == &node;
    if (!ours) return;
    focus_ = &tree;
    tree.SelectedItem = &node;
    OnNodeClick(tree, node);
}

void WindowModel::UserDblClick(Control& control) {
    if (!Usable(control)) return;
    if (control.CanFocus()) focus_ = &control;
    OnDblClick(control);
}

void WindowModel::UserKey(int32_t keyCode, int32_t shift) {
    if (!shown_) return;
    if (keyCode == keys::kReturn) {
        if (focus_ != nullptr && focus_->Kind() == ControlKind::CommandButton && Usable(*focus_)) {
            ClickButton(*focus_);
            return;
        }
        for (const auto& control : controls_) {
            if (control->Default && control->Kind() == ControlKind::CommandButton &&
                Usable(*control)) {
                ClickButton(*control);
                return;
            }
        }
    } else if (keyCode == keys::kEscape) {
        for (const auto& control : controls_) {
            if (control->Cancel && control->Kind() == ControlKind::CommandButton &&
                Usable(*control)) {
                ClickButton(*control);
                return;
            }
        }
    }
    if (focus_ != nullptr && Usable(*focus_)) OnKeyUp(*focus_, keyCode, shift);
}

void WindowModel::UserFocus(Control& control) {
    if (control.CanFocus() && Usable(control)) focus_ = &control;
}

void WindowModel::UserCloseBox() {
    if (shown_) Unload(UnloadMode::FormControlMenu);
}

void WindowModel::UserResize(float width, float height) {
    if (!shown_ || width < 0 || height < 0) return;
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    SizeChanged();
}

void WindowModel::UserMove(float left, float top) {
    if (!shown_) return;
    left_ = left;
    top_ = top;
}

void WindowModel::UserSetWindowState(tessaly::WindowState state) {
    if (shown_) SetWindowState(state);
}

}  // namespace tessaly
