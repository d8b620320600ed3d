#pragma once

// The bookmark list window: every bookmark of every open workbook as a tree (workbook,
// sheet, cell) and the jump to one of them. It keeps its size and place in the
// settings store, section "FormJump".

#include <cstdint>
#include <string>

#include "forms/window_model.h"
#include "host/host.h"

namespace tessaly {

// Grey nodes: the system colour of button shadows.
inline constexpr int32_t kHiddenNodeColor = syscolor::kButtonShadow;

// Design-time client area, in twips.
inline constexpr float kJumpClientWidth = 7200;
inline constexpr float kJumpClientHeight = 4740;
// The smallest outer size the window keeps.
inline constexpr float kJumpMinWidth = 5000;
inline constexpr float kJumpMinHeight = 2000;

// The cell address that a cell entry's text starts with: "B3 ( Total )" -> "B3".
std::string CellAddressOfEntry(const std::string& entryText);

// The text form of a single-precision value, as the placement is written: the shortest
// text that reads back as the same value ("7320", "1234.5").
std::string SingleText(float value);

class frmJump : public WindowModel {
  public:
    explicit frmJump(platform::Platform& platform);

    // The host, handed over before the window is shown; the jump goes through it.
    host::Ref<host::Application> objApp;

    Control& treMain;
    Control& cmdGoto;
    Control& cmdClose;
    Control& cmdGotoAndClose;
    Control& imlIcon;

    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload(bool& Cancel, UnloadMode UnloadMode);
    void cmdGoto_Click();
    void cmdGotoAndClose_Click();
    void cmdClose_Click();
    void treMain_NodeClick(TreeNode& Node);
    void treMain_KeyUp(int32_t KeyCode, int32_t Shift);
    void treMain_DblClick();

  protected:
    void OnLoad() override { Form_Load(); }
    void OnResize() override { Form_Resize(); }
    void OnQueryUnload(bool& cancel, UnloadMode mode) override { Form_QueryUnload(cancel, mode); }
    void OnClick(Control& control) override;
    void OnDblClick(Control& control) override;
    void OnKeyUp(Control& control, int32_t keyCode, int32_t shift) override;
    void OnNodeClick(Control& tree, TreeNode& node) override;
};

}  // namespace tessaly
