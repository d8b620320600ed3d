#include "win/fake_excel/class_lookup.h"

namespace tessaly::fake {

namespace {

// A class key's value as HKEY_CLASSES_ROOT shows it to a 64-bit process on Windows: the
// user's classes (HKCU\Software\Classes) over the machine's (learn.microsoft.com,
// "Merged View of HKEY_CLASSES_ROOT"). Wine may not merge per-user classes, so the host
// looks in both itself, in Windows' order.
std::optional<std::wstring> ClassesText(const std::wstring& path) {
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t text[MAX_PATH * 2] = {};
        DWORD size = sizeof text - sizeof(wchar_t);
        if (RegGetValueW(hive, (L"Software\\Classes\\" + path).c_str(), nullptr, RRF_RT_REG_SZ,
                         nullptr, text, &size) == ERROR_SUCCESS) {
            return std::wstring(text);
        }
    }
    return std::nullopt;
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

}  // namespace

std::optional<CLSID> ClassIdOf(const std::wstring& progId) {
    const std::optional<std::wstring> text = ClassesText(progId + L"\\CLSID");
    CLSID clsid{};
    if (!text || FAILED(CLSIDFromString(text->c_str(), &clsid))) return std::nullopt;
    return clsid;
}

win::ComPtr<IUnknown> CreateInProcess(const std::wstring& progId, HRESULT* failure) {
    win::ComPtr<IUnknown> object;
    HRESULT hr = REGDB_E_CLASSNOTREG;
    const std::optional<CLSID> clsid = ClassIdOf(progId);
    if (clsid) {
        // Where COM itself sees the class, it loads the library (and unloads it when idle).
        hr =
            CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
    }
    if (clsid && FAILED(hr)) {
        wchar_t text[64] = {};
        StringFromGUID2(*clsid, text, 64);
        // Only the user's classes hold it, and this COM does not read them: the library
        // is loaded as COM on Windows would, and stays for the process's life.
        if (auto server = ClassesText(L"CLSID\\" + std::wstring(text) + L"\\InprocServer32")) {
            HMODULE library = LoadLibraryW(server->c_str());
            auto entry = library ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                       GetProcAddress(library, "DllGetClassObject")))
                                 : nullptr;
            win::ComPtr<IClassFactory> factory;
            hr = entry ? entry(*clsid, IID_IClassFactory, factory.PutVoid())
                       : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
            if (SUCCEEDED(hr))
                hr = factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid());
        }
    }
    if (failure != nullptr) *failure = hr;
    return object;
}

}  // namespace tessaly::fake
