#include "win/platform/win_platform.h"

#include <shellapi.h>

#include <cstring>

#include "host/host_error.h"
#include "win/common/text.h"

namespace tessaly::win {

namespace {

constexpr wchar_t kVbSettingsRoot[] = L"Software\\VB and VBA Program Settings\\";

// Text Windows hands over in the ANSI code page, as UTF-8.
std::string FromAnsi(const char* text, int length) {
    if (length <= 0) return {};
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring out(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, out.data(), wide);
    return Narrow(out);
}

}  // namespace

// ---- Settings -------------------------------------------------------------------------

std::wstring RegistrySettingsStore::SectionPath(const std::string& app,
                                                const std::string& section) {
    return kVbSettingsRoot + Widen(app) + L"\\" + Widen(section);
}

std::optional<std::string> RegistrySettingsStore::Read(const std::string& app,
                                                       const std::string& section,
                                                       const std::string& key) {
    UniqueHKey hkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), 0, KEY_QUERY_VALUE,
                      hkey.Put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring name = Widen(key);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(hkey.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hkey.Get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The stored size may or may not count a terminating NUL.
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return Narrow(value);
}

void RegistrySettingsStore::Write(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& value) {
    UniqueHKey hkey;
    const std::wstring text = Widen(value);
    const std::wstring name = Widen(key);
    const bool written =
        RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, hkey.Put(), nullptr) == ERROR_SUCCESS &&
        RegSetValueExW(hkey.Get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (!written) host::Raise(5, "Invalid procedure call or argument");
}

// ---- The rest of the platform ---------------------------------------------------------

WinPlatform::WinPlatform(HMODULE module) : keyboard_(module), windows_(module) {
    QueryPerformanceFrequency(&frequency_);
}

std::string WinPlatform::LocaleCountryName() {
    char buffer[256] = {};
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, buffer, 256);
    if (length == 0) return {};
    buffer[255] = '\0';
    return FromAnsi(buffer, static_cast<int>(strnlen(buffer, sizeof buffer)));
}

std::wstring InstalledSitePage(const std::string& sitePath) {
    // The library's own file, found from an address inside it (this function).
    std::wstring (*self)(const std::string&) = &InstalledSitePage;
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(self), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return InstalledSitePage(sitePath, path);
}

std::wstring InstalledSitePage(const std::string& sitePath, const std::wstring& library) {
    std::wstring page = Widen(sitePath);
    for (wchar_t& c : page) {
        if (c == L'/') c = L'\\';
    }
    if (page.empty() || page.back() == L'\\') page += L"index.html";
    auto parent = [](std::wstring folder) {
        const size_t slash = folder.find_last_of(L"\\/");
        folder.resize(slash == std::wstring::npos ? 0 : slash);
        return folder;
    };
    // <folder>\library.dll with <folder>\help, as a user may have copied them; else
    // <install>\x64\library.dll with <install>\help, as the package and the zip lay
    // them out.
    const std::wstring beside = parent(library) + L"\\help" + page;
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
    return parent(parent(library)) + L"\\help" + page;
}

bool WinPlatform::OpenUrl(const std::string& url) {
    // A site path, from a build without a web site, is a page of the installed help.
    const std::wstring target =
        !url.empty() && url.front() == '/' ? InstalledSitePage(url) : Widen(url);
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", target.c_str(), L"", L"", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

platform::MsgAnswer WinPlatform::MessageBox(const std::string& text, const std::string& caption,
                                            platform::MsgIcon icon, platform::MsgButtons buttons) {
    UINT flags = buttons == platform::MsgButtons::OKCancel ? MB_OKCANCEL : MB_OK;
    switch (icon) {
        case platform::MsgIcon::Critical:
            flags |= MB_ICONHAND;
            break;
        case platform::MsgIcon::Question:
            flags |= MB_ICONQUESTION;
            break;
        case platform::MsgIcon::Exclamation:
            flags |= MB_ICONEXCLAMATION;
            break;
        case platform::MsgIcon::Information:
            flags |= MB_ICONASTERISK;
            break;
        case platform::MsgIcon::None:
            break;
    }
    // Owned by the window the user works in, as a message box of the host's would be.
    const int answer =
        MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(), flags);
    return answer == IDCANCEL ? platform::MsgAnswer::Cancel : platform::MsgAnswer::OK;
}

void WinPlatform::Beep() {
    MessageBeep(MB_OK);
}

double WinPlatform::MonotonicSeconds() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    if (frequency_.QuadPart <= 0) return static_cast<double>(GetTickCount64()) / 1000.0;
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency_.QuadPart);
}

}  // namespace tessaly::win
