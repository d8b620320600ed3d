#include "forms/frmJump.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "commands/host_state.h"
#include "forms/pictures.h"
#include "host/on_error.h"
#include "locale/messages.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "settings/settings_store.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// Where the window stands before a placement has been saved.
constexpr float kJumpDesignLeft = 1500;
constexpr float kJumpDesignTop = 1500;

constexpr float kButtonWidth = 1800;
constexpr float kButtonHeight = 330;

}  // namespace

std::string CellAddressOfEntry(const std::string& entryText) {
    // Addresses never contain the separator, so the first one ends the address.
    const size_t separator = entryText.find(" ( ");
    return separator == std::string::npos ? entryText : entryText.substr(0, separator);
}

// The shortest text that reads back as the same float, fixed or with an exponent,
// whichever is shorter (fixed on a tie): what std::to_chars gives, made with printf so
// the Windows library does not carry to_chars' 180 KB of tables for four settings.
std::string SingleText(float value) {
    if (value == 0) return "0";
    char buffer[64];
    int precision = 1;
    for (; precision < 9; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) break;
    }
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, static_cast<double>(value));
    // buffer: [-]d[.ddd]e(+|-)XX
    std::string text = buffer;
    const size_t e = text.find('e');
    const bool negative = text[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i) {
        if (text[i] != '.') digits += text[i];
    }
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::string fixed;
    const int count = static_cast<int>(digits.size());
    if (exponent < 0) {
        fixed = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (exponent + 1 >= count) {
        // A whole number past the shortest digits is written exactly, as to_chars does.
        std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(static_cast<double>(value)));
        fixed = buffer;
    } else {
        fixed = digits.substr(0, static_cast<size_t>(exponent + 1)) + "." +
                digits.substr(static_cast<size_t>(exponent + 1));
    }
    char exponentText[16];
    std::snprintf(exponentText, sizeof exponentText, "e%c%02d", exponent < 0 ? '-' : '+',
                  exponent < 0 ? -exponent : exponent);
    std::string scientific = digits.substr(0, 1);
    if (count > 1) scientific += "." + digits.substr(1);
    scientific += exponentText;
    const std::string sign = negative ? "-" : "";
    return sign + (scientific.size() < fixed.size() ? scientific : fixed);
}

frmJump::frmJump(platform::Platform& platform)
    : WindowModel(platform, "frmJump", BorderStyle::SizableToolWindow, kJumpClientWidth,
                  kJumpClientHeight),
      treMain(AddControl("treMain", -1, ControlKind::TreeView)),
      cmdGoto(AddControl("cmdGoto", -1, ControlKind::CommandButton)),
      cmdClose(AddControl("cmdClose", -1, ControlKind::CommandButton)),
      cmdGotoAndClose(AddControl("cmdGotoAndClose", -1, ControlKind::CommandButton)),
      imlIcon(AddControl("imlIcon", -1, ControlKind::ImageList)) {
    SetLeft(kJumpDesignLeft);
    SetTop(kJumpDesignTop);
    ShowInTaskbar = false;

    treMain.Rect = {105, 105, 5160, 4530};
    treMain.TabIndex = 0;
    treMain.BackColor = syscolor::kWindowBackground;
    treMain.ForeColor = syscolor::kWindowText;

    cmdGoto.Rect = {5355, 105, kButtonWidth, kButtonHeight};
    cmdGoto.TabIndex = 1;
    cmdGoto.Enabled = false;

    cmdClose.Rect = {5355, 4305, kButtonWidth, kButtonHeight};
    cmdClose.TabIndex = 2;
    cmdClose.Cancel = true;

    cmdGotoAndClose.Rect = {5355, 525, kButtonWidth, kButtonHeight};
    cmdGotoAndClose.TabIndex = 3;
    cmdGotoAndClose.Enabled = false;

    for (int32_t image = 1; image <= kListIconCount; ++image)
        imlIcon.ListImages.push_back(ListIcon(image));
}

void frmJump::Form_Load() {
    Caption = ResText(str::kListTitle);
    cmdGoto.Caption = ResText(str::kListGoto);
    cmdGotoAndClose.Caption = ResText(str::kListGotoAndClose);
    cmdClose.Caption = ResText(str::kListClose);

    // A stored value that cannot be read as a size or position leaves that one at its
    // current value, so that one bad entry cannot keep the list from opening.
    struct Placement {
        const char* key;
        float (WindowModel::*get)() const;
        void (WindowModel::*set)(float);
    };
    static constexpr Placement kPlacement[] = {
        {"Width", &WindowModel::Width, &WindowModel::SetWidth},
        {"Height", &WindowModel::Height, &WindowModel::SetHeight},
        {"Top", &WindowModel::Top, &WindowModel::SetTop},
        {"Left", &WindowModel::Left, &WindowModel::SetLeft},
    };
    for (const Placement& p : kPlacement) {
        host::SkipOnError([&] {
            const std::string text = ReadSetting(Platform(), setting::kFormJumpSection, p.key,
                                                 SingleText(std::invoke(p.get, *this)));
            std::invoke(p.set, *this, CSng(text));
        });
    }
}

void frmJump::Form_Resize() {
    if (WindowState() == WindowState::Minimized) return;
    if (Width() < kJumpMinWidth) SetWidth(kJumpMinWidth);
    if (Height() < kJumpMinHeight) SetHeight(kJumpMinHeight);

    treMain.Move(0, 0, std::max(0.0f, ScaleWidth() - cmdGoto.Rect.Width - 100), ScaleHeight());
    cmdGoto.Move(treMain.Rect.Width + 50, 50, cmdGoto.Rect.Width, cmdGoto.Rect.Height);
    cmdGotoAndClose.Move(cmdGoto.Rect.Left, cmdGoto.Rect.Top + cmdGoto.Rect.Height + 50,
                         cmdGotoAndClose.Rect.Width, cmdGotoAndClose.Rect.Height);
    cmdClose.Move(treMain.Rect.Width + 50,
                  std::max(0.0f, ScaleHeight() - cmdClose.Rect.Height - 50), cmdClose.Rect.Width,
                  cmdClose.Rect.Height);
}

void frmJump::Form_QueryUnload(bool& /*Cancel*/, UnloadMode /*UnloadMode*/) {
    WriteSetting(Platform(), setting::kFormJumpSection, "Width", SingleText(Width()));
    WriteSetting(Platform(), setting::kFormJumpSection, "Height", SingleText(Height()));
    WriteSetting(Platform(), setting::kFormJumpSection, "Top", SingleText(Top()));
    WriteSetting(Platform(), setting::kFormJumpSection, "Left", SingleText(Left()));
}

void frmJump::cmdGoto_Click() {
    if (!cmdGoto.Enabled) return;
    TreeNode* n = treMain.SelectedItem;
    if (n == nullptr) return;
    if (n->Children() > 0) return;

    std::optional<host::HostError> failure = host::SkipOnError([&] {
        TreeNode* sheet = n->Parent();
        TreeNode* book = sheet != nullptr ? sheet->Parent() : nullptr;
        if (book == nullptr) {
            host::Raise(host::err::kObjectNotSet, "Object variable or With block variable not set");
        }
        const host::Ref<host::Application> app = Required(objApp);
        Required(Required(app->Workbooks())->Item(book->Text))->Activate();
        Required(app->Worksheets(sheet->Text))->Activate();
        // The entry of a named cell reads "B3 ( Total )"; the host wants the address.
        Required(app->Range(CellAddressOfEntry(n->Text)))->Activate();
    });
    if (failure) {
        // The list stays open in front, with the reason.
        ShowHostError(Platform(), failure->Number(), failure->Description());
        return;
    }
    host::SkipOnError([&] { Platform().Windows().ActivateWindow(objApp->Caption()); });
}

void frmJump::cmdGotoAndClose_Click() {
    cmdGoto_Click();
    cmdClose_Click();
}

void frmJump::cmdClose_Click() {
    Unload(UnloadMode::FormCode);
}

void frmJump::treMain_NodeClick(TreeNode& Node) {
    cmdGoto.Enabled = Node.ForeColor != kHiddenNodeColor && Node.Children() == 0;
    cmdGotoAndClose.Enabled = cmdGoto.Enabled;
}

void frmJump::treMain_KeyUp(int32_t KeyCode, int32_t /*Shift*/) {
    if (KeyCode == keys::kReturn) cmdGoto_Click();
}

void frmJump::treMain_DblClick() {
    cmdGoto_Click();
}

void frmJump::OnClick(Control& control) {
    if (&control == &cmdGoto)
        cmdGoto_Click();
    else if (&control == &cmdGotoAndClose)
        cmdGotoAndClose_Click();
    else if (&control == &cmdClose)
        cmdClose_Click();
}

void frmJump::OnDblClick(Control& control) {
    if (&control == &treMain) treMain_DblClick();
}

void frmJump::OnKeyUp(Control& control, int32_t keyCode, int32_t shift) {
    if (&control == &treMain) treMain_KeyUp(keyCode, shift);
}

void frmJump::OnNodeClick(Control& tree, TreeNode& node) {
    if (&tree == &treMain) treMain_NodeClick(node);
}

}  // namespace tessaly
