// The keyboard hook: shortcut keys pressed on the simulated desktop run their
// bookmark commands only on the key's release, with exactly the stored modifiers,
// and only while the host's main window is in front.

#include <gtest/gtest.h>

#include <string>

#include "addin/Connect.h"
#include "bookmarks/clsBMs.h"
#include "locale/const.h"
#include "platform/platform.h"
#include "settings/Hook.h"
#include "sim/excel.h"
#include "sim/keyboard.h"
#include "sim/sim_platform.h"
#include "tests/support/keyboard_fixture.h"
#include "tests/support/scripted_windows.h"

namespace tessaly {
namespace {

using tessaly_test::ScriptedWindows;

class HookTest : public tessaly_test::KeyboardTest {
  protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        // A second apart per key event: a command run on every event would not be
        // hidden by the commands' repeat guards.
        keyboard.SetSecondsPerEvent(1.0);
    }

    // Ctrl+HOME as the "next" shortcut, switched on, with bookmarks on B2, B4 and B6 and
    // A1 active, so that each run of "next" moves on.
    void ConnectWithCtrlHomeAsNext() {
        Store(2, "Ctrl", "HOME");
        ConnectAddin();
        for (const char* cell : {"B2", "B4", "B6"}) {
            excel.Select(cell);
            connect.subCall_AddOrDelete();
            platform.Advance(1.0);
        }
        excel.Select("A1");
        ASSERT_EQ(connect.BMs().Count(), 3);
    }
    size_t Jumps() const { return excel.GotoLog().size(); }
};

TEST_F(HookTest, ChordRunsTheCommandOnceOnTheKeysReleaseEvenWithAutoRepeat) {
    ConnectWithCtrlHomeAsNext();

    keyboard.Press("Ctrl");
    keyboard.Press("HOME");
    EXPECT_EQ(Jumps(), 0u) << "nothing runs while the key goes down";
    keyboard.Release("HOME");
    EXPECT_EQ(Jumps(), 1u);
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    keyboard.Release("Ctrl");
    EXPECT_EQ(Jumps(), 1u);

    // The press went to the host, where the combination had been silenced.
    ASSERT_EQ(keyboard.HostKeyPresses().size(), 1u);
    EXPECT_EQ(keyboard.HostKeyPresses()[0].key, "^{HOME}");
    EXPECT_FALSE(keyboard.HostKeyPresses()[0].handled);

    // Auto-repeat still runs it once.
    keyboard.Chord("Ctrl+HOME", /*repeats=*/6);
    EXPECT_EQ(Jumps(), 2u);
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$4");
    EXPECT_EQ(keyboard.HostKeyPresses().size(), 8u);
}

TEST_F(HookTest, ModifiersMustMatchExactlyAtTheKeysRelease) {
    Store(3, "", "F5");
    ConnectWithCtrlHomeAsNext();

    keyboard.Chord("Ctrl+Shift+HOME");  // an extra modifier
    keyboard.Chord("HOME");             // a missing one
    keyboard.Chord("Ctrl+F5");          // a row without modifiers wants them all up
    keyboard.Chord("Alt+F5");
    keyboard.Press("Ctrl");  // Ctrl released before the key
    keyboard.Press("HOME");
    keyboard.Release("Ctrl");
    keyboard.Release("HOME");
    EXPECT_EQ(Jumps(), 0u);

    keyboard.Chord("RCtrl+HOME");  // either Ctrl key counts
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    keyboard.Chord("F5");
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$6");  // previous, wrapping round
}

TEST_F(HookTest, NothingRunsUnlessTheHostsMainWindowIsInFront) {
    ConnectWithCtrlHomeAsNext();
    keyboard.InstallObserverHook();  // sees whatever the add-in's hook passes on

    keyboard.ShowHostDialog("Settings");
    keyboard.Chord("Ctrl+HOME");
    keyboard.ShowOtherProgram("Untitled - Notepad");
    keyboard.Chord("Ctrl+HOME");
    keyboard.ShowNothing();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 0u);
    // 3 chords of 4 events each: the observer, installed last, sees them first, and
    // the add-in's hook passes every one of them on.
    EXPECT_EQ(keyboard.ObservedEvents(), 12);
    EXPECT_EQ(keyboard.EventsPassedThrough(), 12);
    EXPECT_TRUE(keyboard.HostKeyPresses().empty());

    keyboard.ShowHostMain();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
}

TEST_F(HookTest, MatchedReleaseIsNotPassedDownTheChainButReachesItsWindow) {
    keyboard.InstallObserverHook();  // installed first: after the add-in in the chain
    ConnectWithCtrlHomeAsNext();

    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    EXPECT_EQ(keyboard.ObservedEvents(), 3);  // Ctrl down, HOME down, Ctrl up
    EXPECT_EQ(keyboard.EventsSwallowed(), 0);

    keyboard.Chord("Ctrl+END");  // matches nothing: every event passes on
    EXPECT_EQ(keyboard.ObservedEvents(), 7);
}

// The main window (SDI): the window in front is judged by what it is, not by its
// title, which in Excel 15 and later is "<book> - Excel" and never the caption.
TEST_F(HookTest, MainWindowSdiIsRecognisedWhateverItsTitle) {
    excel.SetCaption("Excel");
    ConnectWithCtrlHomeAsNext();

    keyboard.ShowHostMain();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    // Another program whose title is the host's caption exactly is still not the host.
    keyboard.ShowOtherProgram(excel.Caption());
    keyboard.Chord("Ctrl+HOME");
    // Nor is an unreadable caption taken for the untitled window of nobody.
    excel.FailAlways("Application.Caption", host::err::kUnspecified, "Automation error");
    keyboard.ShowNothing();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    // An unreadable caption does not matter to the host's own window.
    keyboard.ShowHostMain();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 2u);
}

// Hook timeout: the list opened by its shortcut stays open for seconds; the hook has
// long returned by then, so Windows keeps it and the next shortcut still works.
TEST_F(HookTest, HookTimeoutListKeptOpenForSecondsLeavesTheShortcutsWorking) {
    Store(0, "Ctrl", "L");
    ConnectWithCtrlHomeAsNext();
    ScriptedWindows windows{platform};
    bool shown = false;
    windows.Run([&] {
        shown = true;
        platform.Advance(5.0);  // the user reads the list for a while
    });
    windows.PressEscape();

    keyboard.Chord("Ctrl+L");
    EXPECT_TRUE(shown) << "the list opened";
    EXPECT_EQ(keyboard.HooksTimedOut(), 0);
    EXPECT_EQ(keyboard.InstalledHooks(), 1u);
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    EXPECT_EQ(excel.ActiveCellAddress(), "$B$2");
    EXPECT_FALSE(keyboard.HostKeyPresses().back().handled) << "the key stays the add-in's";
}

// The desktop's side of the rule: a hook that overruns or shows a modal window is
// removed for good, and the host then sees the silenced key do nothing at all.
TEST_F(HookTest, HookTimeoutRemovesAHookThatOverrunsOrShowsAModalWindow) {
    static sim::SimPlatform* clock = nullptr;
    clock = &platform;
    keyboard.InstallHook(
        platform::kHookLowLevelKeyboard,
        [](int32_t, intptr_t, intptr_t) -> int32_t {
            clock->Advance(1.5);
            return 0;
        },
        0);
    keyboard.Tap('A');
    EXPECT_EQ(keyboard.HooksTimedOut(), 1);
    EXPECT_EQ(keyboard.InstalledHooks(), 0u);

    keyboard.InstallHook(
        platform::kHookLowLevelKeyboard,
        [](int32_t, intptr_t, intptr_t) -> int32_t {
            clock->MessageBox("busy", "", platform::MsgIcon::None, platform::MsgButtons::OK);
            return 0;
        },
        0);
    keyboard.Tap('A');
    EXPECT_EQ(keyboard.HooksTimedOut(), 2);
    EXPECT_EQ(keyboard.InstalledHooks(), 0u);
    clock = nullptr;
}

TEST_F(HookTest, EachRowRunsItsOwnCommand) {
    Store(1, "Ctrl+Shift", "B");
    Store(2, "Alt", "DOWN");
    Store(3, "Alt", "UP");
    Store(4, "Ctrl+Alt", "DEL");
    ConnectAddin();

    excel.Select("C3");
    keyboard.Chord("Ctrl+Shift+B");
    EXPECT_EQ(connect.BMs().Count(), 1);
    excel.Select("C5");
    keyboard.Chord("Ctrl+Shift+B");
    EXPECT_EQ(connect.BMs().Count(), 2);

    keyboard.Chord("Alt+DOWN");
    EXPECT_EQ(excel.ActiveCellAddress(), "$C$3");  // wraps round to the first
    keyboard.Chord("Alt+UP");
    EXPECT_EQ(excel.ActiveCellAddress(), "$C$5");

    platform.Answer(platform::MsgAnswer::Cancel);  // the delete-all confirmation
    keyboard.Chord("Ctrl+Alt+DEL");
    EXPECT_EQ(platform.Messages().size(), 1u);
    EXPECT_EQ(connect.BMs().Count(), 2);
}

TEST_F(HookTest, DuplicateRowsRunOnlyTheFirst) {
    Store(1, "Ctrl", "HOME");  // add/delete
    Store(2, "CTRL", "home");  // next
    ConnectAddin();
    ASSERT_EQ(arrShortcutKeys.size(), 3u);  // both rows have their entry
    EXPECT_EQ(arrShortcutKeys[2].Row, 2);
    excel.Select("D4");
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(connect.BMs().Count(), 1);
    EXPECT_EQ(Jumps(), 0u);
}

TEST_F(HookTest, DisconnectionGivesTheKeysBackAndChangedShortcutsTakeEffectOnReconnection) {
    Store(4, "Alt", "A");
    ConnectWithCtrlHomeAsNext();
    keyboard.Chord("Ctrl+HOME");
    ASSERT_EQ(Jumps(), 1u);

    DisconnectAddin();
    EXPECT_EQ(keyboard.InstalledHooks(), 0u);
    EXPECT_EQ(lngHookHandle, 0);
    EXPECT_EQ(excel.KeyState("%A"), sim::KeyBinding::HostDefault);
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    ASSERT_EQ(keyboard.HostKeyPresses().size(), 2u);
    EXPECT_FALSE(keyboard.HostKeyPresses()[0].handled);
    EXPECT_TRUE(keyboard.HostKeyPresses()[1].handled);

    Store(2, "Ctrl", "END");
    ConnectAddin();
    keyboard.Chord("Ctrl+HOME");
    EXPECT_EQ(Jumps(), 1u);
    EXPECT_TRUE(keyboard.HostKeyPresses().back().handled) << "the old key is the host's again";
    keyboard.Chord("Ctrl+END");
    EXPECT_EQ(Jumps(), 2u);
    EXPECT_FALSE(keyboard.HostKeyPresses().back().handled);
    EXPECT_EQ(keyboard.InstalledHooks(), 1u);
}

// The procedure as Windows calls it, with events that carry no record to read.
TEST_F(HookTest, EventsWithoutAnActionCodeArePassedOnUnread) {
    Store(2, "Ctrl", "HOME");
    ConnectAddin();
    EXPECT_EQ(fncKeyboardHookProc(3, 0, 0), 0);  // would crash if the record were read
    EXPECT_EQ(fncKeyboardHookProc(platform::kHookActionCode, 0x101, 0), 0);

    platform::KeyboardHookRecord record;
    record.vkCode = 36;
    record.flags = platform::kKeyReleasedFlag;
    keyboard.Press("Ctrl");
    EXPECT_EQ(fncKeyboardHookProc(-1, 0x101, reinterpret_cast<intptr_t>(&record)), 0);
    EXPECT_TRUE(excel.GotoLog().empty());
    keyboard.Release("Ctrl");
}

}  // namespace
}  // namespace tessaly
