// The settings window and its command: every stored value shown, the shortcut checks,
// what OK and Cancel write, the marks refreshed after a change of "Mark" or "Color",
// the shortcut keys off while the window is open and on again afterwards, and the
// window's own controls (mark option, colour dialog, tip pictures, site label).

#include <gmock/gmock.h>

#include "forms/pictures.h"
#include "locale/const.h"
#include "locale/resource_strings.h"
#include "sim/keyboard.h"
#include "tests/support/addin_fixture.h"
#include "tests/support/scripted_windows.h"

namespace tessaly_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kOverlapMessage = "The shortcut key overlaps or error.";
constexpr const char* kMarkUpdateFailed =
    "It failed in the update of all marks (for visual check). ";

class SettingsWindowTest : public AddinTest {
  protected:
    void SetUp() override { ConnectAddin("11.0"); }

    // The section "Setting" as stored now.
    std::map<std::string, std::string> Stored() {
        std::map<std::string, std::string> values;
        for (const auto& [key, value] : platform.Store().Entries())
            if (std::get<0>(key) == kApp && std::get<1>(key) == "Setting")
                values[std::get<2>(key)] = value;
        return values;
    }
    // Connects again with Ctrl+HOME as the add/delete shortcut, switched on.
    void ReconnectWithCtrlHome() {
        SetSetting("key1_1", "Ctrl");
        SetSetting("key2_1", "HOME");
        DisconnectAddin();
        ConnectAddin("11.0");
    }

    void ExpectOneCriticalMessage(const char* text, platform::MsgButtons buttons) {
        ASSERT_EQ(platform.Messages().size(), 1u);
        EXPECT_EQ(platform.Messages()[0].text, text);
        EXPECT_EQ(platform.Messages()[0].caption, "Tessaly");
        EXPECT_EQ(platform.Messages()[0].icon, platform::MsgIcon::Critical);
        EXPECT_EQ(platform.Messages()[0].buttons, buttons);
    }

    sim::SimKeyboard keyboard{excel, platform};
    ScriptedWindows windows{platform};
};

// ---- Opening -----------------------------------------------------------------------

TEST_F(SettingsWindowTest, OpensWithItsCaptionsAndTheDefaultsOfAnEmptyStore) {
    windows.SetTwipsPerPixel(15, 12);
    windows.PressEnter();  // Enter is OK

    addin->subCall_Setting();

    const WindowView& view = windows.Opened();
    EXPECT_EQ(view.caption, "Setting for bookmark");
    EXPECT_EQ(view.Control("Frame3").caption, "Shortcut Key");
    EXPECT_EQ(view.Control("lblKey(4)").caption, "&Delete all bookmarks.");
    EXPECT_EQ(view.Control("chkSave").caption, "Save Bookmark information in Book.");
    EXPECT_EQ(view.Control("lblApp(0)").caption, "Title : Tessaly");
    EXPECT_EQ(view.Control("lblApp(1)").caption, "Version : 1.00  Update : Jun 23, 2006");
    EXPECT_EQ(view.Control("lblApp(2)").caption, std::string("URL : ") + tessaly::kSiteRootUrl);
    EXPECT_EQ(view.Control("picContener(2)").container, "Frame3");
    EXPECT_EQ(view.Control("cboKey2(3)").rect, (tessaly::Geometry{3885, 3 * 315, 1065, 300}));
    // The opened key lists: own place in pixels, 400 pixels tall (630 / 12 = 52.5 -> 52).
    EXPECT_EQ(view.Control("cboKey2(2)").dropDownWindow, (tessaly::PixelRect{259, 52, 71, 400}));

    EXPECT_EQ(view.Control("cmdColor").backColor, 8388608);
    EXPECT_EQ(view.Control("cboKey1(0)").listIndex, 0);  // the empty choice
    EXPECT_EQ(view.Control("cboKey1(0)").list.size(), 8u);
    EXPECT_EQ(view.Control("cboKey2(0)").list.size(), 1u + 26 + 15 + 10);

    // Untouched, OK writes the defaults in their written form.
    std::map<std::string, std::string> defaults{{"Mark", "TRUE"},
                                                {"Color", "8388608"},
                                                {"SaveMark", "0"},
                                                {"Vector", "ROW"},
                                                {"Confirm", "1"}};
    for (int row = 0; row < 5; ++row)
        defaults["key1_" + std::to_string(row)] = defaults["key2_" + std::to_string(row)] = "";
    EXPECT_EQ(Stored(), defaults);
}

TEST_F(SettingsWindowTest, LoadsEveryStoredValue) {
    SetSetting("Mark", "FALSE");
    SetSetting("Color", "&HFF0000");
    SetSetting("SaveMark", "1");
    SetSetting("Vector", "row");  // not exactly "ROW": column order
    SetSetting("Confirm", " 0 apples");
    SetSetting("key1_1", "Ctrl+Alt");
    SetSetting("key2_1", "PGDN");
    SetSetting("key2_4", "F12");
    windows.Click("cmdCancel");

    addin->subCall_Setting();

    const WindowView& view = windows.Opened();
    EXPECT_EQ(view.Control("optMark(0)").value, 1);
    EXPECT_EQ(view.Control("cmdColor").tag, "16711680");
    EXPECT_EQ(view.Control("chkSave").value, 1);
    EXPECT_EQ(view.Control("optVector(1)").value, 1);
    EXPECT_EQ(view.Control("chkConfirm").value, 0);
    EXPECT_EQ(view.Control("cboKey1(1)").text, "Ctrl+Alt");
    EXPECT_EQ(view.Control("cboKey2(1)").text, "PGDN");
    EXPECT_EQ(view.Control("cboKey2(4)").text, "F12");
}

TEST_F(SettingsWindowTest, UnreadableMarkAndColourStillOpenTheWindowWithTheDefaults) {
    SetSetting("Mark", "maybe");
    SetSetting("Color", "blue");
    SetSetting("SaveMark", "2");  // only 1 means on
    windows.Click("cmdCancel");

    addin->subCall_Setting();

    ASSERT_EQ(windows.Shown().size(), 1u);
    EXPECT_EQ(windows.Opened().Control("optMark(1)").value, 1);
    EXPECT_EQ(windows.Opened().Control("cmdColor").tag, "8388608");
    EXPECT_EQ(windows.Opened().Control("chkSave").value, 0);
    // Cancel leaves them as they were; OK would put good values in their place.
    EXPECT_EQ(Stored()["Mark"], "maybe");
    EXPECT_EQ(Stored()["Color"], "blue");
    EXPECT_THAT(MessageTexts(), IsEmpty());

    windows.Click("cmdOK");
    addin->subCall_Setting();
    EXPECT_EQ(Stored()["Mark"], "TRUE");
    EXPECT_EQ(Stored()["Color"], "8388608");
}

// ---- OK and Cancel -------------------------------------------------------------------

TEST_F(SettingsWindowTest, OkWritesEveryValueAsTheStoreExpectsIt) {
    windows.PickColor(0x00123456)
        .Click("optMark", 0)
        .Click("optVector", 1)
        .Click("chkSave")
        .Click("chkConfirm")
        .Select("cboKey1", 2, "Ctrl+Shift")
        .Select("cboKey2", 2, "F5")
        .Select("cboKey2", 0, "HOME")
        .Click("cmdOK");

    addin->subCall_Setting();

    EXPECT_TRUE(windows.Shown()[0].closedByScript);
    const std::map<std::string, std::string> stored = Stored();
    EXPECT_EQ(stored.at("Mark"), "FALSE");
    EXPECT_EQ(stored.at("Color"), std::to_string(0x00123456));
    EXPECT_EQ(stored.at("SaveMark"), "1");
    EXPECT_EQ(stored.at("Vector"), "COLUMN");
    EXPECT_EQ(stored.at("Confirm"), "0");
    EXPECT_EQ(stored.at("key1_0"), "");
    EXPECT_EQ(stored.at("key2_0"), "HOME");
    EXPECT_EQ(stored.at("key1_2"), "Ctrl+Shift");
    EXPECT_EQ(stored.at("key2_2"), "F5");
    for (const char* key : {"key1_1", "key2_1", "key1_3", "key2_3", "key1_4", "key2_4"})
        EXPECT_EQ(stored.at(key), "") << key;
    EXPECT_EQ(stored.size(), 15u);
}

TEST_F(SettingsWindowTest, CancelEscAndTheCloseBoxSaveNothing) {
    SetSetting("Vector", "ROW");
    for (int way = 0; way < 3; ++way) {
        windows.Click("optVector", 1).Click("chkSave").Select("cboKey2", 1, "Q");
        if (way == 0) windows.Click("cmdCancel");
        if (way == 1) windows.PressEscape();
        if (way == 2) windows.CloseBox();
        const int writes = platform.Store().Writes();

        addin->subCall_Setting();

        EXPECT_EQ(platform.Store().Writes(), writes) << way;
        EXPECT_TRUE(windows.Shown().back().closedByScript) << way;
    }
    EXPECT_EQ(Stored(), (std::map<std::string, std::string>{{"Vector", "ROW"}}));
}

// ---- Shortcut checks ----------------------------------------------------------------

TEST_F(SettingsWindowTest, TheSameShortcutTwiceOrALoneLetterIsRefusedAndTheWindowStaysOpen) {
    const int writes = platform.Store().Writes();
    int writesWhileRefused = -1;
    bool openAfterRefusal = false;
    windows.Select("cboKey1", 0, "Ctrl")
        .Select("cboKey2", 0, "HOME")
        .Select("cboKey1", 3, "Ctrl")
        .Select("cboKey2", 3, "HOME")
        .Click("cmdOK")
        .Inspect([&](tessaly::WindowModel& w) {
            openAfterRefusal = w.Shown();
            writesWhileRefused = platform.Store().Writes();
            // The user's edits are still there.
            EXPECT_EQ(w.Ctl("cboKey2", 3).Text(), "HOME");
        })
        .Select("cboKey2", 3, "END")
        .Select("cboKey2", 1, "A")  // a lone letter is refused too
        .Click("cmdOK")
        .Select("cboKey2", 1, "F5")  // but a lone named key passes
        .Click("cmdOK");

    addin->subCall_Setting();

    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(writesWhileRefused, writes);
    EXPECT_THAT(MessageTexts(), ElementsAre(kOverlapMessage, kOverlapMessage));
    EXPECT_EQ(platform.Messages()[0].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(platform.Messages()[0].caption, "Tessaly");
    EXPECT_EQ(Stored()["key2_0"], "HOME");
    EXPECT_EQ(Stored()["key2_3"], "END");
    EXPECT_EQ(Stored()["key2_1"], "F5");
}

// Stored texts in another letter case show as the lists' entries (and so count as
// duplicates); texts the lists do not offer show no selection and are saved empty.
TEST_F(SettingsWindowTest, StoredKeyTextsAreMatchedToTheListsIgnoringCase) {
    SetSetting("key1_0", "ctrl");
    SetSetting("key2_0", "home");
    SetSetting("key1_2", "Ctrl");
    SetSetting("key2_2", "HOME");
    SetSetting("key1_1", "Meta");
    SetSetting("key2_1", "F16");
    SetSetting("key1_3", "Alt");
    SetSetting("key2_3", "NUM5");  // understood when stored, but not offered
    windows.Click("cmdOK").Select("cboKey2", 2, "END").Click("cmdOK");

    addin->subCall_Setting();

    const WindowView& view = windows.Opened();
    EXPECT_EQ(view.Control("cboKey1(0)").text, "Ctrl");
    EXPECT_EQ(view.Control("cboKey2(0)").text, "HOME");
    EXPECT_EQ(view.Control("cboKey1(1)").listIndex, -1);
    EXPECT_EQ(view.Control("cboKey2(1)").listIndex, -1);
    EXPECT_EQ(view.Control("cboKey2(3)").listIndex, -1);
    EXPECT_EQ(view.Control("cboKey1(3)").text, "Alt");
    // The Alt row kept without its key is reported when the keys switch on again.
    EXPECT_THAT(MessageTexts(), ElementsAre(kOverlapMessage, "Err:Shortcut key (Alt+)"));
    const std::map<std::string, std::string> stored = Stored();
    EXPECT_EQ(stored.at("key1_0"), "Ctrl");
    EXPECT_EQ(stored.at("key2_0"), "HOME");
    EXPECT_EQ(stored.at("key1_1"), "");
    EXPECT_EQ(stored.at("key2_1"), "");
    EXPECT_EQ(stored.at("key1_3"), "Alt");
    EXPECT_EQ(stored.at("key2_3"), "");
}

// ---- The command: keys and marks -------------------------------------------------------

TEST_F(SettingsWindowTest, KeysAreOffWhileTheOnlyWindowIsOpenAndOnAfterwardsWithTheNewKeys) {
    ReconnectWithCtrlHome();
    ASSERT_EQ(excel.KeyState("^{HOME}"), sim::KeyBinding::Silenced);
    ASSERT_EQ(keyboard.InstalledHooks(), 1u);

    sim::KeyBinding whileOpen = sim::KeyBinding::Silenced;
    size_t hooksWhileOpen = 1;
    windows
        .Run([&] {
            addin->subCall_Setting();  // no second window over the first
            whileOpen = excel.KeyState("^{HOME}");
            hooksWhileOpen = keyboard.InstalledHooks();
        })
        .Select("cboKey2", 1, "END")
        .Click("cmdOK");

    addin->subCall_Setting();

    EXPECT_EQ(windows.Shown().size(), 1u);
    EXPECT_EQ(whileOpen, sim::KeyBinding::HostDefault);
    EXPECT_EQ(hooksWhileOpen, 0u);
    EXPECT_EQ(excel.KeyState("^{HOME}"), sim::KeyBinding::HostDefault);
    EXPECT_EQ(excel.KeyState("^{END}"), sim::KeyBinding::Silenced);
    EXPECT_EQ(keyboard.InstalledHooks(), 1u);
}

TEST_F(SettingsWindowTest, AFailureAfterTheKeysWentOffStillSwitchesThemOnAgain) {
    ReconnectWithCtrlHome();
    // No string table: the window cannot load its captions.
    tessaly::SetResourceStringLoader(
        [](int32_t) -> std::optional<std::string> { return std::nullopt; });
    addin->subCall_Setting();
    tessaly::SetResourceStringLoader(nullptr);

    EXPECT_THAT(windows.Shown(), IsEmpty());
    EXPECT_EQ(excel.KeyState("^{HOME}"), sim::KeyBinding::Silenced);
    EXPECT_EQ(keyboard.InstalledHooks(), 1u);
    EXPECT_TRUE(addin->loadedWindows.empty());
}

TEST_F(SettingsWindowTest, HostBusyEditingACellOpensNothing) {
    excel.SetEditMode(true);
    const size_t keyCalls = excel.OnKeyLog().size();

    addin->subCall_Setting();

    EXPECT_THAT(windows.Shown(), IsEmpty());
    EXPECT_EQ(excel.OnKeyLog().size(), keyCalls);
    excel.SetEditMode(false);
}

TEST_F(SettingsWindowTest, DisconnectionWhileOpenClosesItWithoutSavingOrSwitchingKeysOn) {
    ReconnectWithCtrlHome();
    windows.Click("optVector", 1).Run([&] { DisconnectAddin(); });

    addin->subCall_Setting();

    EXPECT_TRUE(windows.Shown()[0].closedByScript);
    EXPECT_EQ(Stored().count("Vector"), 0u);
    EXPECT_EQ(excel.KeyState("^{HOME}"), sim::KeyBinding::HostDefault);
    EXPECT_EQ(keyboard.InstalledHooks(), 0u);
    EXPECT_TRUE(addin->loadedWindows.empty());
}

class SettingsMarksTest : public SettingsWindowTest {
  protected:
    void SetUp() override {
        SettingsWindowTest::SetUp();
        // As the window writes them, so that an untouched OK changes no text.
        SetSetting("Mark", "TRUE");
        SetSetting("Color", "8388608");
        Open("Book.xlsx");
        Bookmark("Book.xlsx", "Sheet1", "B2");
        Bookmark("Book.xlsx", "Sheet1", "C3");
        ASSERT_EQ(excel.OleObjects("Book.xlsx", "Sheet1").size(), 2u);
        excel.ResetCallCounts();
    }
    std::vector<int32_t> MarkColours() const {
        std::vector<int32_t> colours;
        for (const auto& o : excel.OleObjects("Book.xlsx", "Sheet1"))
            colours.push_back(o.label.foreColor);
        return colours;
    }
};

TEST_F(SettingsMarksTest, MarksFollowANewColourAndTheMarkOptionAndOnlyThem) {
    windows.Click("optVector", 1).Click("chkSave").Click("cmdOK");
    addin->subCall_Setting();
    EXPECT_EQ(excel.CallCount("LabelControl.SetForeColor"), 0);
    EXPECT_EQ(excel.CallCount("OLEObject.Delete"), 0);
    EXPECT_EQ(excel.CallCount("OLEObjects.Add"), 0);

    windows.PickColor(255).Click("cmdOK");
    addin->subCall_Setting();
    EXPECT_THAT(MarkColours(), ElementsAre(255, 255));

    windows.Click("optMark", 0).Click("cmdOK");
    addin->subCall_Setting();
    EXPECT_THAT(excel.OleObjects("Book.xlsx", "Sheet1"), IsEmpty());

    windows.Click("optMark", 1).Click("cmdOK");
    addin->subCall_Setting();
    EXPECT_THAT(MarkColours(), ElementsAre(255, 255));
    EXPECT_THAT(MessageTexts(), IsEmpty());
}

TEST_F(SettingsMarksTest, AFailingRefreshIsReportedAfterTheWindowClosesAndTheSettingsStay) {
    excel.Protect("Book.xlsx", "Sheet1");
    windows.Click("optMark", 0).Click("cmdOK");

    addin->subCall_Setting();

    ExpectOneCriticalMessage(kMarkUpdateFailed, platform::MsgButtons::OK);
    EXPECT_EQ(Stored()["Mark"], "FALSE");
}

// ---- The window's own controls ------------------------------------------------------

TEST_F(SettingsWindowTest, MarkOptionGreysTheColourAndBringsItBack) {
    SetSetting("Color", "255");
    std::vector<ControlView> seen;
    auto look = [&](tessaly::WindowModel& w) {
        const WindowView v = ScriptedWindows::View(w);
        seen.push_back(v.Control("lblColor"));
        seen.push_back(v.Control("cmdColor"));
    };
    windows.Click("optMark", 0).Inspect(look).Click("optMark", 1).Inspect(look).Click("cmdCancel");

    addin->subCall_Setting();

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_FALSE(seen[0].enabled);
    EXPECT_EQ(seen[0].foreColor, static_cast<int32_t>(0x80000010));
    EXPECT_FALSE(seen[1].enabled);
    EXPECT_EQ(seen[1].backColor, static_cast<int32_t>(0x8000000F));  // no colour shows
    EXPECT_EQ(seen[1].tag, "255");                                   // but it is kept
    EXPECT_TRUE(seen[2].enabled);
    EXPECT_EQ(seen[2].foreColor, static_cast<int32_t>(0x80000012));
    EXPECT_TRUE(seen[3].enabled);
    EXPECT_EQ(seen[3].backColor, 255);
}

TEST_F(SettingsWindowTest, ColourDialogOpensOnTheCurrentColourAndCancelKeepsIt) {
    SetSetting("Color", "4210752");
    ControlView afterCancel;
    windows.CancelColor()
        .Inspect([&](tessaly::WindowModel& w) {
            afterCancel = ScriptedWindows::View(w).Control("cmdColor");
        })
        .PickColor(65535)
        .PickColor(128)
        .Click("cmdOK");

    addin->subCall_Setting();

    EXPECT_THAT(windows.ColorDialogs(), ElementsAre(4210752, 4210752, 65535));
    EXPECT_EQ(afterCancel.tag, "4210752");
    EXPECT_EQ(afterCancel.backColor, 4210752);
    EXPECT_EQ(Stored()["Color"], "128");
}

TEST_F(SettingsWindowTest, TipPictureCyclesThroughTheSevenPictures) {
    std::vector<std::string> tags;
    std::vector<bool> matches;
    for (int click = 1; click <= 9; ++click) {
        windows.Click("imgOnePoint").Inspect([&, click](tessaly::WindowModel& w) {
            const tessaly::Control& picture = w.Ctl("imgOnePoint");
            tags.push_back(picture.Tag);
            const int expected = (click - 1) % 7 + 1;
            matches.push_back(picture.Picture.has_value() &&
                              picture.Picture->bgr == tessaly::TipPicture(expected).bgr);
        });
    }
    windows.Click("cmdCancel");

    addin->subCall_Setting();

    const ControlView& first = windows.Opened().Control("imgOnePoint");
    ASSERT_TRUE(first.picture.has_value());
    EXPECT_EQ(first.picture->width, 300);
    EXPECT_EQ(first.picture->height, 50);
    EXPECT_EQ(first.tag, "");
    EXPECT_THAT(tags, ElementsAre("1", "2", "3", "4", "5", "6", "7", "1", "2"));
    EXPECT_THAT(matches, ::testing::Each(true));
    EXPECT_EQ(windows.Opened().Control("imlOnepoint").kind, tessaly::ControlKind::ImageList);
}

TEST_F(SettingsWindowTest, OnlyTheSiteLabelOpensTheSite) {
    windows.Click("lblApp", 0).Click("lblApp", 1).Click("lblApp", 2).Click("cmdCancel");

    addin->subCall_Setting();

    EXPECT_THAT(platform.OpenedUrls(), ElementsAre(tessaly::kSiteRootUrl));
}

}  // namespace
}  // namespace tessaly_test
