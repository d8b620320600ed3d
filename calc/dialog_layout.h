#pragma once

// How a window model becomes an office dialog, without the office: which dialog
// control each model control is, where it stands in the dialog's own units, and the
// texts, colours and keys translated between the model's terms and the office's. The
// dialog front end (dialog_front_end.cpp) applies this to a live dialog; the rules are
// here so that they can be tested on their own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "forms/window_model.h"

namespace tessaly::calc {

// The dialog controls the model's controls become.
enum class DialogKind { Button, Label, GroupBox, RadioButton, CheckBox, ListBox, Tree, Image };

// The dialog control for a kind of model control; nothing for controls that are not
// drawn (image lists, the colour dialog) or only hold others (the frames' inner panels,
// whose offset their children keep).
std::optional<DialogKind> DialogKindOf(ControlKind kind);

// The office's service name of the control model for a kind.
const char* ControlModelService(DialogKind kind);

// Twips per dialog unit, across and down. Dialog models place controls in "APPFONT"
// units, a quarter of the dialog font's average character width across and an eighth of
// its height down
// (https://wiki.openoffice.org/wiki/Documentation/DevGuide/GUI/Setting_Dialog_Properties); the
// front end measures them on the live dialog (XUnitConversion).
struct DialogScale {
    double twipsPerUnitX = 0;
    double twipsPerUnitY = 0;
};

// A scale for when the office cannot tell: 15 twips a pixel (96 dots an inch) and the
// default dialog font's 6 by 13 pixel character box.
inline constexpr DialogScale kFallbackScale{15.0 * 6 / 4, 15.0 * 13 / 8};

struct DialogRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

// Twips to whole dialog units, to the nearest.
int32_t ToDialogUnits(float twips, double twipsPerUnit);
float ToTwips(int32_t units, double twipsPerUnit);

// One drawn control of the model.
struct DialogItem {
    Control* control = nullptr;
    DialogKind kind = DialogKind::Label;
    std::string name;  // the model's display name, "optMark(1)": unique in a window
    // Relative to the dialog's client area: the model's rectangle plus the offsets of
    // the frames and panels around it.
    DialogRect rect;
    // The control and every container around it enabled (shown); a control in a
    // disabled frame cannot be used, as in the model.
    bool enabled = true;
    bool visible = true;
};

// The drawn controls of a window in creation order (which is also the order in which
// the office stacks them: frames first, their contents over them).
std::vector<DialogItem> DialogLayout(const WindowModel& window, const DialogScale& scale);

// The client area of the window in dialog units.
DialogRect DialogClientSize(const WindowModel& window, const DialogScale& scale);

// Where the office finds a file of the installed extension: its identifier as the
// authority (vnd.sun.star.extension://org.tessaly.bookmarks/list.bmp). In LibreOffice 7.4
// the graphic provider the tree loads node pictures with reads these, as it reads the
// package location that css.deployment.PackageInformationProvider gives
// (offapi com/sun/star/deployment/XPackageInformationProvider.idl); this one needs no
// look-up.
inline constexpr char kExtensionRoot[] = "vnd.sun.star.extension://org.tessaly.bookmarks/";

// The image list a window's trees take their nodes' pictures from: the first one of
// small pictures, as the other front ends choose it; nullptr for none.
const Control* TreeImageList(const WindowModel& window);

// The extension's file for picture `image` (1-based) of an image list of the window,
// "icons/frmJump-imlIcon-2.bmp"; the build writes every such picture under this name.
std::string ImageListFile(const WindowModel& window, const Control& imageList, int32_t image);

// The URL of a tree node's picture, the picture its image key names in the window's
// tree image list, under root; empty for a node without one (key 0) or with a key the
// list does not have, which the tree draws without a picture.
std::string TreeNodeGraphicURL(const std::string& root, const WindowModel& window,
                               const TreeNode& node);

// A caption with the model's mnemonic marks ("&Goto", "&&" for an ampersand) in the
// office's ("~Goto", "&").
std::string DialogLabel(const std::string& caption);

// A model colour (0x00BBGGRR) as the office's 0x00RRGGBB; nothing for a colour of the
// system's scheme, which the dialog's own defaults stand for.
std::optional<int32_t> OfficeColor(int32_t modelColor);
// The office's 0x00RRGGBB as a model colour (0x00BBGGRR).
int32_t ModelColor(int32_t officeColor);

// css.awt.Key's codes the dialogs read, written out so that the layout needs no office
// headers (calc/accelerators.cpp checks them against the office's): letters and digits
// run in blocks from these.
inline constexpr int32_t kOfficeNum0 = 256;
inline constexpr int32_t kOfficeA = 512;
inline constexpr int32_t kOfficeReturn = 1280;
inline constexpr int32_t kOfficeEscape = 1281;

// An office key code (css.awt.Key) as the model's key code; 0 for keys the model has
// no use for. The office's modifier bits (SHIFT 1, MOD1 2, MOD2 4) are the model's.
int32_t ModelKeyCode(int32_t officeKey);

}  // namespace tessaly::calc
