// The mapping of the add-in's windows onto the office's dialogs, without the office:
// which controls are drawn as what, where they stand in dialog units, and the texts,
// colours and keys translated between the two.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "calc/dialog_layout.h"
#include "forms/frmJump.h"
#include "forms/frmSetting.h"
#include "forms/pictures.h"
#include "sim/sim_platform.h"

namespace {

using tessaly::Control;
using tessaly::ControlKind;
using tessaly::calc::DialogItem;
using tessaly::calc::DialogKind;
using tessaly::calc::DialogLayout;
using tessaly::calc::DialogRect;
using tessaly::calc::DialogScale;

// Whole twips per unit keep the expected positions exact.
constexpr DialogScale kScale{15, 30};

const DialogItem* ItemNamed(const std::vector<DialogItem>& items, const std::string& name) {
    for (const DialogItem& item : items)
        if (item.name == name) return &item;
    return nullptr;
}

class DialogLayoutTest : public ::testing::Test {
  protected:
    sim::SimPlatform platform;
};

TEST_F(DialogLayoutTest, SettingsWindowDrawsEveryVisibleKindAndLeavesOutTheRest) {
    tessaly::frmSetting window(platform);
    const auto items = DialogLayout(window, kScale);
    std::set<std::string> names;
    for (const DialogItem& item : items) {
        EXPECT_TRUE(names.insert(item.name).second) << item.name << " twice";
        EXPECT_NE(item.control->Kind(), ControlKind::PictureBox) << item.name;
        EXPECT_NE(item.control->Kind(), ControlKind::ImageList) << item.name;
        EXPECT_NE(item.control->Kind(), ControlKind::CommonDialog) << item.name;
    }
    // Four frames, two and two options, five rows of a label and two lists, two check
    // boxes, the colour button, OK, Cancel, the colour label, three about labels, the tip.
    EXPECT_EQ(items.size(), 4u + 4u + 15u + 2u + 3u + 1u + 3u + 1u);
    ASSERT_NE(ItemNamed(items, "cboKey2(4)"), nullptr);
    EXPECT_EQ(ItemNamed(items, "cboKey2(4)")->kind, DialogKind::ListBox);
    EXPECT_EQ(ItemNamed(items, "optVector(1)")->kind, DialogKind::RadioButton);
    EXPECT_EQ(ItemNamed(items, "Frame3")->kind, DialogKind::GroupBox);
    EXPECT_EQ(ItemNamed(items, "imgOnePoint")->kind, DialogKind::Image);
    // Frames come before what they hold, so the office stacks their contents on top.
    auto position = [&](const std::string& name) { return ItemNamed(items, name) - items.data(); };
    EXPECT_LT(position("Frame1"), position("optMark(0)"));
    EXPECT_LT(position("Frame3"), position("lblKey(0)"));
}

TEST_F(DialogLayoutTest, ControlsInsideFramesAndPanelsAddTheirContainersOffsets) {
    tessaly::frmSetting window(platform);
    // optVector(1): Frame2 at (105, 1785), its panel at (60, 240), the button at (105, 945).
    const auto items = DialogLayout(window, kScale);
    const DialogItem* option = ItemNamed(items, "optVector(1)");
    ASSERT_NE(option, nullptr);
    // 255 / 30 = 8.5 rounds away from zero.
    EXPECT_EQ(option->rect, (DialogRect{(105 + 60 + 105) / 15, (1785 + 240 + 945) / 30, 200, 9}));
    // A control of the window itself keeps its own place.
    EXPECT_EQ(ItemNamed(items, "cmdOK")->rect, (DialogRect{504, 126, 78, 11}));

    // Moving a frame moves what it holds, and nothing else.
    window.Frame2.Rect.Left += 300;
    const auto moved = DialogLayout(window, kScale);
    EXPECT_EQ(ItemNamed(moved, "optVector(1)")->rect.x, option->rect.x + 20);
    EXPECT_EQ(ItemNamed(moved, "optMark(0)")->rect, ItemNamed(items, "optMark(0)")->rect);
}

TEST_F(DialogLayoutTest, DisabledOrHiddenContainersDisableOrHideWhatTheyHold) {
    tessaly::frmSetting window(platform);
    window.picContener(0).Enabled = false;  // the inner panel of the marks' frame
    window.Frame4.Visible = false;
    const auto items = DialogLayout(window, kScale);
    EXPECT_FALSE(ItemNamed(items, "optMark(1)")->enabled);
    EXPECT_TRUE(ItemNamed(items, "optMark(1)")->visible);
    // The frame itself is outside the panel.
    EXPECT_TRUE(ItemNamed(items, "Frame1")->enabled);
    EXPECT_FALSE(ItemNamed(items, "chkSave")->visible);
    EXPECT_TRUE(ItemNamed(items, "chkSave")->enabled);
    EXPECT_TRUE(ItemNamed(items, "optVector(0)")->enabled);
}

TEST_F(DialogLayoutTest, ListWindowIsATreeAndThreeButtonsInAClientAreaOfItsOwnSize) {
    tessaly::frmJump window(platform);
    const auto items = DialogLayout(window, kScale);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].name, "treMain");
    EXPECT_EQ(items[0].kind, DialogKind::Tree);
    EXPECT_EQ(items[0].rect, (DialogRect{7, 4, 344, 151}));
    EXPECT_FALSE(ItemNamed(items, "cmdGoto")->enabled);
    EXPECT_EQ(tessaly::calc::DialogClientSize(window, kScale),
              (DialogRect{0, 0, 480, 158}));  // 7200 x 4740 twips
}

// The tree's pictures are the files the build writes for the list's image list: the
// node's image key picks one, and a key the list lacks gives no picture rather than
// another node's or a file that is not there.
TEST_F(DialogLayoutTest, TreeNodesTakeTheFileOfThePictureTheirImageKeyNames) {
    using tessaly::calc::TreeNodeGraphicURL;
    tessaly::frmJump window(platform);
    const Control* images = tessaly::calc::TreeImageList(window);
    ASSERT_EQ(images, &window.imlIcon);
    ASSERT_EQ(images->ListImages.size(), 3u);
    const std::string root = "vnd.sun.star.extension://org.tessaly.bookmarks/";
    tessaly::TreeNode node;
    std::set<std::string> urls;
    for (int32_t key :
         {tessaly::kListIconWorkbook, tessaly::kListIconSheet, tessaly::kListIconCell}) {
        node.Image = key;
        const std::string url = TreeNodeGraphicURL(root, window, node);
        EXPECT_EQ(url, root + tessaly::calc::ImageListFile(window, *images, key));
        urls.insert(url);
    }
    EXPECT_EQ(urls.size(), 3u) << "book, sheet and cell share a picture";
    EXPECT_EQ(*urls.begin(), root + "icons/frmJump-imlIcon-1.bmp");
    // Nor does the selected picture stand in for a missing one.
    node.SelectedImage = tessaly::kListIconCell;
    for (int32_t key : {0, -1, 4}) {
        node.Image = key;
        EXPECT_EQ(TreeNodeGraphicURL(root, window, node), "") << key;
    }
    // The settings window's image list holds the large tip pictures, no tree's.
    tessaly::frmSetting settings(platform);
    EXPECT_EQ(tessaly::calc::TreeImageList(settings), nullptr);
    node.Image = 1;
    EXPECT_EQ(TreeNodeGraphicURL(root, settings, node), "");
}

TEST(DialogUnits, RoundToTheNearestUnitAndBack) {
    using tessaly::calc::ToDialogUnits;
    EXPECT_EQ(ToDialogUnits(0, 22.5), 0);
    EXPECT_EQ(ToDialogUnits(33, 22.5), 1);  // 1.47
    EXPECT_EQ(ToDialogUnits(34, 22.5), 2);  // 1.51
    EXPECT_EQ(ToDialogUnits(-45, 22.5), -2);
    EXPECT_EQ(ToDialogUnits(1000, 0), 0);  // no scale measured: nothing, never a division by 0
    EXPECT_FLOAT_EQ(tessaly::calc::ToTwips(4, 22.5), 90);
}

TEST(DialogTexts, MnemonicMarksBecomeTheOfficesAndDoubledAmpersandsStay) {
    using tessaly::calc::DialogLabel;
    EXPECT_EQ(DialogLabel("&Goto"), "~Goto");
    EXPECT_EQ(DialogLabel("Goto &and Close"), "Goto ~and Close");
    EXPECT_EQ(DialogLabel("Save && close"), "Save & close");
    EXPECT_EQ(DialogLabel("&&&x"), "&~x");
    EXPECT_EQ(DialogLabel("end&"), "end");
    EXPECT_EQ(DialogLabel("呼出(&G)"), "呼出(~G)");  // multi-byte text passes unchanged
    EXPECT_EQ(DialogLabel(""), "");
}

TEST(DialogColors, ModelBgrBecomesOfficeRgbAndSystemColoursStayTheDialogs) {
    using tessaly::calc::OfficeColor;
    EXPECT_EQ(OfficeColor(0x000000FF), 0x00FF0000);  // red
    EXPECT_EQ(OfficeColor(0x00FF0000), 0x000000FF);  // blue, the link colour
    EXPECT_EQ(OfficeColor(0x00123456), 0x00563412);
    EXPECT_EQ(OfficeColor(0), 0);
    EXPECT_EQ(OfficeColor(tessaly::syscolor::kButtonFace), std::nullopt);
    EXPECT_EQ(OfficeColor(tessaly::syscolor::kButtonShadow), std::nullopt);
    // And back, for what the office's colour dialog answers.
    for (const int32_t model : {0x000000FF, 0x00FF0000, 0x00123456, 0})
        EXPECT_EQ(tessaly::calc::ModelColor(*OfficeColor(model)), model);
}

TEST(DialogKeys, OfficeKeyCodesBecomeTheModelsAndOthersAreDropped) {
    using tessaly::calc::ModelKeyCode;
    EXPECT_EQ(ModelKeyCode(1280), tessaly::keys::kReturn);
    EXPECT_EQ(ModelKeyCode(1281), tessaly::keys::kEscape);
    EXPECT_EQ(ModelKeyCode(512), 'A');
    EXPECT_EQ(ModelKeyCode(537), 'Z');
    EXPECT_EQ(ModelKeyCode(538), 0);  // past Z
    EXPECT_EQ(ModelKeyCode(265), '9');
    EXPECT_EQ(ModelKeyCode(768), 0);  // F1
    EXPECT_EQ(ModelKeyCode(0), 0);
}

}  // namespace
