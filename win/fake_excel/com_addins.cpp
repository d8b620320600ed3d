#include "win/fake_excel/com_addins.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <sstream>

#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/fake_excel/class_lookup.h"
#include "win/fake_excel/fake_object.h"
#include "win/fake_excel/host_faults.h"

// Office's rules for COM add-ins, as modelled here:
//  - The add-ins are the sub-keys of Software\Microsoft\Office\Excel\Addins, per user
//    (HKEY_CURRENT_USER) and per machine (HKEY_LOCAL_MACHINE); LoadBehavior 3 means
//    "loaded, load at start-up" (Registry entries for VSTO Add-ins, LoadBehavior
//    values; the same key and values serve COM add-ins).
//  - Office asks the created object for IDTExtensibility2 and drops it when it has none;
//    when OnConnection returns anything but success the host releases the add-in at once
//    (Microsoft Knowledge Base 230689, "SAMPLE: Comaddin.exe Office 2000 COM Add-In
//    Written in Visual C++"), and an add-in that failed to load gets LoadBehavior 2
//    (Registry entries for VSTO Add-ins: "If an error occurs ... the LoadBehavior value
//    changes to 2").
//  - Order of the calls: OnConnection, OnAddInsUpdate, OnStartupComplete at start-up;
//    OnBeginShutdown, OnDisconnection at exit. OnAddInsUpdate follows the loaded add-in's
//    OnConnection and reaches the other loaded add-ins too; when one is unloaded, the
//    others hear it ("Working with the IDTExtensibility2 Event Procedures", Office XP
//    developer documentation; "The COM Add-In Model Overview", Microsoft Office 2000
//    Visual Basic for Applications Fundamentals).
//  - AddInInst is the host's COMAddIn object (ProgId, Description, Guid, Connect,
//    Object); Custom() of OnConnection holds how the host was started, 1 for the user
//    interface; the other events get an empty array.
//  - Unticking the add-in in the COM add-ins list (or Connect = False) is
//    OnDisconnection(ext_dm_UserClosed) and the host lets the object go; ticking it
//    again creates it anew and calls OnConnection(ext_cm_AfterStartup).
//  - The list's tick is kept across sessions: an unticked add-in is "disconnected or
//    disabled", LoadBehavior 2, and one loaded from 2 goes back to 3 (LoadBehavior
//    property of GenerateOfficeAddInManifest; Registry entries for VSTO Add-ins, the
//    rows for 2 and 3). The user's action writes HKEY_CURRENT_USER, whose value
//    overrides the per-machine one (same page, the LoadBehavior entry's note).

namespace tessaly::fake {

namespace {

using win::ComPtr;
using win::Variant;

constexpr DWORD kLoadAtStartup = 3;
constexpr DWORD kUnloaded = 2;  // also what a failed load leaves
const HKEY kHives[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

std::wstring KeyOf(const std::string& progId) {
    return std::wstring(kAddinsKey) + L"\\" + win::Widen(progId);
}

std::optional<DWORD> ReadDword(HKEY hive, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::string ReadText(HKEY hive, const std::wstring& key, const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return win::Narrow(text);
}

// A custom() array: empty, or holding how the host was started.
class Custom {
  public:
    explicit Custom(bool withStartMode) {
        array_ = SafeArrayCreateVector(VT_VARIANT, 0, withStartMode ? 1 : 0);
        if (withStartMode && array_ != nullptr) {
            LONG index = 0;
            Variant fromUserInterface = Variant::Int(1);
            SafeArrayPutElement(array_, &index, const_cast<VARIANT*>(&fromUserInterface.Get()));
        }
    }
    ~Custom() {
        if (array_ != nullptr) SafeArrayDestroy(array_);
    }
    Custom(const Custom&) = delete;
    Custom& operator=(const Custom&) = delete;
    SAFEARRAY** Put() { return &array_; }

  private:
    SAFEARRAY* array_ = nullptr;
};

// Runs one call into an add-in. An exception that escapes it would end Office; here it
// is noted, so that the test fails, and counts as a failure.
template <class Call>
HRESULT Guard(Call&& call) {
    try {
        return call();
    } catch (...) {
        NoteEscapedException();
        return E_UNEXPECTED;
    }
}

}  // namespace

class FakeComAddIn;

struct ComAddins::Entry {
    std::string progId;
    std::string description;
    DWORD loadBehavior = 0;
    ComPtr<IUnknown> instance;
    ComPtr<win::IDTExtensibility2> extensibility;
    FakeComAddIn* comAddIn = nullptr;  // owned through `comAddInRef`
    ComPtr<IDispatch> comAddInRef;
    ComPtr<IDispatch> object;  // what the add-in put in COMAddIn.Object
    bool connected = false;
};

// The host's COMAddIn object for one add-in.
class FakeComAddIn final : public FakeObject {
  public:
    static constexpr const char* kKind = "COMAddIn";
    FakeComAddIn(ComAddins* owner, ComAddins::Entry* entry)
        : FakeObject(kKind, entry), owner_(owner), entry_(entry) {
        Member(L"ProgId", [this](const Args&) { return Variant::Text(Live().progId); });
        Member(
            L"Description", [this](const Args&) { return Variant::Text(Live().description); },
            [this](const Args& a) {
                Variant text;
                if (FAILED(VariantChangeType(text.Put(), const_cast<VARIANT*>(&a.Assigned()), 0,
                                             VT_BSTR))) {
                    host::Raise(host::err::kTypeMismatch, "Type mismatch");
                }
                Live().description = win::Narrow(V_BSTR(&text.Get()));
            });
        Member(L"Guid", [this](const Args&) {
            wchar_t text[64] = {};
            if (auto clsid = ClassIdOf(win::Widen(Live().progId)))
                StringFromGUID2(*clsid, text, 64);
            return Variant::Text(win::Narrow(text));
        });
        Member(
            L"Connect", [this](const Args&) { return Variant::Bool(Live().connected); },
            [this](const Args& a) {
                Variant value;
                if (FAILED(VariantChangeType(value.Put(), const_cast<VARIANT*>(&a.Assigned()), 0,
                                             VT_BOOL))) {
                    host::Raise(host::err::kTypeMismatch, "Type mismatch");
                }
                owner_->SetConnected(Live().progId, V_BOOL(&value.Get()) != VARIANT_FALSE);
            });
        Member(
            L"Object", [this](const Args&) { return Variant::Object(Live().object.Get()); },
            [this](const Args& a) {
                const VARIANT& v = a.Assigned();
                if (V_VT(&v) == VT_DISPATCH) {
                    Live().object = ComPtr<IDispatch>(V_DISPATCH(&v));
                } else if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) {
                    Live().object.Reset();
                } else {
                    host::Raise(host::err::kTypeMismatch, "Type mismatch");
                }
            });
    }
    // The host has gone; an add-in that kept this object only gets errors from it.
    void Orphan() { entry_ = nullptr; }

  private:
    ComAddins::Entry& Live() {
        if (entry_ == nullptr) host::Raise(host::err::kDisconnected, "Automation error");
        return *entry_;
    }

    ComAddins* owner_;
    ComAddins::Entry* entry_;
};

ComAddins::ComAddins(FakeExcel& excel) : excel_(excel) {}

ComAddins::~ComAddins() {
    Release();
    for (Entry* entry : entries_) {
        if (entry->comAddIn != nullptr) entry->comAddIn->Orphan();
        delete entry;
    }
}

void ComAddins::StartUp() {
    // A start after an exit is the next session of the host: Office holds one instance
    // per ProgID, so one still connected is not made again.
    shutDown_ = false;
    // Per user first: a value there overrides the same one per machine.
    for (HKEY hive : kHives) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(hive, kAddinsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            const std::string progId = win::Narrow(name);
            Entry* entry = Find(progId);
            if (entry == nullptr) {
                entry = new Entry;
                entry->progId = progId;
                entries_.push_back(entry);
            }
            if (entry->description.empty()) {
                entry->description = ReadText(hive, KeyOf(progId), L"Description");
            }
        }
        RegCloseKey(key);
    }
    // Read anew each start: the previous session may have unticked or failed one.
    for (Entry* entry : entries_) {
        entry->loadBehavior = static_cast<DWORD>(std::max(LoadBehavior(entry->progId), 0));
    }
    for (Entry* entry : entries_) {
        if (entry->loadBehavior == kLoadAtStartup && !entry->connected) {
            Connect(*entry, win::ext_cm_Startup);
        }
    }
    Update(nullptr);
    for (Entry* entry : entries_) {
        if (!entry->connected) continue;
        Custom custom(false);
        Record(*entry, "OnStartupComplete",
               Guard([&] { return entry->extensibility->OnStartupComplete(custom.Put()); }));
    }
}

void ComAddins::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (Entry* entry : entries_) {
        if (!entry->connected) continue;
        Custom custom(false);
        Record(*entry, "OnBeginShutdown",
               Guard([&] { return entry->extensibility->OnBeginShutdown(custom.Put()); }));
    }
    for (Entry* entry : entries_) {
        if (!entry->connected) continue;
        entry->connected = false;
        Custom custom(false);
        Record(*entry, "OnDisconnection 0", Guard([&] {
            return entry->extensibility->OnDisconnection(win::ext_dm_HostShutdown, custom.Put());
        }));
    }
}

void ComAddins::Release() {
    for (Entry* entry : entries_) {
        entry->object.Reset();
        entry->extensibility.Reset();
        entry->instance.Reset();
    }
}

bool ComAddins::SetConnected(const std::string& progId, bool connect) {
    Entry* entry = Find(progId);
    if (entry == nullptr) return false;
    if (connect == entry->connected) return true;
    if (connect) {
        if (Connect(*entry, win::ext_cm_AfterStartup)) {
            entry->loadBehavior = kLoadAtStartup;
            SetLoadBehavior(entry->progId, kLoadAtStartup);
            Update(nullptr);
        }
    } else {
        Disconnect(*entry, win::ext_dm_UserClosed);
        entry->loadBehavior = kUnloaded;
        SetLoadBehavior(entry->progId, kUnloaded);
        Update(entry);
    }
    return true;
}

bool ComAddins::Connected(const std::string& progId) const {
    const Entry* entry = Find(progId);
    return entry != nullptr && entry->connected;
}

ComPtr<IDispatch> ComAddins::ComAddIn(const std::string& progId) {
    Entry* entry = Find(progId);
    if (entry == nullptr) return nullptr;
    if (!entry->comAddInRef) {
        entry->comAddIn = new FakeComAddIn(this, entry);
        entry->comAddInRef = ComPtr<IDispatch>::Adopt(entry->comAddIn);
    }
    return entry->comAddInRef;
}

ComPtr<IUnknown> ComAddins::Instance(const std::string& progId) const {
    const Entry* entry = Find(progId);
    return entry != nullptr ? entry->instance : nullptr;
}

ComAddins::Entry* ComAddins::Find(const std::string& progId) const {
    for (Entry* entry : entries_) {
        if (CompareStringOrdinal(win::Widen(entry->progId).c_str(), -1, win::Widen(progId).c_str(),
                                 -1, TRUE) == CSTR_EQUAL) {
            return entry;
        }
    }
    return nullptr;
}

bool ComAddins::Connect(Entry& entry, win::ext_ConnectMode mode) {
    HRESULT hr = S_OK;
    entry.instance = CreateInProcess(win::Widen(entry.progId), &hr);
    if (SUCCEEDED(hr)) {
        entry.extensibility = entry.instance.As<win::IDTExtensibility2>(win::IID_IDTExtensibility2);
        if (!entry.extensibility) hr = E_NOINTERFACE;
    }
    if (SUCCEEDED(hr)) {
        ComPtr<IDispatch> application = excel_.Application();
        ComPtr<IDispatch> addIn = ComAddIn(entry.progId);
        Custom custom(true);
        hr = Guard([&] {
            return entry.extensibility->OnConnection(application.Get(), mode, addIn.Get(),
                                                     custom.Put());
        });
        Record(entry, "OnConnection " + std::to_string(mode), hr);
    } else {
        Record(entry, "create", hr);
    }
    if (FAILED(hr)) {
        entry.extensibility.Reset();
        entry.instance.Reset();
        entry.loadBehavior = kUnloaded;
        SetLoadBehavior(entry.progId, kUnloaded);
        return false;
    }
    entry.connected = true;
    return true;
}

void ComAddins::Disconnect(Entry& entry, win::ext_DisconnectMode mode) {
    entry.connected = false;
    Custom custom(false);
    Record(entry, "OnDisconnection " + std::to_string(mode),
           Guard([&] { return entry.extensibility->OnDisconnection(mode, custom.Put()); }));
    entry.object.Reset();
    entry.extensibility.Reset();
    entry.instance.Reset();
}

void ComAddins::Update(const Entry* except) {
    for (Entry* entry : entries_) {
        if (!entry->connected || entry == except) continue;
        Custom custom(false);
        Record(*entry, "OnAddInsUpdate",
               Guard([&] { return entry->extensibility->OnAddInsUpdate(custom.Put()); }));
    }
}

void ComAddins::Record(const Entry& entry, const std::string& what, HRESULT hr) {
    std::ostringstream line;
    line << entry.progId << " " << what << " -> ";
    if (hr == S_OK) {
        line << "S_OK";
    } else {
        line << "0x" << std::hex << static_cast<unsigned long>(hr);
    }
    calls_.push_back(line.str());
}

int LoadBehavior(const std::string& progId) {
    for (HKEY hive : kHives) {
        if (auto value = ReadDword(hive, KeyOf(progId), L"LoadBehavior")) {
            return static_cast<int>(*value);
        }
    }
    return -1;
}

void SetLoadBehavior(const std::string& progId, int value) {
    const DWORD data = static_cast<DWORD>(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, KeyOf(progId).c_str(), L"LoadBehavior", REG_DWORD, &data,
                    sizeof(data));
}

}  // namespace tessaly::fake
