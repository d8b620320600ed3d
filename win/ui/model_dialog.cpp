#include "win/ui/model_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "win/common/com_entry.h"
#include "win/common/text.h"
#include "win/ui/dialog_font.h"
#include "win/ui/dialog_template.h"

namespace tessaly::win::ui {

namespace {

constexpr WORD kFirstControlId = 1000;
// An opened list shows this many entries when the model sets no height of its own.
constexpr int kDefaultDropDownEntries = 8;
constexpr int kMaxContainerDepth = 16;

// The model's event procedures trap the host's errors themselves. Whatever else one
// throws must not unwind through the window system's frames, which would take the host
// down; the window stays as the model left it.
template <class Action>
void Guarded(Action&& action) noexcept {
    CallbackEntry(std::forward<Action>(action), [] {});
}

int32_t ShiftState() {
    int32_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= keys::kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) shift |= keys::kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= keys::kAltMask;
    return shift;
}

bool HasText(ControlKind kind) {
    switch (kind) {
        case ControlKind::CommandButton:
        case ControlKind::Label:
        case ControlKind::Frame:
        case ControlKind::OptionButton:
        case ControlKind::CheckBox:
            return true;
        default:
            return false;
    }
}

bool Focusable(ControlKind kind) {
    switch (kind) {
        case ControlKind::CommandButton:
        case ControlKind::OptionButton:
        case ControlKind::CheckBox:
        case ControlKind::ComboBox:
        case ControlKind::TreeView:
            return true;
        default:
            return false;
    }
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

TreeNode* NodeOfItem(HWND tree, HTREEITEM item) {
    if (item == nullptr) return nullptr;
    TVITEMW data{};
    data.mask = TVIF_PARAM | TVIF_HANDLE;
    data.hItem = item;
    if (!TreeView_GetItem(tree, &data)) return nullptr;
    return reinterpret_cast<TreeNode*>(data.lParam);
}

}  // namespace

ModelDialog::ModelDialog(WindowModel& model, HMODULE module, double twipsPerPixelX,
                         double twipsPerPixelY)
    : model_(model),
      module_(module),
      twipsX_(twipsPerPixelX > 0 ? twipsPerPixelX : 15.0),
      twipsY_(twipsPerPixelY > 0 ? twipsPerPixelY : 15.0) {
    for (const auto& control : model_.Controls()) byName_[control->DisplayName()] = control.get();
}

ModelDialog::~ModelDialog() {
    ready_ = false;
    if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

// ---- Geometry --------------------------------------------------------------------------

int ModelDialog::ToPixelsX(float twips) const {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twipsX_));
}
int ModelDialog::ToPixelsY(float twips) const {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twipsY_));
}
float ModelDialog::ToTwipsX(int pixels) const {
    return static_cast<float>(pixels * twipsX_);
}
float ModelDialog::ToTwipsY(int pixels) const {
    return static_cast<float>(pixels * twipsY_);
}

const Control* ModelDialog::ContainerOf(const Control& control) const {
    if (control.Container.empty()) return nullptr;
    const auto found = byName_.find(control.Container);
    return found == byName_.end() ? nullptr : found->second;
}

bool ModelDialog::EffectivelyEnabled(const Control& control) const {
    const Control* c = &control;
    for (int depth = 0; c != nullptr && depth < kMaxContainerDepth; ++depth, c = ContainerOf(*c))
        if (!c->Enabled) return false;
    return true;
}

bool ModelDialog::EffectivelyVisible(const Control& control) const {
    const Control* c = &control;
    for (int depth = 0; c != nullptr && depth < kMaxContainerDepth; ++depth, c = ContainerOf(*c))
        if (!c->Visible) return false;
    return true;
}

// A control's place in the window's client area: its own position is relative to its
// container, which is relative to its own, up to the window.
RECT ModelDialog::PixelBounds(const Control& control) const {
    float left = control.Rect.Left;
    float top = control.Rect.Top;
    const Control* c = ContainerOf(control);
    for (int depth = 0; c != nullptr && depth < kMaxContainerDepth; ++depth, c = ContainerOf(*c)) {
        left += c->Rect.Left;
        top += c->Rect.Top;
    }
    RECT bounds;
    bounds.left = ToPixelsX(left);
    bounds.top = ToPixelsY(top);
    bounds.right = bounds.left + ToPixelsX(control.Rect.Width);
    bounds.bottom = bounds.top + ToPixelsY(control.Rect.Height);
    return bounds;
}

// Image lists and dialogs are not on the screen; a panel that only holds other controls
// is drawn by what it holds.
bool ModelDialog::OnScreen(const Control& control) const {
    switch (control.Kind()) {
        case ControlKind::ImageList:
        case ControlKind::CommonDialog:
            return false;
        case ControlKind::PictureBox: {
            const std::string name = control.DisplayName();
            for (const auto& other : model_.Controls())
                if (other->Container == name) return false;
            return true;
        }
        default:
            return true;
    }
}

// In tab order (the order the dialog manager tabs through), then the rest.
std::vector<Control*> ModelDialog::ScreenControls() const {
    std::vector<Control*> order;
    for (Control* control : model_.TabOrder())
        if (OnScreen(*control)) order.push_back(control);
    for (const auto& control : model_.Controls())
        if (control->TabIndex < 0 && OnScreen(*control)) order.push_back(control.get());
    return order;
}

// ---- Creation --------------------------------------------------------------------------

bool ModelDialog::Create(HWND owner) {
    const DialogFont font = ChooseDialogFont(model_.FontName, model_.FontSize, model_.FontCharset);
    const DialogUnits units = MeasureDialogUnits(font);

    TemplateWindow window;
    window.title = Widen(model_.Caption);
    window.font = font;
    if (model_.Border() == BorderStyle::SizableToolWindow) {
        window.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        window.exStyle = WS_EX_TOOLWINDOW;
    } else {
        window.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        window.exStyle = WS_EX_DLGMODALFRAME;
    }
    window.clientWidth = ToPixelsX(model_.ScaleWidth());
    window.clientHeight = ToPixelsY(model_.ScaleHeight());

    std::vector<TemplateItem> items;
    const Control* previous = nullptr;
    for (Control* control : ScreenControls()) {
        Slot slot;
        slot.control = control;
        slot.id = static_cast<WORD>(kFirstControlId + slots_.size());
        slots_.push_back(slot);

        TemplateItem item;
        item.id = slot.id;
        const RECT bounds = PixelBounds(*control);
        item.left = bounds.left;
        item.top = bounds.top;
        item.width = Width(bounds);
        item.height = Height(bounds);
        if (HasText(control->Kind())) item.text = Widen(control->Caption);
        item.style = WS_CHILD;
        if (EffectivelyVisible(*control)) item.style |= WS_VISIBLE;
        if (!EffectivelyEnabled(*control)) item.style |= WS_DISABLED;
        if (Focusable(control->Kind()) && control->TabStop) item.style |= WS_TABSTOP;
        // Option buttons of one container are one group, through which the arrow keys
        // move; every other control stands alone.
        const bool continuesGroup = control->Kind() == ControlKind::OptionButton &&
                                    previous != nullptr &&
                                    previous->Kind() == ControlKind::OptionButton &&
                                    previous->Container == control->Container;
        if (!continuesGroup) item.style |= WS_GROUP;
        previous = control;

        switch (control->Kind()) {
            case ControlKind::CommandButton:
                item.className = L"Button";
                item.style |= control->Graphical ? BS_OWNERDRAW
                              : control->Default ? BS_DEFPUSHBUTTON
                                                 : BS_PUSHBUTTON;
                break;
            case ControlKind::Label:
                item.className = L"Static";
                item.style |= SS_LEFT | SS_NOTIFY;
                break;
            case ControlKind::Frame:
                item.className = L"Button";
                item.style |= BS_GROUPBOX;
                break;
            case ControlKind::OptionButton:
                item.className = L"Button";
                item.style |= BS_RADIOBUTTON;
                break;
            case ControlKind::CheckBox:
                item.className = L"Button";
                item.style |= BS_CHECKBOX;
                break;
            case ControlKind::ComboBox:
                item.className = L"ComboBox";
                item.style |= CBS_DROPDOWNLIST | WS_VSCROLL;
                break;
            case ControlKind::TreeView:
                item.className = WC_TREEVIEWW;
                item.style |= TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
                item.exStyle = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Image:
            case ControlKind::PictureBox:
                item.className = L"Static";
                item.style |= SS_OWNERDRAW | SS_NOTIFY;
                if (control->Kind() == ControlKind::PictureBox && control->BorderStyle != 0)
                    item.style |= WS_BORDER;
                break;
            case ControlKind::ImageList:
            case ControlKind::CommonDialog:
                break;
        }
        items.push_back(std::move(item));
    }

    const std::vector<DWORD> dialogTemplate = BuildDialogTemplate(window, items, units);
    hwnd_ = CreateDialogIndirectParamW(
        module_, reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), owner,
        &ModelDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) return false;

    for (Slot& slot : slots_) {
        slot.hwnd = GetDlgItem(hwnd_, slot.id);
        // What the template already shows.
        slot.caption = slot.control->Caption;
        slot.enabled = EffectivelyEnabled(*slot.control);
        slot.visible = EffectivelyVisible(*slot.control);
        if (slot.control->Kind() == ControlKind::TreeView) BuildTree(slot);
        if (slot.control->Kind() == ControlKind::ComboBox) FillList(slot);
    }
    caption_ = model_.Caption;
    PlaceWindow();
    ready_ = true;
    Sync();
    return true;
}

void ModelDialog::BuildTree(Slot& slot) {
    Control& tree = *slot.control;
    // The tree's pictures are the window's image list of small pictures.
    const Control* images = nullptr;
    for (const auto& control : model_.Controls()) {
        if (control->Kind() == ControlKind::ImageList && !control->ListImages.empty() &&
            control->ListImages.front().width <= 32) {
            images = control.get();
            break;
        }
    }
    if (images != nullptr) {
        const platform::Bitmap& first = images->ListImages.front();
        HIMAGELIST list = ImageList_Create(first.width, first.height, ILC_COLOR24,
                                           static_cast<int>(images->ListImages.size()), 0);
        if (list != nullptr) {
            for (const platform::Bitmap& picture : images->ListImages) {
                UniqueBitmap bitmap = BitmapOf(picture);
                ImageList_Add(list, bitmap.Get(), nullptr);
            }
            treeImages_.Reset(list);
            TreeView_SetImageList(slot.hwnd, list, TVSIL_NORMAL);
        }
    }

    std::map<const TreeNode*, HTREEITEM> items;
    for (int32_t i = 1; i <= tree.Nodes.Count(); ++i) {
        TreeNode& node = tree.Nodes.Item(i);
        std::wstring text = Widen(node.Text);
        TVINSERTSTRUCTW insert{};
        const auto parent = items.find(node.Parent());
        insert.hParent = parent != items.end() ? parent->second : TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = text.data();
        insert.item.lParam = reinterpret_cast<LPARAM>(&node);
        if (images != nullptr) {
            insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            insert.item.iImage = std::max(0, node.Image - 1);
            insert.item.iSelectedImage = std::max(0, node.SelectedImage - 1);
        }
        items[&node] = TreeView_InsertItem(slot.hwnd, &insert);
    }
    for (const auto& [node, item] : items)
        if (node->Expanded && item != nullptr) TreeView_Expand(slot.hwnd, item, TVE_EXPAND);
}

void ModelDialog::FillList(Slot& slot) {
    SendMessageW(slot.hwnd, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : slot.control->List) {
        const std::wstring text = Widen(entry);
        SendMessageW(slot.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    slot.list = slot.control->List;
    slot.listIndex = -2;  // select again
}

// The real frame and title bar, and the window's first place.
void ModelDialog::PlaceWindow() {
    RECT outer{};
    RECT client{};
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
    const float frameWidth = ToTwipsX(Width(outer) - Width(client));
    const float frameHeight = ToTwipsY(Height(outer) - Height(client));
    Guarded([&] {
        if (model_.Border() == BorderStyle::FixedDialog) {
            // A fixed dialog keeps the client area it was designed with.
            const float clientWidth = model_.ScaleWidth();
            const float clientHeight = model_.ScaleHeight();
            model_.SetNonClientSize(frameWidth, frameHeight);
            model_.SetWidth(clientWidth + frameWidth);
            model_.SetHeight(clientHeight + frameHeight);
        } else {
            model_.SetNonClientSize(frameWidth, frameHeight);
        }
        if (model_.StartUpPosition == StartUpPosition::WindowsDefault) {
            // Where Windows would put a new window: ask it with one that is never shown.
            HWND probe =
                CreateWindowExW(0, L"Static", L"", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                                Width(outer), Height(outer), nullptr, nullptr, module_, nullptr);
            if (probe != nullptr) {
                RECT place{};
                GetWindowRect(probe, &place);
                DestroyWindow(probe);
                model_.SetLeft(ToTwipsX(place.left));
                model_.SetTop(ToTwipsY(place.top));
            }
        }
    });
}

// ---- Model to screen -------------------------------------------------------------------

void ModelDialog::Sync() {
    if (!ready_ || syncing_ || hwnd_ == nullptr || !IsWindow(hwnd_)) return;
    syncing_ = true;
    if (model_.Caption != caption_) {
        caption_ = model_.Caption;
        SetWindowTextW(hwnd_, Widen(caption_).c_str());
    }
    SyncPlacement();
    for (Slot& slot : slots_) SyncControl(slot);
    syncing_ = false;
}

void ModelDialog::SyncPlacement() {
    if (model_.WindowState() != WindowState::Normal) return;
    if (model_.Left() == left_ && model_.Top() == top_ && model_.Width() == width_ &&
        model_.Height() == height_) {
        return;
    }
    left_ = model_.Left();
    top_ = model_.Top();
    width_ = model_.Width();
    height_ = model_.Height();
    applying_ = true;
    SetWindowPos(hwnd_, nullptr, ToPixelsX(left_), ToPixelsY(top_), ToPixelsX(width_),
                 ToPixelsY(height_), SWP_NOZORDER | SWP_NOACTIVATE);
    applying_ = false;
}

void ModelDialog::SyncControl(Slot& slot) {
    const Control& control = *slot.control;
    if (slot.hwnd == nullptr) return;

    if (HasText(control.Kind()) && control.Caption != slot.caption) {
        slot.caption = control.Caption;
        SetWindowTextW(slot.hwnd, Widen(slot.caption).c_str());
    }

    if (control.Kind() == ControlKind::ComboBox) {
        if (control.List != slot.list) FillList(slot);
        if (control.ListIndex != slot.listIndex) {
            slot.listIndex = control.ListIndex;
            SendMessageW(slot.hwnd, CB_SETCURSEL, static_cast<WPARAM>(slot.listIndex), 0);
        }
    }

    RECT bounds = PixelBounds(control);
    if (control.Kind() == ControlKind::ComboBox) {
        // A drop-down list's window includes its opened list.
        if (control.DropDownWindow) {
            bounds.right = bounds.left + control.DropDownWindow->Width;
            bounds.bottom = bounds.top + control.DropDownWindow->Height;
        } else {
            const auto entry = static_cast<int>(SendMessageW(slot.hwnd, CB_GETITEMHEIGHT, 0, 0));
            const int entries =
                std::clamp(static_cast<int>(control.List.size()), 1, kDefaultDropDownEntries);
            bounds.bottom += entry * entries + 2 * GetSystemMetrics(SM_CYBORDER);
        }
    }
    if (!EqualRect(&bounds, &slot.bounds) || control.DropDownWindow != slot.dropDown) {
        slot.bounds = bounds;
        slot.dropDown = control.DropDownWindow;
        MoveWindow(slot.hwnd, bounds.left, bounds.top, Width(bounds), Height(bounds), TRUE);
    }

    const bool enabled = EffectivelyEnabled(control);
    if (enabled != slot.enabled) {
        slot.enabled = enabled;
        EnableWindow(slot.hwnd, enabled ? TRUE : FALSE);
    }
    const bool visible = EffectivelyVisible(control);
    if (visible != slot.visible) {
        slot.visible = visible;
        ShowWindow(slot.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }

    if ((control.Kind() == ControlKind::OptionButton || control.Kind() == ControlKind::CheckBox) &&
        control.Value != slot.value) {
        slot.value = control.Value;
        const WPARAM check = control.Value == 1   ? BST_CHECKED
                             : control.Value == 2 ? BST_INDETERMINATE
                                                  : BST_UNCHECKED;
        SendMessageW(slot.hwnd, BM_SETCHECK, check, 0);
    }

    bool repaint = false;
    if (control.ForeColor != slot.foreColor || control.BackColor != slot.backColor) {
        slot.foreColor = control.ForeColor;
        slot.backColor = control.BackColor;
        repaint = true;
    }
    if (control.Picture != slot.picture) {
        slot.picture = control.Picture;
        repaint = true;
    }
    if (repaint) InvalidateRect(slot.hwnd, nullptr, TRUE);
}

void ModelDialog::FocusModelControl() {
    HWND target = nullptr;
    if (const Control* active = model_.ActiveControl()) {
        for (const Slot& slot : slots_)
            if (slot.control == active) target = slot.hwnd;
    }
    if (target == nullptr) target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
}

// ---- Screen to model -------------------------------------------------------------------

ModelDialog::Slot* ModelDialog::SlotById(WORD id) {
    if (id < kFirstControlId || id >= kFirstControlId + slots_.size()) return nullptr;
    return &slots_[id - kFirstControlId];
}

ModelDialog::Slot* ModelDialog::SlotByWindow(HWND hwnd) {
    // A control's inner windows (a list's parts) count as the control.
    for (int depth = 0; hwnd != nullptr && hwnd != hwnd_ && depth < 4; ++depth) {
        for (Slot& slot : slots_)
            if (slot.hwnd == hwnd) return &slot;
        hwnd = GetParent(hwnd);
    }
    return nullptr;
}

void ModelDialog::SyncFocusToModel() {
    if (Slot* slot = SlotByWindow(GetFocus())) Guarded([&] { model_.UserFocus(*slot->control); });
}

void ModelDialog::ReportPlacement() {
    if (IsIconic(hwnd_)) return;
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    // Only what the user changed goes to the model; a place the model set itself is
    // already there, in its own exact twips.
    const bool moved = outer.left != ToPixelsX(left_) || outer.top != ToPixelsY(top_);
    const bool sized = Width(outer) != ToPixelsX(width_) || Height(outer) != ToPixelsY(height_);
    if (moved) {
        left_ = ToTwipsX(outer.left);
        top_ = ToTwipsY(outer.top);
        Guarded([&] { model_.UserMove(left_, top_); });
    }
    if (sized) {
        width_ = ToTwipsX(Width(outer));
        height_ = ToTwipsY(Height(outer));
        Guarded([&] { model_.UserResize(width_, height_); });
    }
}

bool ModelDialog::PreTranslate(MSG& message) {
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    const auto key = static_cast<int32_t>(message.wParam);
    const bool enterOrEscape = key == VK_RETURN || key == VK_ESCAPE;
    if (message.message == WM_KEYDOWN && enterOrEscape) {
        // An opened list takes Enter and Esc for itself.
        if (HWND focus = GetFocus()) {
            const LRESULT wants = SendMessageW(focus, WM_GETDLGCODE, message.wParam,
                                               reinterpret_cast<LPARAM>(&message));
            if ((wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0) return false;
            const Slot* slot = SlotByWindow(focus);
            if (slot != nullptr && slot->control->Kind() == ControlKind::ComboBox &&
                SendMessageW(slot->hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0) {
                return false;
            }
        }
        const bool repeat = (message.lParam & (1 << 30)) != 0;
        if (!repeat) {
            SyncFocusToModel();
            Guarded([&] { model_.UserKey(key, ShiftState()); });
            Sync();
        }
        return true;
    }
    if (message.message == WM_KEYUP && !enterOrEscape) {
        SyncFocusToModel();
        Guarded([&] { model_.UserKey(key, ShiftState()); });
    }
    return false;
}

void ModelDialog::OnCommand(WORD id, WORD code) {
    Slot* slot = SlotById(id);
    if (slot == nullptr) return;
    Control& control = *slot->control;
    switch (control.Kind()) {
        case ControlKind::CommandButton:
        case ControlKind::OptionButton:
        case ControlKind::CheckBox:
            if (code == BN_CLICKED) Guarded([&] { model_.UserClick(control); });
            break;
        case ControlKind::Label:
        case ControlKind::Image:
        case ControlKind::PictureBox:
            if (code == STN_CLICKED) Guarded([&] { model_.UserClick(control); });
            if (code == STN_DBLCLK) Guarded([&] { model_.UserDblClick(control); });
            break;
        case ControlKind::ComboBox:
            if (code == CBN_SELCHANGE) {
                const auto entry =
                    static_cast<int32_t>(SendMessageW(slot->hwnd, CB_GETCURSEL, 0, 0));
                // What the list shows now is what the user picked.
                slot->listIndex = entry;
                if (entry >= 0) Guarded([&] { model_.UserSelectListItem(control, entry); });
            }
            break;
        default:
            break;
    }
}

LRESULT ModelDialog::OnNotify(const NMHDR& header) {
    Slot* slot = SlotById(static_cast<WORD>(header.idFrom));
    if (slot == nullptr || slot->control->Kind() != ControlKind::TreeView) return 0;
    Control& tree = *slot->control;
    switch (header.code) {
        case TVN_SELCHANGEDW: {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            // Only the user's choices are clicks; selections made in code are not.
            if (change.action != TVC_BYMOUSE && change.action != TVC_BYKEYBOARD) return 0;
            if (auto* node = reinterpret_cast<TreeNode*>(change.itemNew.lParam))
                Guarded([&] { model_.UserNodeClick(tree, *node); });
            return 0;
        }
        case NM_CLICK: {
            // A click on the entry that is already selected changes no selection, so it
            // is reported here; a click on another one arrives as the selection change.
            const DWORD position = GetMessagePos();
            TVHITTESTINFO hit{};
            hit.pt.x = static_cast<short>(LOWORD(position));
            hit.pt.y = static_cast<short>(HIWORD(position));
            ScreenToClient(slot->hwnd, &hit.pt);
            HTREEITEM item = TreeView_HitTest(slot->hwnd, &hit);
            if (item != nullptr && (hit.flags & TVHT_ONITEM) != 0 &&
                item == TreeView_GetSelection(slot->hwnd)) {
                if (TreeNode* node = NodeOfItem(slot->hwnd, item))
                    Guarded([&] { model_.UserNodeClick(tree, *node); });
            }
            return 0;
        }
        case NM_DBLCLK:
            Guarded([&] { model_.UserDblClick(tree); });
            return 0;
        case NM_CUSTOMDRAW: {
            auto& draw =
                const_cast<NMTVCUSTOMDRAW&>(reinterpret_cast<const NMTVCUSTOMDRAW&>(header));
            if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                // Entries of their own colour (the grey ones), unless shown selected.
                const auto* node = reinterpret_cast<const TreeNode*>(draw.nmcd.lItemlParam);
                if (node != nullptr && node->ForeColor != tree.ForeColor &&
                    (draw.nmcd.uItemState & CDIS_SELECTED) == 0) {
                    draw.clrText = ScreenColor(node->ForeColor);
                }
            }
            return CDRF_DODEFAULT;
        }
        default:
            return 0;
    }
}

HBRUSH ModelDialog::Brush(int32_t modelColor) {
    const COLORREF color = ScreenColor(modelColor);
    auto found = brushes_.find(color);
    if (found == brushes_.end())
        found = brushes_.emplace(color, UniqueBrush(CreateSolidBrush(color))).first;
    return found->second.Get();
}

void ModelDialog::DrawItem(const DRAWITEMSTRUCT& item) {
    Slot* slot = SlotById(static_cast<WORD>(item.CtlID));
    if (slot == nullptr) return;
    const Control& control = *slot->control;
    RECT bounds = item.rcItem;
    if (item.CtlType == ODT_BUTTON) {
        // A graphical button: its face is its background colour.
        const bool pushed = (item.itemState & ODS_SELECTED) != 0;
        DrawFrameControl(item.hDC, &bounds, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
        RECT face = bounds;
        InflateRect(&face, -2, -2);
        if (pushed) OffsetRect(&face, 1, 1);
        FillRect(item.hDC, &face, Brush(control.BackColor));
        if (!control.Caption.empty()) {
            const std::wstring text = Widen(control.Caption);
            SetBkMode(item.hDC, TRANSPARENT);
            SetTextColor(item.hDC, ScreenColor(control.ForeColor));
            DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &face,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        if ((item.itemState & ODS_FOCUS) != 0) {
            InflateRect(&face, -1, -1);
            DrawFocusRect(item.hDC, &face);
        }
    } else if (item.CtlType == ODT_STATIC) {
        FillRect(item.hDC, &bounds, Brush(control.BackColor));
        if (control.Picture)
            DrawPicture(item.hDC, *control.Picture, bounds.left, bounds.top, Width(bounds),
                        Height(bounds));
    }
}

// ---- The window procedure and the modal loop ------------------------------------------

INT_PTR CALLBACK ModelDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Whatever the handling throws, the message goes to the dialog manager's default.
    return CallbackEntry(
        [&]() -> INT_PTR {
            if (message == WM_INITDIALOG) {
                auto* self = reinterpret_cast<ModelDialog*>(lParam);
                SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
                self->hwnd_ = hwnd;
                return FALSE;  // the focus is set once the window is shown
            }
            auto* self = reinterpret_cast<ModelDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
            if (self == nullptr || self->hwnd_ != hwnd) return FALSE;
            return self->Handle(message, wParam, lParam);
        },
        [] { return INT_PTR{FALSE}; });
}

INT_PTR ModelDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                OnCommand(LOWORD(wParam), HIWORD(wParam));
            } else if (LOWORD(wParam) == IDCANCEL) {
                Guarded([&] { model_.UserKey(keys::kEscape); });
            } else if (LOWORD(wParam) == IDOK) {
                Guarded([&] { model_.UserKey(keys::kReturn); });
            }
            Sync();
            return TRUE;
        case WM_NOTIFY: {
            const LRESULT result = OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            Sync();
            return TRUE;
        }
        case WM_CLOSE:
            Guarded([&] { model_.UserCloseBox(); });
            return TRUE;
        case WM_WINDOWPOSCHANGED:
            if (ready_ && !applying_) {
                ReportPlacement();
                Sync();
            }
            return FALSE;
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const Slot* slot = SlotByWindow(reinterpret_cast<HWND>(lParam));
            if (slot == nullptr) return FALSE;
            auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ScreenColor(slot->control->ForeColor));
            SetBkColor(dc, ScreenColor(slot->control->BackColor));
            return reinterpret_cast<INT_PTR>(Brush(slot->control->BackColor));
        }
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(Brush(model_.BackColor));
        default:
            return FALSE;
    }
}

bool ModelDialog::RunModal(HWND owner) {
    if (!Create(owner)) return false;
    const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    FocusModelControl();

    MSG message;
    while (model_.Shown() && IsWindow(hwnd_)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The thread is asked to end: leave the loop and let its own loop see it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!PreTranslate(message) && !IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // The model may also have changed from outside (the add-in disconnected).
        if (model_.Shown()) Sync();
    }

    ready_ = false;
    if (disableOwner) EnableWindow(owner, TRUE);
    if (IsWindow(hwnd_)) {
        // The owner takes the activation before the window goes, so that the user goes
        // back to it rather than to some other program.
        if (owner != nullptr && GetActiveWindow() == hwnd_) SetActiveWindow(owner);
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
    return true;
}

}  // namespace tessaly::win::ui
