#include "forms/frmSetting.h"

#include <cmath>
#include <vector>

#include "forms/pictures.h"
#include "host/on_error.h"
#include "locale/const.h"
#include "locale/messages.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "settings/settings_store.h"
#include "settings/shortcut_definitions.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// The link colour of the site label.
constexpr int32_t kLinkColor = 0x00FF0000;

constexpr const char* kVectorRow = "ROW";
constexpr const char* kVectorColumn = "COLUMN";

// Panels sit inside their frames below the caption.
constexpr float kPanelLeft = 60;
constexpr float kPanelTop = 240;

constexpr float kKeyRowPitch = 315;

// Twips to whole pixels, halves to the even one, as the window call takes them.
int32_t ToPixels(float twips, double twipsPerPixel) {
    if (twipsPerPixel <= 0) twipsPerPixel = 15.0;
    return RoundHalfEven(static_cast<double>(twips) / twipsPerPixel);
}

// A check box shows a stored "1" as checked; every other value reads as off where it is
// used, so it shows unchecked.
int32_t CheckValue(const std::string& stored) {
    return Val(stored) == 1.0 ? 1 : 0;
}

}  // namespace

std::string VersionLine() {
    std::string minor = std::to_string(kVersionMinor);
    if (minor.size() < 2) minor.insert(0, 2 - minor.size(), '0');
    // The release date, written "mmm d, yyyy".
    return "Version : " + std::to_string(kVersionMajor) + "." + minor + "  Update : Jun 23, 2006";
}

frmSetting::frmSetting(platform::Platform& platform)
    : WindowModel(platform, "frmSetting", BorderStyle::FixedDialog, kSettingClientWidth,
                  kSettingClientHeight),
      Frame1(AddControl("Frame1", -1, ControlKind::Frame)),
      Frame2(AddControl("Frame2", -1, ControlKind::Frame)),
      Frame3(AddControl("Frame3", -1, ControlKind::Frame)),
      Frame4(AddControl("Frame4", -1, ControlKind::Frame)),
      lblColor(AddControl("lblColor", -1, ControlKind::Label)),
      cmdColor(AddControl("cmdColor", -1, ControlKind::CommandButton)),
      chkConfirm(AddControl("chkConfirm", -1, ControlKind::CheckBox)),
      chkSave(AddControl("chkSave", -1, ControlKind::CheckBox)),
      cmdOK(AddControl("cmdOK", -1, ControlKind::CommandButton)),
      cmdCancel(AddControl("cmdCancel", -1, ControlKind::CommandButton)),
      imgOnePoint(AddControl("imgOnePoint", -1, ControlKind::Image)),
      imlOnepoint(AddControl("imlOnepoint", -1, ControlKind::ImageList)),
      CommonDialog1(AddControl("CommonDialog1", -1, ControlKind::CommonDialog)) {
    StartUpPosition = tessaly::StartUpPosition::WindowsDefault;
    ShowInTaskbar = false;

    int32_t tab = 0;
    auto place = [&](Control& c, std::string container, Geometry rect, bool tabbed) {
        c.Container = std::move(container);
        c.Rect = rect;
        if (tabbed) c.TabIndex = tab++;
    };
    auto panel = [&](int32_t index, const Control& frame) -> Control& {
        Control& p = AddControl("picContener", index, ControlKind::PictureBox);
        place(p, frame.DisplayName(),
              {kPanelLeft, kPanelTop, frame.Rect.Width - 2 * kPanelLeft,
               frame.Rect.Height - kPanelTop - kPanelLeft},
              true);
        p.TabStop = false;
        return p;
    };

    // Visual marks.
    place(Frame1, "", {105, 105, 4530, 1590}, true);
    const std::string marks = panel(0, Frame1).DisplayName();
    for (int32_t i = 0; i < 2; ++i)
        place(AddControl("optMark", i, ControlKind::OptionButton), marks,
              {105, i * 315.0f, 3000, 255}, true);
    place(lblColor, marks, {420, 630, 570, 180}, true);
    place(cmdColor, marks, {1050, 525, 330, 330}, true);
    cmdColor.Graphical = true;

    // Search direction.
    place(Frame2, "", {105, 1785, 4530, 2325}, true);
    const std::string vector = panel(1, Frame2).DisplayName();
    place(AddControl("optVector", 0, ControlKind::OptionButton), vector, {105, 0, 3000, 255}, true);
    place(AddControl("optVector", 1, ControlKind::OptionButton), vector, {105, 945, 3000, 255},
          true);

    // Shortcut keys, one row per command.
    place(Frame3, "", {4725, 105, 5265, 2010}, true);
    const std::string shortcuts = panel(2, Frame3).DisplayName();
    for (int32_t n = 0; n < kShortcutRowCount; ++n) {
        const float top = n * kKeyRowPitch;
        place(AddControl("lblKey", n, ControlKind::Label), shortcuts, {0, top + 60, 2175, 180},
              true);
        place(AddControl("cboKey1", n, ControlKind::ComboBox), shortcuts, {2205, top, 1695, 300},
              true);
        place(AddControl("cboKey2", n, ControlKind::ComboBox), shortcuts, {3885, top, 1065, 300},
              true);
    }

    // Other options.
    place(Frame4, "", {4725, 2205, 5265, 1170}, true);
    const std::string other = panel(3, Frame4).DisplayName();
    place(chkConfirm, other, {105, 0, 4900, 255}, true);
    place(chkSave, other, {105, 315, 4900, 255}, true);

    place(cmdOK, "", {7560, 3780, 1170, 330}, true);
    cmdOK.Default = true;
    place(cmdCancel, "", {8820, 3780, 1170, 330}, true);
    cmdCancel.Cancel = true;

    // About the add-in, and the tips.
    for (int32_t i = 0; i < 3; ++i)
        place(AddControl("lblApp", i, ControlKind::Label), "", {4725, 4290 + i * 240.0f, 5265, 195},
              true);
    lblApp(0).Caption = std::string("Title : ") + kAppTitle;
    lblApp(2).Caption = std::string("URL : ") + kSiteRootUrl;
    lblApp(2).ForeColor = kLinkColor;

    place(imgOnePoint, "", {105, 4215, 4500, 750}, false);
    imgOnePoint.Picture = TipStartPicture();
    for (int32_t i = 1; i <= kTipPictureCount; ++i) imlOnepoint.ListImages.push_back(TipPicture(i));
}

void frmSetting::Form_Load() {
    lblApp(1).Caption = VersionLine();

    for (int32_t i = 0; i < 4; ++i) picContener(i).BorderStyle = 0;

    Caption = ResText(str::kSettingTitle);
    Frame1.Caption = ResText(str::kSettingMarkFrame);
    optMark(0).Caption = ResText(str::kSettingMarkOff);
    optMark(1).Caption = ResText(str::kSettingMarkOn);
    lblColor.Caption = ResText(str::kSettingColor);
    Frame2.Caption = ResText(str::kSettingVectorFrame);
    optVector(0).Caption = ResText(str::kSettingVectorRow);
    optVector(1).Caption = ResText(str::kSettingVectorColumn);
    Frame3.Caption = ResText(str::kSettingShortcutFrame);
    for (int32_t n = 0; n < kShortcutRowCount; ++n)
        lblKey(n).Caption = ResText(str::kListCommand + n);
    Frame4.Caption = ResText(str::kSettingOtherFrame);
    chkConfirm.Caption = ResText(str::kSettingConfirm);
    chkSave.Caption = ResText(str::kSettingSave);
    cmdOK.Caption = ResText(str::kSettingOK);
    cmdCancel.Caption = ResText(str::kSettingCancel);

    platform::Windows& screen = Platform().Windows();
    for (int32_t n = 0; n < kShortcutRowCount; ++n) {
        Control& modifiers = cboKey1(n);
        modifiers.List = ShortcutModifierChoices();
        modifiers.SelectText(
            ReadSetting(Platform(), setting::kSection, ShortcutModifierSettingKey(n), ""));

        Control& keyName = cboKey2(n);
        keyName.List = ShortcutKeyNameChoices();
        keyName.SelectText(
            ReadSetting(Platform(), setting::kSection, ShortcutKeyNameSettingKey(n), ""));
        keyName.DropDownWindow = PixelRect{ToPixels(keyName.Rect.Left, screen.TwipsPerPixelX()),
                                           ToPixels(keyName.Rect.Top, screen.TwipsPerPixelY()),
                                           ToPixels(keyName.Rect.Width, screen.TwipsPerPixelX()),
                                           kKeyListDropDownPixels};
    }

    // A stored value that cannot be read shows as its default, so that the one window
    // that can put it right still opens.
    const int32_t color = host::ValueOrNothing([&] {
                              return CLng(ReadSetting(Platform(), setting::kSection,
                                                      setting::kColor, setting::kColorDefault));
                          }).value_or(CLng(setting::kColorDefault));
    cmdColor.Tag = std::to_string(color);
    cmdColor.BackColor = color;

    const bool marks = host::ValueOrNothing([&] {
                           return CBool(ReadSetting(Platform(), setting::kSection, setting::kMark,
                                                    setting::kMarkDefault));
                       }).value_or(CBool(setting::kMarkDefault));
    const int32_t selected = marks ? 1 : 0;
    optMark(selected).Value = 1;
    optMark(1 - selected).Value = 0;
    optMark_Click(selected);

    chkSave.Value = CheckValue(
        ReadSetting(Platform(), setting::kSection, setting::kSaveMark, setting::kSaveMarkDefault));

    const bool rowOrder = ReadSetting(Platform(), setting::kSection, setting::kVector,
                                      setting::kVectorDefault) == kVectorRow;
    optVector(0).Value = rowOrder ? 1 : 0;
    optVector(1).Value = rowOrder ? 0 : 1;

    chkConfirm.Value = CheckValue(
        ReadSetting(Platform(), setting::kSection, setting::kConfirm, setting::kConfirmDefault));
}

void frmSetting::optMark_Click(int32_t /*Index*/) {
    const bool on = optMark(1).Selected();
    lblColor.Enabled = on;
    lblColor.ForeColor = on ? syscolor::kButtonText : syscolor::kButtonShadow;
    cmdColor.Enabled = on;
    // The tag keeps the colour while the button shows none.
    cmdColor.BackColor =
        on ? host::ValueOrNothing([&] { return CLng(cmdColor.Tag); }).value_or(BackColor)
           : BackColor;
}

void frmSetting::cmdColor_Click() {
    const int32_t current = host::ValueOrNothing([&] { return CLng(cmdColor.Tag); }).value_or(0);
    std::optional<int32_t> picked = Platform().Windows().ChooseColor(current);
    if (!picked) return;  // cancelled: the colour stays
    cmdColor.BackColor = *picked;
    cmdColor.Tag = std::to_string(*picked);
}

void frmSetting::imgOnePoint_Click() {
    const int32_t count = static_cast<int32_t>(imlOnepoint.ListImages.size());
    if (count == 0) return;
    const double next = std::floor(Val(imgOnePoint.Tag)) + 1;
    const int32_t n = (next >= 1 && next <= count) ? static_cast<int32_t>(next) : 1;
    imgOnePoint.Picture = imlOnepoint.ListImages[static_cast<size_t>(n - 1)];
    imgOnePoint.Tag = std::to_string(n);
}

void frmSetting::lblApp_Click(int32_t Index) {
    if (Index == 2) Platform().OpenUrl(kSiteRootUrl);
}

void frmSetting::cmdOK_Click() {
    auto shortcutText = [&](int32_t n) { return cboKey1(n).Text() + cboKey2(n).Text(); };

    // The same shortcut twice, in any letter case, or a lone letter that would take the
    // key from typing.
    bool refused = false;
    std::vector<std::string> seen;
    for (int32_t n = 0; n < kShortcutRowCount && !refused; ++n) {
        const std::string text = shortcutText(n);
        if (text.empty()) continue;
        const std::string key = UCase(text);
        for (const std::string& earlier : seen) refused = refused || earlier == key;
        seen.push_back(key);
    }
    for (int32_t n = 0; n < kShortcutRowCount && !refused; ++n)
        refused = shortcutText(n).size() == 1;
    if (refused) {
        ShowResMessage(Platform(), str::kBadShortcutKeyMessage, platform::MsgIcon::Critical);
        return;
    }

    auto save = [&](const std::string& key, const std::string& value) {
        WriteSetting(Platform(), setting::kSection, key, value);
    };
    save(setting::kMark, optMark(0).Selected() ? "FALSE" : "TRUE");
    save(setting::kColor, std::to_string(CLng(cmdColor.Tag)));
    save(setting::kSaveMark, std::to_string(chkSave.Value));
    save(setting::kVector, optVector(0).Selected() ? kVectorRow : kVectorColumn);
    save(setting::kConfirm, std::to_string(chkConfirm.Value));
    for (int32_t n = 0; n < kShortcutRowCount; ++n) {
        save(ShortcutModifierSettingKey(n), cboKey1(n).Text());
        save(ShortcutKeyNameSettingKey(n), cboKey2(n).Text());
    }
    Unload(UnloadMode::FormCode);
}

void frmSetting::cmdCancel_Click() {
    Unload(UnloadMode::FormCode);
}

void frmSetting::OnClick(Control& control) {
    const std::string& name = control.Name();
    if (name == "optMark")
        optMark_Click(control.Index());
    else if (&control == &cmdColor)
        cmdColor_Click();
    else if (&control == &imgOnePoint)
        imgOnePoint_Click();
    else if (name == "lblApp")
        lblApp_Click(control.Index());
    else if (&control == &cmdOK)
        cmdOK_Click();
    else if (&control == &cmdCancel)
        cmdCancel_Click();
}

}  // namespace tessaly
