#pragma once

// The settings window: every preference of the section "Setting" (visual marks and
// their colour, search direction, five shortcut keys, delete-all confirmation, saving in
// the workbook). It writes the values only on OK, after checking the shortcut keys.

#include <cstdint>
#include <string>

#include "forms/window_model.h"

namespace tessaly {

inline constexpr float kSettingClientWidth = 10095;
inline constexpr float kSettingClientHeight = 5235;
inline constexpr int32_t kVersionMajor = 1;
inline constexpr int32_t kVersionMinor = 0;
// The opened key lists are this tall, so that they show many entries at once.
inline constexpr int32_t kKeyListDropDownPixels = 400;

// "Version : 1.00  Update : Jun 23, 2006".
std::string VersionLine();

class frmSetting : public WindowModel {
  public:
    explicit frmSetting(platform::Platform& platform);

    Control& Frame1;
    Control& Frame2;
    Control& Frame3;
    Control& Frame4;
    Control& lblColor;
    Control& cmdColor;
    Control& chkConfirm;
    Control& chkSave;
    Control& cmdOK;
    Control& cmdCancel;
    Control& imgOnePoint;
    Control& imlOnepoint;
    Control& CommonDialog1;
    // Control arrays.
    Control& optMark(int32_t Index) const { return Ctl("optMark", Index); }
    Control& optVector(int32_t Index) const { return Ctl("optVector", Index); }
    Control& lblKey(int32_t Index) const { return Ctl("lblKey", Index); }
    Control& cboKey1(int32_t Index) const { return Ctl("cboKey1", Index); }
    Control& cboKey2(int32_t Index) const { return Ctl("cboKey2", Index); }
    Control& lblApp(int32_t Index) const { return Ctl("lblApp", Index); }
    Control& picContener(int32_t Index) const { return Ctl("picContener", Index); }

    void Form_Load();
    void optMark_Click(int32_t Index);
    void cmdColor_Click();
    void imgOnePoint_Click();
    void lblApp_Click(int32_t Index);
    void cmdOK_Click();
    void cmdCancel_Click();

  protected:
    void OnLoad() override { Form_Load(); }
    void OnClick(Control& control) override;
};

}  // namespace tessaly
