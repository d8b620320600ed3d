// The library's entry points: the four exports of an in-process COM server, DllInstall
// for a per-user registration, and DllMain.

#include <optional>
#include <string>

#include "locale/resource_strings.h"
#include "win/addin/connect_object.h"
#include "win/addin/module.h"
#include "win/addin/registration.h"
#include "win/common/addin_interfaces.h"
#include "win/common/com_entry.h"
#include "win/common/com_object.h"
#include "win/common/module_objects.h"
#include "win/common/text.h"

namespace tessaly::win {

namespace {

HMODULE addinModule = nullptr;

// The string table in this library's resources, ids as mojLoadResString passes them.
std::optional<std::string> ResourceString(int32_t id) {
    if (id < 0 || id > 0xFFFF) return std::nullopt;
    const wchar_t* text = nullptr;
    // A length of 0 asks for a read-only pointer into the resource itself.
    const int length =
        LoadStringW(addinModule, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return std::nullopt;
    return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

class ClassFactory final : public ComObject<IClassFactory>, private ModuleObject {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        // The object's parts may throw while they are made (memory, the platform).
        return ComEntry([&] {
            ConnectObject* object = new ConnectObject();
            const HRESULT hr = object->QueryInterface(iid, out);
            object->Release();
            return hr;
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        ModuleLock(lock != FALSE);
        return S_OK;
    }
};

}  // namespace

HMODULE AddinModule() {
    return addinModule;
}

std::wstring AddinPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(addinModule, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void UseResourceStrings() {
    SetResourceStringLoader(&ResourceString);
}

}  // namespace tessaly::win

using tessaly::win::ComEntry;
using tessaly::win::RegistrationScope;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Thread notifications stay on: a statically linked C runtime may need them.
    if (reason == DLL_PROCESS_ATTACH) tessaly::win::addinModule = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, tessaly::win::CLSID_Connect)) return CLASS_E_CLASSNOTAVAILABLE;
    return ComEntry([&] {
        auto* factory = new tessaly::win::ClassFactory();
        const HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ComEntry([] { return tessaly::win::ModuleInUse() ? S_FALSE : S_OK; });
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return ComEntry([] { return tessaly::win::RegisterServer(RegistrationScope::Machine); });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return ComEntry([] { return tessaly::win::UnregisterServer(RegistrationScope::Machine); });
}

// regsvr32 /i:user (with /n) registers for the current user only; any other command
// line means the whole machine, as DllRegisterServer does.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR commandLine) {
    const bool perUser = commandLine != nullptr &&
                         CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) == CSTR_EQUAL;
    const RegistrationScope scope = perUser ? RegistrationScope::User : RegistrationScope::Machine;
    return ComEntry([&] {
        return install ? tessaly::win::RegisterServer(scope)
                       : tessaly::win::UnregisterServer(scope);
    });
}
