#pragma once

// The five shortcut rows and the two readings of a stored shortcut: the host's key
// string (to silence the host's own meaning of the combination) and the key-table
// entry the keyboard hook matches against.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr int32_t kShortcutRowCount = 5;

// The command procedure of Connect that each row runs, called by name.
const std::array<const char*, kShortcutRowCount>& ShortcutCommandNames();
// The name to call for a row; empty for a row that is not a command row.
std::string ShortcutCommandName(int32_t row);

// Setting keys of row N in section "Setting": "key1_N" (modifiers), "key2_N" (key name).
std::string ShortcutModifierSettingKey(int32_t row);
std::string ShortcutKeyNameSettingKey(int32_t row);

// The texts the settings window offers, the empty choice first.
const std::vector<std::string>& ShortcutModifierChoices();
const std::vector<std::string>& ShortcutKeyNameChoices();

// Host key-string syntax of "modifiers+key": "Ctrl+Shift+HOME" -> "^+{HOME}".
std::string HostKeyString(const std::string& combined);

// One row of the key table. Flags are 16-bit Booleans: -1 the modifier must be held,
// 0 it must be up.
struct KeyTableEntry {
    int32_t KeyCode = 0;
    int16_t Shift = 0;
    int16_t Ctrl = 0;
    int16_t Alt = 0;
    int32_t Row = 0;

    friend bool operator==(const KeyTableEntry&, const KeyTableEntry&) = default;
};

inline constexpr int16_t kVbTrue = -1;
inline constexpr int16_t kVbFalse = 0;

enum class ShortcutParse {
    NoShortcut,  // both texts empty
    Entry,       // `entry` holds the row's key-table entry
    Unparsable,  // something was left over; the row gets no entry
};

struct ShortcutParseResult {
    ShortcutParse kind = ShortcutParse::NoShortcut;
    KeyTableEntry entry;
};

// Reads the stored modifier text and key name of `row` as a key-table entry.
ShortcutParseResult ParseShortcut(int32_t row, const std::string& modifiers,
                                  const std::string& keyName);

// "Err:Shortcut key (" + modifiers + "+" + key name + ")".
std::string ShortcutErrorText(const std::string& modifiers, const std::string& keyName);

}  // namespace tessaly
