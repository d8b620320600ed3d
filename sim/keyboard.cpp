#include "sim/keyboard.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace sim {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct KeyName {
    const char* name;
    int32_t code;
};

// Names beyond letters, digits, function keys and the number pad. The first name of
// a code is the one the host's key-string syntax uses in braces.
constexpr KeyName kNamedKeys[] = {
    {"HOME", vk::kHome},
    {"END", vk::kEnd},
    {"INSERT", vk::kInsert},
    {"INS", vk::kInsert},
    {"DELETE", vk::kDelete},
    {"DEL", vk::kDelete},
    {"PGUP", vk::kPgUp},
    {"PGDN", vk::kPgDn},
    {"LEFT", vk::kLeft},
    {"RIGHT", vk::kRight},
    {"UP", vk::kUp},
    {"DOWN", vk::kDown},
    {"ENTER", 0x0D},
    {"ESC", 0x1B},
    {"ESCAPE", 0x1B},
    {"TAB", 0x09},
    {"SPACE", 0x20},
    {"BACKSPACE", 0x08},
    {"BS", 0x08},
    {"CTRL", vk::kLControl},
    {"SHIFT", vk::kLShift},
    {"ALT", vk::kLMenu},
    {"RCTRL", vk::kRControl},
    {"RSHIFT", vk::kRShift},
    {"RALT", vk::kRMenu},
};

constexpr int32_t kHighestFunctionKey = 24;

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsModifierKey(int32_t code) {
    return code == vk::kShift || code == vk::kControl || code == vk::kMenu ||
           (code >= vk::kLShift && code <= vk::kRMenu);
}

// Keys whose hook records carry the extended-key flag.
bool IsExtendedKey(int32_t code) {
    return (code >= vk::kPgUp && code <= vk::kDown) || code == vk::kInsert || code == vk::kDelete ||
           code == vk::kRControl || code == vk::kRMenu;
}

constexpr uint32_t kExtendedFlag = 0x01;
constexpr uint32_t kAltDownFlag = 0x20;

// The keyboard whose hook chain is running, for the test's observer hook.
SimKeyboard* runningKeyboard = nullptr;

}  // namespace

std::optional<int32_t> VirtualKeyOf(const std::string& name) {
    const std::string upper = Upper(name);
    if (upper.size() == 1) {
        const char c = upper[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        return std::nullopt;
    }
    for (const KeyName& key : kNamedKeys) {
        if (upper == key.name) return key.code;
    }
    // F1 to F24: at most two digits, so that no longer name reaches the conversion.
    if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F' && AllDigits(upper.substr(1))) {
        const int n = std::stoi(upper.substr(1));
        if (n >= 1 && n <= kHighestFunctionKey && upper[1] != '0') return vk::kF1 + n - 1;
    }
    if (upper.size() == 4 && upper.compare(0, 3, "NUM") == 0 && AllDigits(upper.substr(3))) {
        return vk::kNumPad0 + (upper[3] - '0');
    }
    return std::nullopt;
}

std::optional<std::string> NormalizedHostKey(const std::string& hostKey) {
    bool ctrl = false, shift = false, alt = false;
    size_t i = 0;
    for (; i < hostKey.size(); ++i) {
        if (hostKey[i] == '^') {
            ctrl = true;
        } else if (hostKey[i] == '+') {
            shift = true;
        } else if (hostKey[i] == '%') {
            alt = true;
        } else {
            break;
        }
    }
    const std::string rest = hostKey.substr(i);
    std::optional<int32_t> code;
    if (rest.size() == 1) {
        code = VirtualKeyOf(rest);
    } else if (rest.size() > 2 && rest.front() == '{' && rest.back() == '}') {
        const std::string inner = rest.substr(1, rest.size() - 2);
        // Modifier names are not keys of the host's syntax.
        if (!IsModifierKey(VirtualKeyOf(inner).value_or(0))) code = VirtualKeyOf(inner);
    }
    if (!code) return std::nullopt;
    std::string text;
    if (ctrl) text += '^';
    if (shift) text += '+';
    if (alt) text += '%';
    return text + "{" + std::to_string(*code) + "}";
}

SimKeyboard::SimKeyboard(Excel& excel, SimPlatform& platform) : excel_(excel), platform_(platform) {
    platform_.AttachKeyboard(this);
}

SimKeyboard::~SimKeyboard() {
    if (&platform_.Keyboard() == this) platform_.AttachKeyboard(nullptr);
}

void SimKeyboard::ShowHostMain() {
    front_ = Front::HostMain;
    frontTitle_.clear();
}

void SimKeyboard::ShowHostDialog(std::string title) {
    front_ = Front::HostDialog;
    frontTitle_ = std::move(title);
}

void SimKeyboard::ShowOtherProgram(std::string title) {
    front_ = Front::OtherProgram;
    frontTitle_ = std::move(title);
}

void SimKeyboard::ShowNothing() {
    front_ = Front::Nothing;
    frontTitle_.clear();
}

void SimKeyboard::Press(int32_t virtualKey) {
    KeyEvent(virtualKey, false);
}

void SimKeyboard::Release(int32_t virtualKey) {
    KeyEvent(virtualKey, true);
}

void SimKeyboard::Tap(int32_t virtualKey, int repeats) {
    Press(virtualKey);
    for (int i = 0; i < repeats; ++i) Press(virtualKey);
    Release(virtualKey);
}

namespace {

int32_t KeyOrThrow(const std::string& name) {
    const std::optional<int32_t> code = VirtualKeyOf(name);
    if (!code) throw SimError("unknown key name: " + name);
    return *code;
}

}  // namespace

void SimKeyboard::Press(const std::string& keyName) {
    Press(KeyOrThrow(keyName));
}

void SimKeyboard::Release(const std::string& keyName) {
    Release(KeyOrThrow(keyName));
}

void SimKeyboard::Chord(const std::string& combination, int repeats) {
    std::vector<int32_t> keys;
    size_t start = 0;
    while (true) {
        const size_t plus = combination.find('+', start);
        keys.push_back(KeyOrThrow(combination.substr(start, plus - start)));
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    const int32_t mainKey = keys.back();
    keys.pop_back();
    for (int32_t modifier : keys) Press(modifier);
    Tap(mainKey, repeats);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) Release(*it);
}

bool SimKeyboard::IsDown(int32_t virtualKey) const {
    return (static_cast<uint16_t>(const_cast<SimKeyboard*>(this)->KeyState(virtualKey)) &
            platform::kKeyHeldBit) != 0;
}

bool SimKeyboard::ModifierHeld(int32_t genericKey) const {
    auto down = [&](int32_t code) { return down_.count(code) != 0; };
    switch (genericKey) {
        case vk::kShift:
            return down(vk::kShift) || down(vk::kLShift) || down(vk::kRShift);
        case vk::kControl:
            return down(vk::kControl) || down(vk::kLControl) || down(vk::kRControl);
        case vk::kMenu:
            return down(vk::kMenu) || down(vk::kLMenu) || down(vk::kRMenu);
        default:
            return down(genericKey);
    }
}

int16_t SimKeyboard::KeyState(int32_t virtualKey) {
    return ModifierHeld(virtualKey) ? static_cast<int16_t>(platform::kKeyHeldBit) : int16_t{0};
}

std::string SimKeyboard::ForegroundWindowTitle(int32_t maxCount) {
    std::string title;
    switch (front_) {
        case Front::HostMain:
            title = excel_.Caption();
            break;
        case Front::HostDialog:
        case Front::OtherProgram:
            title = frontTitle_;
            break;
        case Front::Nothing:
            break;
    }
    // Like GetWindowText: the buffer keeps room for its terminating NUL.
    const size_t room = maxCount > 0 ? static_cast<size_t>(maxCount - 1) : 0;
    if (title.size() > room) title.resize(room);
    return title;
}

int32_t SimKeyboard::InstallHook(int32_t hookType, platform::KeyboardHookProc proc,
                                 int32_t threadId) {
    ++installCalls_;
    lastHookType_ = hookType;
    lastThreadId_ = threadId;
    if (refuseHooks_ || proc == nullptr || hookType != platform::kHookLowLevelKeyboard) return 0;
    const int32_t handle = nextHandle_++;
    hooks_.insert(hooks_.begin(), Hook{handle, proc});
    return handle;
}

bool SimKeyboard::RemoveHook(int32_t handle) {
    auto it = std::find_if(hooks_.begin(), hooks_.end(),
                           [&](const Hook& hook) { return hook.handle == handle; });
    if (it == hooks_.end()) return false;
    hooks_.erase(it);
    return true;
}

// As on current Windows the handle argument is not needed: the chain continues after
// the hook that is running now.
intptr_t SimKeyboard::CallNextHook(int32_t /*handle*/, int32_t code, intptr_t wParam,
                                   intptr_t lParam) {
    if (running_.empty()) return 0;
    const int32_t current = running_.back();
    auto it = std::find_if(hooks_.begin(), hooks_.end(),
                           [&](const Hook& hook) { return hook.handle == current; });
    // A hook removed while it runs has no place in the chain any more: nobody follows.
    const size_t next =
        it == hooks_.end() ? hooks_.size() : static_cast<size_t>(it - hooks_.begin()) + 1;
    return RunChainFrom(next, code, wParam, lParam);
}

intptr_t SimKeyboard::RunChainFrom(size_t position, int32_t code, intptr_t wParam,
                                   intptr_t lParam) {
    if (position >= hooks_.size()) {
        ++passedThrough_;
        return 0;
    }
    const Hook hook = hooks_[position];
    running_.push_back(hook.handle);
    const double started = platform_.MonotonicSeconds();
    const size_t messagesBefore = platform_.Messages().size();
    nestedSeconds_ = 0.0;
    const intptr_t result = hook.proc(code, wParam, lParam);
    running_.pop_back();
    // Windows 7 and later remove, without telling anyone, a low-level hook whose call
    // overran LowLevelHooksTimeout (see kHookTimeoutSeconds); a modal
    // window shown from the hook overruns it. The event then goes on as if passed on.
    // Sources: "LowLevelKeyboardProc callback function" (Win32 docs, Remarks) and
    // "SetWindowsHookExW" (Win32 docs). Time spent in hooks after this one counts for them.
    const double ownSeconds = platform_.MonotonicSeconds() - started - nestedSeconds_;
    nestedSeconds_ = platform_.MonotonicSeconds() - started;
    if (ownSeconds > kHookTimeoutSeconds || platform_.Messages().size() != messagesBefore) {
        RemoveHook(hook.handle);
        ++timedOut_;
    }
    return result;
}

int32_t SimKeyboard::ObserverProc(int32_t code, intptr_t wParam, intptr_t lParam) {
    SimKeyboard* keyboard = runningKeyboard;
    if (keyboard == nullptr) return 0;
    ++keyboard->observed_;
    return static_cast<int32_t>(keyboard->CallNextHook(0, code, wParam, lParam));
}

int32_t SimKeyboard::InstallObserverHook() {
    return InstallHook(platform::kHookLowLevelKeyboard, &SimKeyboard::ObserverProc, 0);
}

void SimKeyboard::KeyEvent(int32_t virtualKey, bool release) {
    if (secondsPerEvent_ > 0.0) platform_.Advance(secondsPerEvent_);
    const bool repeat = !release && down_.count(virtualKey) != 0;
    const bool altHeld = ModifierHeld(vk::kMenu);

    platform::KeyboardHookRecord record;
    record.vkCode = static_cast<uint32_t>(virtualKey);
    record.scanCode = static_cast<uint32_t>(virtualKey) & 0xFF;
    record.flags = (release ? platform::kKeyReleasedFlag : 0u) |
                   (IsExtendedKey(virtualKey) ? kExtendedFlag : 0u) | (altHeld ? kAltDownFlag : 0u);
    record.time = clock_ += 16;
    record.extraInfo = 0;
    const bool system = altHeld && !(release && virtualKey == vk::kLMenu);
    const intptr_t wParam =
        release ? (system ? kWmSysKeyUp : kWmKeyUp) : (system ? kWmSysKeyDown : kWmKeyDown);

    // The hooks see the key state as it was before this event.
    SimKeyboard* outer = runningKeyboard;
    runningKeyboard = this;
    const intptr_t result =
        RunChainFrom(0, platform::kHookActionCode, wParam, reinterpret_cast<intptr_t>(&record));
    runningKeyboard = outer;
    nestedSeconds_ = 0.0;

    if (release) {
        down_.erase(virtualKey);
    } else {
        down_.insert(virtualKey);
    }

    if (result != 0) {
        ++swallowed_;
    } else if (!release && front_ == Front::HostMain && !IsModifierKey(virtualKey)) {
        DeliverToHost(virtualKey, repeat);
    }
    // The host's thread takes its posted messages after the key event.
    while (!afterHook_.empty()) {
        std::function<void()> work = std::move(afterHook_.front());
        afterHook_.pop_front();
        work();
    }
}

std::string SimKeyboard::HostKeyText(int32_t virtualKey) const {
    std::string text;
    if (ModifierHeld(vk::kControl)) text += '^';
    if (ModifierHeld(vk::kShift)) text += '+';
    if (ModifierHeld(vk::kMenu)) text += '%';
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
        return text + static_cast<char>(virtualKey);
    }
    if (virtualKey >= vk::kF1 && virtualKey < vk::kF1 + kHighestFunctionKey) {
        return text + "{F" + std::to_string(virtualKey - vk::kF1 + 1) + "}";
    }
    if (virtualKey >= vk::kNumPad0 && virtualKey <= vk::kNumPad0 + 9) {
        return text + "{NUM" + std::to_string(virtualKey - vk::kNumPad0) + "}";
    }
    for (const KeyName& key : kNamedKeys) {
        if (key.code == virtualKey) return text + "{" + key.name + "}";
    }
    return text + "{" + std::to_string(virtualKey) + "}";
}

// The host acts on the key unless its last accepted OnKey for this combination
// silenced it or gave it a procedure.
void SimKeyboard::DeliverToHost(int32_t virtualKey, bool repeat) {
    const std::string key = HostKeyText(virtualKey);
    const std::optional<std::string> wanted = NormalizedHostKey(key);
    bool ownMeaning = true;
    for (const OnKeyCall& call : excel_.OnKeyLog()) {
        if (!call.accepted || NormalizedHostKey(call.key) != wanted) continue;
        ownMeaning = !call.procedure.has_value();
    }
    hostPresses_.push_back(HostKeyPress{key, ownMeaning, repeat});
}

}  // namespace sim
