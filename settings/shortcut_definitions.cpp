#include "settings/shortcut_definitions.h"

#include <utility>

#include "host/operations.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// Replaces every `what` that does not stand inside a brace form already made, so
// that "UP" stays untouched inside "{PGUP}".
std::string ReplaceOutsideBraces(const std::string& text, const std::string& what,
                                 const std::string& with) {
    std::string out;
    out.reserve(text.size() + with.size());
    bool inBraces = false;
    for (size_t i = 0; i < text.size();) {
        if (!inBraces && text.compare(i, what.size(), what) == 0) {
            out += with;
            i += what.size();
            continue;
        }
        if (text[i] == '{') inBraces = true;
        if (text[i] == '}') inBraces = false;
        out += text[i++];
    }
    return out;
}

struct NamedKey {
    const char* name;
    int32_t code;
    const char* hostForm;
};

// The order of each list matters: see HostKeyString and ParseShortcut.
constexpr NamedKey kHostFormOrder[] = {
    {"HOME", 36, "{HOME}"},  {"END", 35, "{END}"},   {"INS", 45, "{INSERT}"},
    {"DEL", 46, "{DELETE}"}, {"PGUP", 33, "{PGUP}"}, {"PGDN", 34, "{PGDN}"},
    {"LEFT", 37, "{LEFT}"},  {"UP", 38, "{UP}"},     {"RIGHT", 39, "{RIGHT}"},
    {"DOWN", 40, "{DOWN}"},
};
// PGUP is taken out before UP is looked for, so "PGUP" yields 33 alone.
constexpr NamedKey kEntryOrder[] = {
    {"HOME", 36, nullptr},  {"END", 35, nullptr},  {"INS", 45, nullptr},  {"DEL", 46, nullptr},
    {"PGDN", 34, nullptr},  {"PGUP", 33, nullptr}, {"LEFT", 37, nullptr}, {"DOWN", 40, nullptr},
    {"RIGHT", 39, nullptr}, {"UP", 38, nullptr},
};

constexpr int32_t kFirstFunctionKeyCode = 111;  // F1 is 112
constexpr int32_t kNumPadZeroCode = 96;
constexpr int32_t kHighestFunctionKey = 15;

}  // namespace

const std::array<const char*, kShortcutRowCount>& ShortcutCommandNames() {
    static const std::array<const char*, kShortcutRowCount> names = {
        kOperations[kSlotList].name, kOperations[kSlotAddOrDelete].name,
        kOperations[kSlotNext].name, kOperations[kSlotBefor].name, kOperations[kSlotClear].name};
    return names;
}

std::string ShortcutCommandName(int32_t row) {
    if (row < 0 || row >= kShortcutRowCount) return {};
    return ShortcutCommandNames()[static_cast<size_t>(row)];
}

std::string ShortcutModifierSettingKey(int32_t row) {
    return "key1_" + std::to_string(row);
}

std::string ShortcutKeyNameSettingKey(int32_t row) {
    return "key2_" + std::to_string(row);
}

const std::vector<std::string>& ShortcutModifierChoices() {
    static const std::vector<std::string> choices = {
        "", "Ctrl", "Shift", "Alt", "Ctrl+Shift", "Ctrl+Alt", "Shift+Alt", "Ctrl+Shift+Alt"};
    return choices;
}

const std::vector<std::string>& ShortcutKeyNameChoices() {
    static const std::vector<std::string> choices = [] {
        std::vector<std::string> list = {""};
        for (char c = 'A'; c <= 'Z'; ++c) list.emplace_back(1, c);
        for (int n = 1; n <= kHighestFunctionKey; ++n) list.push_back("F" + std::to_string(n));
        for (const char* name :
             {"HOME", "END", "INS", "DEL", "PGUP", "PGDN", "LEFT", "RIGHT", "UP", "DOWN"}) {
            list.emplace_back(name);
        }
        return list;
    }();
    return choices;
}

std::string HostKeyString(const std::string& combined) {
    std::string text = UCase(combined);
    for (const NamedKey& key : kHostFormOrder) {
        text = ReplaceOutsideBraces(text, key.name, key.hostForm);
    }
    for (int n = kHighestFunctionKey; n >= 1; --n) {
        const std::string name = "F" + std::to_string(n);
        if (Contains(text, name)) {
            text = ReplaceAll(text, name, "{" + name + "}");
            break;
        }
    }
    for (int d = 0; d <= 9; ++d) {
        const std::string name = "NUM" + std::to_string(d);
        if (Contains(text, name)) {
            text = ReplaceAll(text, name, "{" + name + "}");
            break;
        }
    }
    text = ReplaceAll(text, "+", "");
    text = ReplaceAll(text, "CTRL", "^");
    text = ReplaceAll(text, "SHIFT", "+");
    text = ReplaceAll(text, "ALT", "%");
    return text;
}

ShortcutParseResult ParseShortcut(int32_t row, const std::string& modifiers,
                                  const std::string& keyName) {
    KeyTableEntry entry;
    entry.Row = row;
    std::string m = modifiers;
    std::string k = keyName;

    if (!k.empty()) {
        // Each modifier word found is taken out; whatever stays behind is unparsable.
        const std::pair<const char*, int16_t*> words[] = {
            {"SHIFT", &entry.Shift}, {"CTRL", &entry.Ctrl}, {"ALT", &entry.Alt}};
        for (const auto& [word, flag] : words) {
            if (Contains(UCase(m), word)) {
                *flag = kVbTrue;
                m = ReplaceAll(UCase(m), word, "");
            }
        }
        m = ReplaceAll(m, "+", "");

        for (const NamedKey& key : kEntryOrder) {
            if (Contains(UCase(k), key.name)) {
                entry.KeyCode = key.code;
                k = ReplaceAll(UCase(k), key.name, "");
            }
        }
        for (int d = 0; d <= 9; ++d) {
            const std::string name = "NUM" + std::to_string(d);
            if (Contains(UCase(k), name)) {
                entry.KeyCode = kNumPadZeroCode + d;
                k = ReplaceAll(UCase(k), name, "");
                break;
            }
        }
        for (int n = kHighestFunctionKey; n >= 1; --n) {
            const std::string name = "F" + std::to_string(n);
            if (Contains(UCase(k), name)) {
                entry.KeyCode = kFirstFunctionKeyCode + n;
                k = ReplaceAll(UCase(k), name, "");
                break;
            }
        }
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string name(1, letter);
            if (Contains(UCase(k), name)) {
                entry.KeyCode = letter;
                k = ReplaceAll(UCase(k), name, "");
                break;
            }
        }
    }

    if (!m.empty() || !k.empty()) return {ShortcutParse::Unparsable, {}};
    if (entry.KeyCode == 0) return {ShortcutParse::NoShortcut, {}};
    return {ShortcutParse::Entry, entry};
}

std::string ShortcutErrorText(const std::string& modifiers, const std::string& keyName) {
    return "Err:Shortcut key (" + modifiers + "+" + keyName + ")";
}

}  // namespace tessaly
