// Shortcut key definitions: the host key strings, the key-table entries, and what
// switching the shortcuts on and off does to the host.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "locale/const.h"
#include "settings/Hook.h"
#include "settings/shortcut_definitions.h"
#include "sim/excel.h"
#include "sim/keyboard.h"
#include "sim/sim_platform.h"
#include "tests/support/keyboard_fixture.h"

namespace tessaly {
namespace {

// ---- Host key strings --------------------------------------------------------------

TEST(HostKeyString, ModifiersAndEachKeyNameWrappedOnce) {
    EXPECT_EQ(HostKeyString("Ctrl+Shift+Alt+F5"), "^+%{F5}");
    EXPECT_EQ(HostKeyString("Alt+A"), "%A");
    EXPECT_EQ(HostKeyString("+F5"), "{F5}");
    EXPECT_EQ(HostKeyString("Shift+Alt+F12"), "+%{F12}");
    EXPECT_EQ(HostKeyString("+PGUP"), "{PGUP}");  // not {PG{UP}}
    EXPECT_EQ(HostKeyString("+INS"), "{INSERT}");
    EXPECT_EQ(HostKeyString("+DEL"), "{DELETE}");
    EXPECT_EQ(HostKeyString("Ctrl+F15"), "^{F15}");  // F1 must not match inside F15
    EXPECT_EQ(HostKeyString("Alt+NUM9"), "%{NUM9}");
    // A modifier without a key leaves the modifiers only.
    EXPECT_EQ(HostKeyString("Ctrl+Shift+"), "^+");
}

// ---- Key-table entries -------------------------------------------------------------

KeyTableEntry Entry(int32_t code, bool shift, bool ctrl, bool alt, int32_t row) {
    return KeyTableEntry{code, shift ? kVbTrue : kVbFalse, ctrl ? kVbTrue : kVbFalse,
                         alt ? kVbTrue : kVbFalse, row};
}

void ExpectEntry(const std::string& m, const std::string& k, const KeyTableEntry& expected) {
    const ShortcutParseResult parsed = ParseShortcut(expected.Row, m, k);
    ASSERT_EQ(parsed.kind, ShortcutParse::Entry) << m << "+" << k;
    EXPECT_EQ(parsed.entry, expected) << m << "+" << k;
}

// The codes themselves are checked for every offered choice below; these pin the flags,
// the row and the names that contain one another.
TEST(ParseShortcut, FlagsRowAndKeyCodes) {
    ExpectEntry("", "HOME", Entry(36, false, false, false, 0));
    ExpectEntry("Shift+Alt", "F12", Entry(123, true, false, true, 1));
    ExpectEntry("Ctrl+Shift+Alt", "Z", Entry(90, true, true, true, 4));
    ExpectEntry("Ctrl", "UP", Entry(38, false, true, false, 0));  // not PGUP's 33
    ExpectEntry("Ctrl", "PGUP", Entry(33, false, true, false, 2));
    ExpectEntry("", "F15", Entry(126, false, false, false, 0));
    ExpectEntry("Alt", "NUM7", Entry(103, false, false, true, 0));
}

TEST(ParseShortcut, EmptyRowHasNoShortcutAndLeftoversAreUnparsable) {
    EXPECT_EQ(ParseShortcut(0, "", "").kind, ShortcutParse::NoShortcut);
    EXPECT_EQ(ParseShortcut(0, "Ctrl", "").kind, ShortcutParse::Unparsable);
    EXPECT_EQ(ParseShortcut(0, "Ctrl+Shift", "").kind, ShortcutParse::Unparsable);
    EXPECT_EQ(ParseShortcut(0, "Win", "A").kind, ShortcutParse::Unparsable);
    EXPECT_EQ(ParseShortcut(0, "Ctrl", "AB").kind, ShortcutParse::Unparsable);
    EXPECT_EQ(ParseShortcut(0, "Ctrl", "1").kind, ShortcutParse::Unparsable);
    EXPECT_EQ(ParseShortcut(0, "Ctrl", "F16").kind, ShortcutParse::Unparsable);  // "6" stays
    EXPECT_EQ(ParseShortcut(0, "Ctrl", "NUM").kind, ShortcutParse::Unparsable);
}

// Both readings of every combination the settings window offers must denote the same
// keys: the host key string silences exactly the combination the hook recognises. Lower
// case must read the same.
TEST(ShortcutDefinitions, HostStringAndEntryAgreeForEveryOfferedChoiceInEitherCase) {
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(c));
        return text;
    };
    int checked = 0;
    for (const std::string& m : ShortcutModifierChoices()) {
        for (const std::string& k : ShortcutKeyNameChoices()) {
            const ShortcutParseResult parsed = ParseShortcut(0, m, k);
            const ShortcutParseResult lowerParsed = ParseShortcut(0, lower(m), lower(k));
            EXPECT_EQ(lowerParsed.kind, parsed.kind) << m << "+" << k;
            EXPECT_EQ(lowerParsed.entry, parsed.entry) << m << "+" << k;
            EXPECT_EQ(HostKeyString(lower(m + "+" + k)), HostKeyString(m + "+" + k));
            if (k.empty()) continue;
            ASSERT_EQ(parsed.kind, ShortcutParse::Entry) << m << "+" << k;
            std::string expected;
            if (parsed.entry.Ctrl) expected += '^';
            if (parsed.entry.Shift) expected += '+';
            if (parsed.entry.Alt) expected += '%';
            expected += "{" + std::to_string(parsed.entry.KeyCode) + "}";
            EXPECT_EQ(sim::NormalizedHostKey(HostKeyString(m + "+" + k)), expected)
                << m << "+" << k << " -> " << HostKeyString(m + "+" + k);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 8 * 51);
}

TEST(ShortcutDefinitions, OfferedChoicesInOrder) {
    EXPECT_EQ(ShortcutModifierChoices(),
              (std::vector<std::string>{"", "Ctrl", "Shift", "Alt", "Ctrl+Shift", "Ctrl+Alt",
                                        "Shift+Alt", "Ctrl+Shift+Alt"}));
    const auto& keys = ShortcutKeyNameChoices();
    ASSERT_EQ(keys.size(), 52u);
    EXPECT_EQ(keys[0], "");
    EXPECT_EQ(keys[1], "A");
    EXPECT_EQ(keys[26], "Z");
    EXPECT_EQ(keys[27], "F1");
    EXPECT_EQ(keys[41], "F15");
    EXPECT_EQ(keys[42], "HOME");
    EXPECT_EQ(keys[51], "DOWN");
}

TEST(ShortcutDefinitions, RowsAndTheirNames) {
    EXPECT_EQ(ShortcutCommandName(0), "subCall_List");
    EXPECT_EQ(ShortcutCommandName(1), "subCall_AddOrDelete");
    EXPECT_EQ(ShortcutCommandName(2), "subCall_Next");
    EXPECT_EQ(ShortcutCommandName(3), "subCall_Befor");
    EXPECT_EQ(ShortcutCommandName(4), "subCall_Clear");
    EXPECT_EQ(ShortcutCommandName(5), "");
    EXPECT_EQ(ShortcutModifierSettingKey(3), "key1_3");
    EXPECT_EQ(ShortcutKeyNameSettingKey(0), "key2_0");
    EXPECT_EQ(ShortcutErrorText("Ctrl", ""), "Err:Shortcut key (Ctrl+)");
}

// ---- Switching on and off through the connection -----------------------------------

class ShortcutSwitching : public tessaly_test::KeyboardTest {
  protected:
    std::vector<sim::OnKeyCall> OnKeyCalls() const { return excel.OnKeyLog(); }
    std::vector<std::string> ShortcutMessages() const {
        std::vector<std::string> texts;
        for (const auto& shown : platform.Messages()) {
            if (shown.text.rfind("Err:Shortcut key (", 0) == 0) texts.push_back(shown.text);
        }
        return texts;
    }
};

TEST_F(ShortcutSwitching, EmptyStoreCallsNothingAndInstallsNoHook) {
    ConnectAddin();
    EXPECT_TRUE(OnKeyCalls().empty());
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(keyboard.InstallCalls(), 0);
    EXPECT_EQ(lngHookHandle, 0);
    EXPECT_EQ(arrShortcutKeys.size(), 1u);  // the placeholder alone

    keyboard.Chord("Ctrl+HOME");
    ASSERT_EQ(keyboard.HostKeyPresses().size(), 1u);
    EXPECT_TRUE(keyboard.HostKeyPresses()[0].handled);
}

TEST_F(ShortcutSwitching, OnSilencesEveryStoredShortcutAndBuildsTheTableInRowOrder) {
    Store(3, "Shift+Alt", "F12");
    Store(0, "", "HOME");
    Store(2, "ctrl", "pgup");
    ConnectAddin();

    EXPECT_EQ(excel.KeyState("{HOME}"), sim::KeyBinding::Silenced);
    EXPECT_EQ(excel.KeyState("^{PGUP}"), sim::KeyBinding::Silenced);
    EXPECT_EQ(excel.KeyState("+%{F12}"), sim::KeyBinding::Silenced);
    ASSERT_EQ(OnKeyCalls().size(), 3u);
    for (const auto& call : OnKeyCalls()) EXPECT_EQ(call.procedure, std::optional<std::string>(""));

    ASSERT_EQ(arrShortcutKeys.size(), 4u);
    EXPECT_EQ(arrShortcutKeys[1], Entry(36, false, false, false, 0));
    EXPECT_EQ(arrShortcutKeys[2], Entry(33, false, true, false, 2));
    EXPECT_EQ(arrShortcutKeys[3], Entry(123, true, false, true, 3));
    EXPECT_NE(lngHookHandle, 0);
    EXPECT_EQ(objHookTarget, &connect);
    EXPECT_EQ(keyboard.LastHookType(), 13);
    EXPECT_EQ(keyboard.LastThreadId(), 0);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(ShortcutSwitching, ModifierWithoutKeyFailsSilentlyInHostAndIsReportedOncePerSwitchingOn) {
    Store(1, "Ctrl", "");
    Store(2, "Ctrl", "HOME");
    ConnectAddin();

    ASSERT_EQ(OnKeyCalls().size(), 2u);
    EXPECT_EQ(OnKeyCalls()[0].key, "^");
    EXPECT_FALSE(OnKeyCalls()[0].accepted);
    EXPECT_EQ(excel.KeyState("^{HOME}"), sim::KeyBinding::Silenced);  // the next row still ran

    ASSERT_EQ(platform.Messages().size(), 1u);
    const auto& shown = platform.Messages()[0];
    EXPECT_EQ(shown.text, "Err:Shortcut key (Ctrl+)");
    EXPECT_EQ(shown.caption, "Tessaly");
    EXPECT_EQ(shown.icon, platform::MsgIcon::Critical);
    EXPECT_EQ(shown.buttons, platform::MsgButtons::OK);
    ASSERT_EQ(arrShortcutKeys.size(), 2u);  // the valid row keeps its entry
    EXPECT_EQ(arrShortcutKeys[1].Row, 2);

    DisconnectAddin();
    EXPECT_EQ(ShortcutMessages().size(), 1u);  // switching off reports nothing
    ConnectAddin();
    EXPECT_EQ(ShortcutMessages().size(), 2u);
}

TEST_F(ShortcutSwitching, UnparsableRowIsReportedWithTheStoredTexts) {
    Store(4, "ctrl+win", "home");
    ConnectAddin();
    EXPECT_EQ(ShortcutMessages(), std::vector<std::string>{"Err:Shortcut key (ctrl+win+home)"});
    EXPECT_EQ(lngHookHandle, 0);  // no valid entry, no hook
}

TEST_F(ShortcutSwitching, RefusedHookLeavesNoHookAndReportsNothing) {
    keyboard.RefuseHooks(true);
    Store(2, "Ctrl", "HOME");
    ConnectAddin();
    EXPECT_EQ(keyboard.InstallCalls(), 1);
    EXPECT_EQ(lngHookHandle, 0);
    EXPECT_TRUE(platform.Messages().empty());
    DisconnectAddin();  // nothing to remove
    EXPECT_EQ(lngHookHandle, 0);
}

TEST_F(ShortcutSwitching, TheHooksTargetIsForgottenWithItsConnection) {
    Store(2, "Ctrl", "HOME");
    {
        Connect other(platform);
        other.AddinInstance_OnConnection(excel.Application(), 0, excel.AddIn());
        ASSERT_EQ(objHookTarget, &other);
    }
    EXPECT_EQ(lngHookHandle, 0);
    EXPECT_EQ(objHookTarget, nullptr);
    EXPECT_EQ(fncKeyboardHookProc(platform::kHookActionCode, 0, 0), 0);
}

}  // namespace
}  // namespace tessaly
