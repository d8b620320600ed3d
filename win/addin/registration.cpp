#include "win/addin/registration.h"

#include "win/addin/module.h"
#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"

namespace tessaly::win {

namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
// The type library is registered under the bitness of the library that carries it.
constexpr SYSKIND kOwnSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HKEY ClassesHive(RegistrationScope scope) {
    return scope == RegistrationScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Creates the key (and its parents) and sets one string value; null `name` is the
// key's default value.
bool SetText(HKEY hive, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    UniqueHKey key;
    return RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
}

bool SetNumber(HKEY hive, const std::wstring& path, const wchar_t* name, DWORD value) {
    UniqueHKey key;
    return RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

// Removes a key with everything below it; a key that is not there is no failure.
bool RemoveTree(HKEY hive, const std::wstring& path) {
    const LSTATUS status = RegDeleteTreeW(hive, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
    const LSTATUS removed = RegDeleteKeyW(hive, path.c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

// The per-user type library functions are not in every SDK's headers (mingw-w64 lacks
// them); oleaut32 has had both since Windows Vista.
HRESULT RegisterTypeLibraryForUser(ITypeLib* library, wchar_t* path) {
    using Function = HRESULT(STDAPICALLTYPE*)(ITypeLib*, OLECHAR*, OLECHAR*);
    auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "RegisterTypeLibForUser")));
    return function ? function(library, path, nullptr) : E_NOTIMPL;
}

HRESULT UnregisterTypeLibraryForUser() {
    using Function = HRESULT(STDAPICALLTYPE*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "UnRegisterTypeLibForUser")));
    return function ? function(LIBID_Tessaly, 1, 0, LOCALE_NEUTRAL, kOwnSysKind) : E_NOTIMPL;
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope) {
    const std::wstring path = AddinPath();
    const HKEY hive = ClassesHive(scope);
    const std::wstring clsidKey = std::wstring(kClassesKey) + L"CLSID\\" + GuidText(CLSID_Connect);
    const std::wstring progIdKey = std::wstring(kClassesKey) + kProgId;

    const bool classes =
        SetText(hive, clsidKey, nullptr, kProgId) &&
        SetText(hive, clsidKey + L"\\InprocServer32", nullptr, path) &&
        SetText(hive, clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
        SetText(hive, clsidKey + L"\\ProgID", nullptr, kProgId) &&
        SetText(hive, clsidKey + L"\\TypeLib", nullptr, GuidText(LIBID_Tessaly)) &&
        SetText(hive, progIdKey, nullptr, kProgId) &&
        SetText(hive, progIdKey + L"\\CLSID", nullptr, GuidText(CLSID_Connect));
    if (!classes) return SELFREG_E_CLASS;

    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
    if (SUCCEEDED(hr)) {
        std::wstring file = path;
        hr = scope == RegistrationScope::Machine
                 ? RegisterTypeLib(library.Get(), file.data(), nullptr)
                 : RegisterTypeLibraryForUser(library.Get(), file.data());
    }
    if (FAILED(hr)) return SELFREG_E_TYPELIB;

    const bool addin = SetText(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName", kFriendlyName) &&
                       SetText(HKEY_CURRENT_USER, kAddinKey, L"Description", kDescription) &&
                       SetNumber(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior", kLoadAtStartup);
    return addin ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer(RegistrationScope scope) {
    const HKEY hive = ClassesHive(scope);
    bool removed =
        RemoveTree(hive, std::wstring(kClassesKey) + L"CLSID\\" + GuidText(CLSID_Connect));
    removed = RemoveTree(hive, std::wstring(kClassesKey) + kProgId) && removed;
    removed = RemoveTree(HKEY_CURRENT_USER, kAddinKey) && removed;

    const HRESULT hr = scope == RegistrationScope::Machine
                           ? UnRegisterTypeLib(LIBID_Tessaly, 1, 0, LOCALE_NEUTRAL, kOwnSysKind)
                           : UnregisterTypeLibraryForUser();
    const bool typeLibraryGone =
        SUCCEEDED(hr) || hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED;
    if (!typeLibraryGone) return SELFREG_E_TYPELIB;
    return removed ? S_OK : SELFREG_E_CLASS;
}

}  // namespace tessaly::win
