#pragma once

// The add-in's windows as models. A window owns its controls (names, captions, states,
// geometry in twips) and raises the events that the user's actions cause. A front end
// draws a model generically and turns what the user does into the User* calls below;
// what a control does on its own when used (an option button switching its group, a
// check box toggling, Enter reaching the default button) happens here, so that every
// front end behaves alike. The model never draws.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace tessaly {

// Colours are 0x00BBGGRR, or 0x80000000 | index for a colour of the system's scheme.
namespace syscolor {
inline constexpr int32_t kWindowBackground = static_cast<int32_t>(0x80000005);
inline constexpr int32_t kWindowText = static_cast<int32_t>(0x80000008);
inline constexpr int32_t kButtonFace = static_cast<int32_t>(0x8000000F);
inline constexpr int32_t kButtonShadow = static_cast<int32_t>(0x80000010);
inline constexpr int32_t kButtonText = static_cast<int32_t>(0x80000012);
}  // namespace syscolor

// Key codes and the shift state of key events.
namespace keys {
inline constexpr int32_t kReturn = 13;
inline constexpr int32_t kEscape = 27;
inline constexpr int32_t kShiftMask = 1;
inline constexpr int32_t kCtrlMask = 2;
inline constexpr int32_t kAltMask = 4;
}  // namespace keys

// Position and size in twips; left and top are relative to the client area of the
// control's container (the window, a frame or a panel).
struct Geometry {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

struct PixelRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

enum class ControlKind {
    CommandButton,
    Label,
    Frame,
    OptionButton,
    CheckBox,
    ComboBox,  // a drop-down list: pick only, no typing
    TreeView,
    Image,
    PictureBox,
    ImageList,
    CommonDialog,
};

// Relationship of Nodes.Add: the new node becomes the last child of its relative.
inline constexpr int32_t tvwChild = 4;

// The tree view's errors.
namespace treeerr {
inline constexpr int32_t kElementNotFound = 35601;
inline constexpr int32_t kKeyNotUnique = 35602;
inline constexpr int32_t kInvalidProcedureCall = 5;
}  // namespace treeerr

class TreeNode {
  public:
    std::string Key;  // empty: the node has no key; fixed once the node is added
    std::string Text;
    int32_t Image = 0;
    int32_t SelectedImage = 0;
    bool Expanded = false;
    int32_t ForeColor = syscolor::kWindowText;

    TreeNode* Parent() const { return parent_; }
    // The number of children, as the tree view reports it.
    int32_t Children() const { return static_cast<int32_t>(children_.size()); }
    const std::vector<TreeNode*>& ChildNodes() const { return children_; }

  private:
    friend class TreeNodes;
    TreeNode* parent_ = nullptr;
    std::vector<TreeNode*> children_;
};

// The nodes of a tree view, in the order they were added.
class TreeNodes {
  public:
    // Nodes.Add. Without a relative the node is a root; with one it becomes the relative's
    // last child (only tvwChild is offered). Raises the tree view's errors for a key that
    // is already present or a relative that is not. Keys compare exactly.
    TreeNode& Add(const std::optional<std::string>& relative, int32_t relationship,
                  const std::optional<std::string>& key, const std::string& text, int32_t image,
                  int32_t selectedImage);
    int32_t Count() const { return static_cast<int32_t>(nodes_.size()); }
    // 1-based, in the order of adding.
    TreeNode& Item(int32_t index) const;
    TreeNode* Find(const std::string& key) const;
    std::vector<TreeNode*> Roots() const;

  private:
    std::vector<std::unique_ptr<TreeNode>> nodes_;
    // The keyed nodes by key: the list adds three nodes per bookmark, each looked up by
    // key, and must stay linear in the number of bookmarks.
    std::unordered_map<std::string, TreeNode*> byKey_;
};

class Control {
  public:
    Control(std::string name, int32_t index, ControlKind kind);

    const std::string& Name() const { return name_; }
    // Index in a control array; -1 for a control that stands alone.
    int32_t Index() const { return index_; }
    ControlKind Kind() const { return kind_; }
    // "cmdOK", "optMark(1)".
    std::string DisplayName() const;

    std::string Caption;
    bool Enabled = true;
    bool Visible = true;
    // Check box: 0 unchecked, 1 checked. Option button: 1 selected, 0 not.
    int32_t Value = 0;
    // Tab order; -1 for controls that have none (images, image lists, dialogs).
    int32_t TabIndex = -1;
    bool TabStop = true;
    Geometry Rect;
    // DisplayName of the frame or panel that holds the control; empty for the window.
    std::string Container;
    int32_t ForeColor = syscolor::kButtonText;
    int32_t BackColor = syscolor::kButtonFace;
    std::string Tag;
    bool Default = false;     // Enter clicks it
    bool Cancel = false;      // Esc clicks it
    bool Graphical = false;   // a button that shows its BackColor
    int32_t BorderStyle = 1;  // 0 none, 1 single

    // Drop-down lists.
    std::vector<std::string> List;
    int32_t ListIndex = -1;
    // The opened list's window as last placed, in pixels; nothing for the default.
    std::optional<PixelRect> DropDownWindow;
    // The selected entry's text; empty without a selection.
    std::string Text() const;
    // Selects the entry that matches the text (as the list itself matches: without regard
    // to letter case); no selection when none does. True when one matched.
    bool SelectText(const std::string& text);

    // Pictures and image lists.
    std::optional<platform::Bitmap> Picture;
    std::vector<platform::Bitmap> ListImages;  // 1-based in the events' terms

    // Tree views.
    TreeNodes Nodes;
    TreeNode* SelectedItem = nullptr;

    void Move(float left, float top, float width, float height);
    bool Selected() const { return Value != 0; }
    // Whether the control can take the keyboard focus.
    bool CanFocus() const;

  private:
    std::string name_;
    int32_t index_;
    ControlKind kind_;
};

// VB's numbers, so that a front end can hand them through unchanged.
enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };
enum class BorderStyle { FixedDialog = 3, SizableToolWindow = 5 };
enum class StartUpPosition { Manual = 0, WindowsDefault = 3 };
enum class UnloadMode { FormControlMenu = 0, FormCode = 1, AppWindows = 2, FormOwner = 5 };

class WindowModel {
  public:
    WindowModel(platform::Platform& platform, std::string name, tessaly::BorderStyle border,
                float clientWidth, float clientHeight);
    virtual ~WindowModel();
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    const std::string& Name() const { return name_; }
    std::string Caption;
    tessaly::BorderStyle Border() const { return border_; }
    tessaly::StartUpPosition StartUpPosition = tessaly::StartUpPosition::Manual;
    bool ShowInTaskbar = false;
    std::string FontName = "MS UI Gothic";
    float FontSize = 9;
    int32_t FontCharset = 128;  // Japanese
    int32_t BackColor = syscolor::kButtonFace;
    // A fixed dialog and a tool window have neither minimise nor maximise button.
    bool MinButton() const { return false; }
    bool MaxButton() const { return false; }

    // Outer placement in twips. A change of size while the window is loaded raises
    // Resize, as the window system does.
    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float v) { left_ = v; }
    void SetTop(float v) { top_ = v; }
    void SetWidth(float v);
    void SetHeight(float v);
    // The client area (outer size less frame and title bar).
    float ScaleWidth() const;
    float ScaleHeight() const;
    // The frame and title bar as the front end draws them; the outer size is kept.
    float NonClientWidth() const { return nonClientWidth_; }
    float NonClientHeight() const { return nonClientHeight_; }
    void SetNonClientSize(float width, float height);
    tessaly::WindowState WindowState() const { return state_; }
    void SetWindowState(tessaly::WindowState state);

    // Controls, in the order they were created.
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    Control* Find(const std::string& name, int32_t index = -1) const;
    // As Find; the runtime's "control array element doesn't exist" error when absent.
    Control& Ctl(const std::string& name, int32_t index = -1) const;
    // Controls with a tab index, in tab order.
    std::vector<Control*> TabOrder() const;
    Control* ActiveControl() const { return focus_; }

    // Lifecycle: loaded (Form_Load has run), shown, unloaded again.
    bool Loaded() const { return loaded_; }
    bool Shown() const { return shown_; }
    // Runs Form_Load on the first call after construction or unloading.
    void Load();
    // Loads and shows the window modally; returns when it is no longer shown, which
    // unloads it if the front end left it loaded.
    void ShowModal();
    // QueryUnload, then Unload. False when QueryUnload refused.
    bool Unload(UnloadMode mode = UnloadMode::FormCode);
    // Where the window enters itself while it is loaded (the owner's list of its loaded
    // windows); nullptr for none.
    void SetLoadedList(std::vector<WindowModel*>* list) { loadedList_ = list; }

    // The user's actions, as a front end reports them. Actions on a window that is not
    // shown, or on a control that is disabled or hidden, do nothing.
    void UserClick(Control& control);
    void UserSelectListItem(Control& list, int32_t listIndex);
    void UserNodeClick(Control& tree, TreeNode& node);
    void UserDblClick(Control& control);
    // A key pressed and released: Enter goes to a focused button or else the default
    // button, Esc to the cancel button; otherwise the focused control gets KeyUp.
    void UserKey(int32_t keyCode, int32_t shift = 0);
    void UserFocus(Control& control);
    void UserCloseBox();
    void UserResize(float width, float height);
    void UserMove(float left, float top);
    void UserSetWindowState(tessaly::WindowState state);

  protected:
    Control& AddControl(const std::string& name, int32_t index, ControlKind kind);
    platform::Platform& Platform() const { return platform_; }

    // Events; the window classes route them to their event procedures.
    virtual void OnLoad() {}
    virtual void OnResize() {}
    virtual void OnQueryUnload(bool& /*cancel*/, UnloadMode /*mode*/) {}
    virtual void OnUnload() {}
    virtual void OnClick(Control& /*control*/) {}
    virtual void OnDblClick(Control& /*control*/) {}
    virtual void OnKeyUp(Control& /*control*/, int32_t /*keyCode*/, int32_t /*shift*/) {}
    virtual void OnNodeClick(Control& /*tree*/, TreeNode& /*node*/) {}

  private:
    bool Usable(const Control& control) const;
    void ClickButton(Control& button);
    void Enter();
    void Leave();
    void SizeChanged();

    platform::Platform& platform_;
    std::string name_;
    tessaly::BorderStyle border_;
    float left_ = 0;
    float top_ = 0;
    float width_ = 0;
    float height_ = 0;
    float nonClientWidth_ = 0;
    float nonClientHeight_ = 0;
    tessaly::WindowState state_ = tessaly::WindowState::Normal;
    std::vector<std::unique_ptr<Control>> controls_;
    Control* focus_ = nullptr;
    bool loaded_ = false;
    bool shown_ = false;
    std::vector<WindowModel*>* loadedList_ = nullptr;
};

}  // namespace tessaly
