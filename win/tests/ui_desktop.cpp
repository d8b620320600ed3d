#include "win/tests/ui_desktop.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <thread>

#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/tests/ui_png.h"

namespace tessaly::fake::ui {

namespace {

constexpr UINT kRunSent = WM_APP + 1;
constexpr UINT kRunPosted = WM_APP + 2;
constexpr UINT kScriptDone = WM_APP + 3;
// The class of the host's main windows, the one the add-in recognises them by
// ("Programming for the Single Document Interface in Excel", Office VBA docs).
constexpr wchar_t kMainClass[] = L"XLMAIN";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr UINT kHostAnswerMilliseconds = 15000;

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

template <class Test>
std::vector<HWND> TopLevelWindows(Test&& test) {
    struct Search {
        Test* test;
        std::vector<HWND> found;
    } search{&test, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                SameText(ClassOf(window), kDialogClass) && (*s->test)(window)) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whatever a failed script left open is closed, so that the host's thread gets back to
// its own loop.
void CloseLeftovers() {
    for (int round = 0; round < 20; ++round) {
        std::vector<HWND> open = TopLevelWindows([](HWND) { return true; });
        if (open.empty()) return;
        for (HWND window : open) PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(250);
    }
}

void SendMouse(DWORD flags, POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute positions run from 0 to 65535 across the screen.
    input.mi.dx = width > 0 ? (at.x * 65536 + width - 1) / width : 0;
    input.mi.dy = height > 0 ? (at.y * 65536 + height - 1) / height : 0;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

}  // namespace

// ---- The host ------------------------------------------------------------------------

HostDesktop::HostDesktop(const std::string& caption) {
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &HostDesktop::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        windowClass.lpszClassName = kMainClass;
        return RegisterClassW(&windowClass);
    }();
    (void)registered;
    main_ = CreateWindowExW(0, kMainClass, win::Widen(caption).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 960, 700, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(main_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetForegroundWindow(main_);
}

HostDesktop::~HostDesktop() {
    if (main_ != nullptr) DestroyWindow(main_);
}

LRESULT CALLBACK HostDesktop::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunSent:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        case kRunPosted: {
            std::unique_ptr<std::function<void()>> action(
                reinterpret_cast<std::function<void()>*>(lParam));
            (*action)();
            return 0;
        }
        case kScriptDone:
            if (auto* self = reinterpret_cast<HostDesktop*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
                self->done_ = true;
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void HostDesktop::Run(const std::function<void()>& script) {
    done_ = false;
    std::thread user([&] {
        try {
            script();
        } catch (const std::exception& e) {
            Check(false, std::string("the script ended early: ") + e.what());
        }
        CloseLeftovers();
        PostMessageW(main_, kScriptDone, 0, 0);
    });
    MSG message;
    while (!done_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    user.join();
}

bool HostDesktop::OnHost(const std::function<void()>& action) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main_, kRunSent, 0, reinterpret_cast<LPARAM>(&action), SMTO_NORMAL,
                               kHostAnswerMilliseconds, &result) != 0;
}

void HostDesktop::PostToHost(std::function<void()> action) {
    auto* posted = new std::function<void()>(std::move(action));
    if (!PostMessageW(main_, kRunPosted, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
}

// ---- Hands ---------------------------------------------------------------------------

void Settle(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

void MoveMouse(POINT screen) {
    SendMouse(0, screen);
    Sleep(40);
}

void ClickAt(POINT screen) {
    MoveMouse(screen);
    SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
    Sleep(40);
    SendMouse(MOUSEEVENTF_LEFTUP, screen);
    Settle();
}

void DoubleClickAt(POINT screen) {
    MoveMouse(screen);
    for (int i = 0; i < 2; ++i) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
        Sleep(30);
        SendMouse(MOUSEEVENTF_LEFTUP, screen);
        Sleep(30);
    }
    Settle();
}

POINT CenterOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return CenterOf(window, client);
}

POINT CenterOf(HWND window, const RECT& clientRect) {
    POINT center{(clientRect.left + clientRect.right) / 2,
                 (clientRect.top + clientRect.bottom) / 2};
    ClientToScreen(window, &center);
    return center;
}

void PressKey(WORD key, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, false);
    add(key, false);
    add(key, true);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) add(*it, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
}

// ---- Eyes ----------------------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= until) return false;
        Sleep(50);
    }
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

HWND FindDialog(const std::wstring& title) {
    auto found = TopLevelWindows([&](HWND window) { return WindowText(window) == title; });
    return found.empty() ? nullptr : found.front();
}

int CountDialogs(const std::wstring& title) {
    return static_cast<int>(
        TopLevelWindows([&](HWND window) { return WindowText(window) == title; }).size());
}

HWND WaitForDialog(const std::wstring& title, int milliseconds) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(title)) != nullptr; }, milliseconds);
    if (found != nullptr) Settle(300);  // drawn and taking input
    return found;
}

bool WaitUntilGone(HWND window, int milliseconds) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, milliseconds);
}

HWND FindOwnedDialog(HWND owner) {
    auto found = TopLevelWindows([&](HWND window) { return GetWindow(window, GW_OWNER) == owner; });
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> ChildrenOfClass(HWND dialog, const std::wstring& className) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (SameText(ClassOf(child), className)) children.push_back(child);
    }
    return children;
}

HWND ChildWithText(HWND dialog, const std::wstring& className, const std::wstring& text) {
    for (HWND child : ChildrenOfClass(dialog, className))
        if (WindowText(child) == text) return child;
    return nullptr;
}

HWND ChildWithStyle(HWND dialog, const std::wstring& className, DWORD styleBits, DWORD styleMask) {
    for (HWND child : ChildrenOfClass(dialog, className)) {
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        if ((style & styleMask) == styleBits) return child;
    }
    return nullptr;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

namespace {

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t buffer[512] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT | TVIF_HANDLE;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = 512;
    TreeView_GetItem(tree, &data);
    return buffer;
}

void CollectEntries(HWND tree, HTREEITEM first, int depth, std::vector<TreeEntry>& into) {
    for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        into.push_back({item, depth, ItemText(tree, item)});
        CollectEntries(tree, TreeView_GetChild(tree, item), depth + 1, into);
    }
}

}  // namespace

std::vector<TreeEntry> TreeEntries(HWND tree) {
    std::vector<TreeEntry> entries;
    CollectEntries(tree, TreeView_GetRoot(tree), 0, entries);
    return entries;
}

std::optional<TreeEntry> FindTreeEntry(HWND tree, const std::wstring& text) {
    for (const TreeEntry& entry : TreeEntries(tree))
        if (entry.text == text) return entry;
    return std::nullopt;
}

POINT TreeEntryPoint(HWND tree, HTREEITEM item) {
    // The message takes the entry in the rectangle's first bytes.
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    return CenterOf(tree, rect);
}

std::wstring SelectedTreeText(HWND tree) {
    HTREEITEM selected = TreeView_GetSelection(tree);
    return selected != nullptr ? ItemText(tree, selected) : std::wstring();
}

std::vector<uint8_t> ScreenPixels(const RECT& screen) {
    const int width = screen.right - screen.left;
    const int height = screen.bottom - screen.top;
    std::vector<uint8_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HDC desktop = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(desktop);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(desktop, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, width, height, desktop, screen.left, screen.top, SRCCOPY);
        GdiFlush();
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
        const size_t line = static_cast<size_t>(width) * 3;
        pixels.resize(line * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            const auto* from = static_cast<const uint8_t*>(bits) + stride * static_cast<size_t>(y);
            std::copy(from, from + line, pixels.begin() + static_cast<std::ptrdiff_t>(line * y));
        }
        SelectObject(memory, old);
    }
    if (dib != nullptr) DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, desktop);
    return pixels;
}

COLORREF ScreenPixel(POINT screen) {
    const std::vector<uint8_t> pixel =
        ScreenPixels({screen.x, screen.y, screen.x + 1, screen.y + 1});
    if (pixel.size() < 3) return CLR_INVALID;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    const RECT rect = ScreenRect(window);
    const std::vector<uint8_t> pixels = ScreenPixels(rect);
    return WritePng(path, rect.right - rect.left, rect.bottom - rect.top, pixels);
}

}  // namespace tessaly::fake::ui
