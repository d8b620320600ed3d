#include "settings/Hook.h"

#include <cstring>
#include <string>

#include "host/on_error.h"
#include "locale/messages.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "settings/shortcut_keys.h"

namespace tessaly {

int32_t lngHookHandle = 0;
std::vector<KeyTableEntry> arrShortcutKeys(1);
HookTarget* objHookTarget = nullptr;

namespace {

bool IsHeld(platform::Keyboard& keyboard, int32_t virtualKey) {
    return (static_cast<uint16_t>(keyboard.KeyState(virtualKey)) & platform::kKeyHeldBit) != 0;
}

bool SameState(bool held, int16_t flag) {
    return held == (flag != kVbFalse);
}

}  // namespace

int32_t fncKeyboardHookProc(int32_t code, intptr_t wParam, intptr_t lParam) {
    HookTarget* target = objHookTarget;
    if (target == nullptr) return 0;  // not installed by anyone: nothing to pass on to
    platform::Keyboard& keyboard = target->Platform().Keyboard();
    auto passOn = [&] {
        return static_cast<int32_t>(keyboard.CallNextHook(lngHookHandle, code, wParam, lParam));
    };

    // Only an action event carries a record worth reading.
    if (code != platform::kHookActionCode || lParam == 0) return passOn();
    platform::KeyboardHookRecord record;
    std::memcpy(&record, reinterpret_cast<const void*>(lParam), sizeof record);
    if ((record.flags & platform::kKeyReleasedFlag) == 0) return passOn();

    for (size_t i = 1; i < arrShortcutKeys.size(); ++i) {
        const KeyTableEntry& entry = arrShortcutKeys[i];
        if (static_cast<uint32_t>(entry.KeyCode) != record.vkCode) continue;
        if (!SameState(IsHeld(keyboard, platform::kVkShift), entry.Shift)) continue;
        if (!SameState(IsHeld(keyboard, platform::kVkControl), entry.Ctrl)) continue;
        if (!SameState(IsHeld(keyboard, platform::kVkMenu), entry.Alt)) continue;

        if (!keyboard.HostMainWindowInFront()) continue;

        // The command may show windows and take its time; Windows would remove a hook
        // that does so, so it runs once the hook has returned.
        const std::string command = ShortcutCommandName(entry.Row);
        if (!command.empty()) {
            // A removal in between (disconnection) drops the command.
            keyboard.RunAfterHook([command] {
                HookTarget* later = objHookTarget;
                if (later == nullptr || lngHookHandle == 0) return;
                host::SkipOnError([&] { later->CallByName(command); });
            });
        }
        return 0;
    }
    return passOn();
}

// Builds the key table from the stored shortcuts and installs the hook, unless one is
// installed already or no shortcut is defined.
void ShortcutKeys::subHookInstall() {
    if (lngHookHandle != 0) return;

    arrShortcutKeys.assign(1, KeyTableEntry{});
    for (int32_t row = 0; row < kShortcutRowCount; ++row) {
        const std::string modifiers =
            ReadSetting(platform_, setting::kSection, ShortcutModifierSettingKey(row), "");
        const std::string keyName =
            ReadSetting(platform_, setting::kSection, ShortcutKeyNameSettingKey(row), "");
        const ShortcutParseResult parsed = ParseShortcut(row, modifiers, keyName);
        if (parsed.kind == ShortcutParse::Entry) {
            arrShortcutKeys.push_back(parsed.entry);
        } else if (parsed.kind == ShortcutParse::Unparsable) {
            ShowMessage(
                platform_,
                ShortcutErrorText(
                    ReadSetting(platform_, setting::kSection, ShortcutModifierSettingKey(row), ""),
                    ReadSetting(platform_, setting::kSection, ShortcutKeyNameSettingKey(row), "")),
                platform::MsgIcon::Critical);
        }
    }

    if (arrShortcutKeys.size() > 1) {
        objHookTarget = &target_;
        lngHookHandle = platform_.Keyboard().InstallHook(platform::kHookLowLevelKeyboard,
                                                         &fncKeyboardHookProc, 0);
    }
}

// The table and the target stay; the next installation replaces both.
void ShortcutKeys::subHookRemove() {
    if (lngHookHandle == 0) return;
    platform_.Keyboard().RemoveHook(lngHookHandle);
    lngHookHandle = 0;
}

}  // namespace tessaly
