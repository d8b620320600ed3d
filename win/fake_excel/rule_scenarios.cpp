// Scenarios for the rules of Office the add-in must live with: how COM add-ins are
// loaded, how events reach their sinks, and whom a command-bar click reaches (the Tag
// rule). Besides the real add-in they use small COM objects of the harness: add-ins that
// record or fail, and event sinks that record what the host hands them.

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "locale/const.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "win/common/addin_interfaces.h"
#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/com_addins.h"
#include "win/fake_excel/harness.h"
#include "win/fake_excel/opened_urls.h"
#include "win/fake_excel/session.h"

namespace tessaly::fake {

namespace {

using win::ComPtr;
using win::Variant;

constexpr char kOnAction[] = "!<Tessaly.Connect>";
constexpr int kEnglish = 200;

std::string Text(int offset) {
    return std::string(StringTableEntry(kEnglish + offset).value_or("(missing)"));
}

// ---- Automation by name --------------------------------------------------------------

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

Variant Get(IDispatch* object, const wchar_t* name) {
    Variant result;
    DISPPARAMS none{};
    EXCEPINFO exception{};
    object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                   result.Put(), &exception, nullptr);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return result;
}

std::string GetText(IDispatch* object, const wchar_t* name) {
    Variant value = Get(object, name);
    Variant text;
    if (FAILED(VariantChangeType(text.Put(), const_cast<VARIANT*>(&value.Get()), 0, VT_BSTR))) {
        return "(not text)";
    }
    return win::Narrow(V_BSTR(&text.Get()) ? V_BSTR(&text.Get()) : L"");
}

HRESULT Put(IDispatch* object, const wchar_t* name, const VARIANT& value) {
    DISPID named = DISPID_PROPERTYPUT;
    VARIANT argument = value;
    DISPPARAMS params{&argument, &named, 1, 1};
    EXCEPINFO exception{};
    const HRESULT hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYPUT, &params, nullptr, &exception, nullptr);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

// ---- The harness's own add-ins -------------------------------------------------------

// One class behind several ProgIDs; what an instance does follows from the ProgID its
// COMAddIn object reports.
const CLSID CLSID_TestAddin = {
    0x5B0E7C3D, 0x2A41, 0x4F6E, {0x9C, 0x1B, 0x7D, 0x3E, 0x8A, 0x2F, 0x4B, 0x61}};
constexpr char kRecording[] = "FakeExcel.RecordingAddin";  // per machine, records
constexpr char kFailing[] = "FakeExcel.FailingAddin";      // OnConnection returns E_FAIL
constexpr char kRaising[] = "FakeExcel.RaisingAddin";      // OnConnection raises an error
constexpr char kIdle[] = "FakeExcel.IdleAddin";            // LoadBehavior 2: not loaded
const char* const kTestProgIds[] = {kRecording, kFailing, kRaising, kIdle};

std::vector<std::string>& TestLog() {
    static std::vector<std::string> log;
    return log;
}

class TestAddin final : public win::ComObject<win::IDTExtensibility2> {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, win::ext_ConnectMode mode,
                                           IDispatch* addInInst, SAFEARRAY** custom) override {
        if (addInInst == nullptr) return E_POINTER;
        progId_ = GetText(addInInst, L"ProgId");
        std::string line = progId_ + " OnConnection " + std::to_string(mode) +
                           " description=" + GetText(addInInst, L"Description") +
                           " application=" + (application ? GetText(application, L"Name") : "");
        if (custom && *custom && (*custom)->rgsabound[0].cElements == 1) {
            LONG index = 0;
            VARIANT first;
            VariantInit(&first);
            SafeArrayGetElement(*custom, &index, &first);
            line += " custom=" + std::to_string(V_VT(&first) == VT_I4 ? V_I4(&first) : -1);
            VariantClear(&first);
        }
        TestLog().push_back(line);
        if (progId_ == kFailing) return E_FAIL;
        if (progId_ == kRaising) return DISP_E_EXCEPTION;
        // The add-in offers itself to other code through COMAddIn.Object.
        VARIANT self;
        V_VT(&self) = VT_DISPATCH;
        V_DISPATCH(&self) = this;
        Put(addInInst, L"Object", self);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(win::ext_DisconnectMode mode, SAFEARRAY**) override {
        TestLog().push_back(progId_ + " OnDisconnection " + std::to_string(mode));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
        TestLog().push_back(progId_ + " OnAddInsUpdate");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
        TestLog().push_back(progId_ + " OnStartupComplete");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
        TestLog().push_back(progId_ + " OnBeginShutdown");
        return S_OK;
    }

  private:
    std::string progId_;
};

// Registered from a member of the harness, whose own reference keeps it.
class TestAddinFactory final : public win::ComObject<IClassFactory> {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* addin = new TestAddin;
        const HRESULT hr = addin->QueryInterface(iid, out);
        addin->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

std::wstring AddinKey(const char* progId) {
    return std::wstring(kAddinsKey) + L"\\" + win::Widen(progId);
}

void RemoveTestAddins() {
    for (const char* progId : kTestProgIds) {
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeW(hive, AddinKey(progId).c_str());
            RegDeleteKeyW(hive, AddinKey(progId).c_str());
        }
        const std::wstring classes = L"Software\\Classes\\" + win::Widen(progId);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, classes.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, classes.c_str());
    }
}

void RegisterTestAddin(HKEY hive, const char* progId, DWORD loadBehavior) {
    wchar_t clsid[64] = {};
    StringFromGUID2(CLSID_TestAddin, clsid, 64);
    const std::wstring classKey = L"Software\\Classes\\" + win::Widen(progId) + L"\\CLSID";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, classKey.c_str(), nullptr, REG_SZ, clsid,
                    static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t)));
    const std::wstring description = win::Widen(std::string(progId) + ", a harness add-in");
    RegSetKeyValueW(hive, AddinKey(progId).c_str(), L"Description", REG_SZ, description.c_str(),
                    static_cast<DWORD>((description.size() + 1) * sizeof(wchar_t)));
    RegSetKeyValueW(hive, AddinKey(progId).c_str(), L"LoadBehavior", REG_DWORD, &loadBehavior,
                    sizeof(loadBehavior));
}

// The harness's add-ins, registered while the object lives.
class TestAddins {
  public:
    TestAddins() {
        RemoveTestAddins();
        TestLog().clear();
        CoRegisterClassObject(CLSID_TestAddin, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                              &cookie_);
        RegisterTestAddin(HKEY_LOCAL_MACHINE, kRecording, 3);
        RegisterTestAddin(HKEY_CURRENT_USER, kFailing, 3);
        RegisterTestAddin(HKEY_CURRENT_USER, kRaising, 3);
        RegisterTestAddin(HKEY_CURRENT_USER, kIdle, 2);
    }
    ~TestAddins() {
        if (cookie_ != 0) CoRevokeClassObject(cookie_);
        RemoveTestAddins();
    }
    TestAddins(const TestAddins&) = delete;
    TestAddins& operator=(const TestAddins&) = delete;

  private:
    TestAddinFactory factory_;
    DWORD cookie_ = 0;
};

// Where `line` first and last stands in `lines`; npos when absent.
size_t First(const std::vector<std::string>& lines, const std::string& line) {
    auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? std::string::npos : static_cast<size_t>(found - lines.begin());
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void PrintCalls(const std::vector<std::string>& calls, size_t from) {
    for (size_t i = from; i < calls.size(); ++i) std::printf("     %s\n", calls[i].c_str());
}

// ---- Event sinks of the harness -------------------------------------------------------

// What one Invoke on a sink carried.
struct Delivery {
    DISPID id = 0;
    bool nullIid = false;
    WORD flags = 0;
    std::vector<VARTYPE> types;  // rgvarg as given: last argument first
};

class RecordingSink final : public win::ComObject<IDispatch> {
  public:
    // `answers`: the event interface the sink says it implements (null: none but
    // IDispatch). `makerRule`: on a click, act only when no sink before took the click.
    explicit RecordingSink(const IID* answers, bool makerRule = false)
        : answers_(answers), makerRule_(makerRule) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT*, EXCEPINFO*, UINT*) override {
        Delivery d;
        d.id = id;
        d.nullIid = IsEqualIID(iid, IID_NULL);
        d.flags = flags;
        for (UINT i = 0; params != nullptr && i < params->cArgs; ++i) {
            d.types.push_back(V_VT(&params->rgvarg[i]));
        }
        deliveries.push_back(d);
        VARIANT* last = params && params->cArgs > 0 ? &params->rgvarg[0] : nullptr;
        const bool byRefBool = last && V_VT(last) == (VT_BOOL | VT_BYREF) && V_BOOLREF(last);
        if (byRefBool && id == 0x623 && cancelSaves) *V_BOOLREF(last) = VARIANT_TRUE;
        if (byRefBool && id == win::dispid::kButtonClick && makerRule_ &&
            *V_BOOLREF(last) == VARIANT_FALSE) {
            *V_BOOLREF(last) = VARIANT_TRUE;
            ++tookClicks;
        }
        return S_OK;
    }

    std::vector<Delivery> deliveries;
    bool cancelSaves = false;
    int tookClicks = 0;

  private:
    // The event interface it says it implements is this IDispatch.
    void* InterfaceFor(REFIID iid) override {
        if (answers_ != nullptr && IsEqualIID(iid, *answers_)) return static_cast<IDispatch*>(this);
        return ComObject::InterfaceFor(iid);
    }

    const IID* answers_;
    bool makerRule_;
};

// A sink connected to a source's connection point for `events`.
class Advised {
  public:
    Advised(IDispatch* source, const IID& events, IUnknown* sink) {
        auto container =
            ComPtr<IDispatch>(source).As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (!container) {
            result = E_NOINTERFACE;
            return;
        }
        result = container->FindConnectionPoint(events, point_.Put());
        if (SUCCEEDED(result)) result = point_->Advise(sink, &cookie_);
    }
    ~Advised() { Reset(); }
    Advised(const Advised&) = delete;
    Advised& operator=(const Advised&) = delete;
    void Reset() {
        if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
        cookie_ = 0;
    }

    HRESULT result = E_FAIL;

  private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

std::string Describe(const Delivery& d) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%lX(", static_cast<unsigned long>(d.id));
    std::string out = text;
    for (size_t i = 0; i < d.types.size(); ++i) {
        const VARTYPE t = d.types[i];
        out += i ? "," : "";
        out += t == VT_DISPATCH            ? "object"
               : t == VT_BOOL              ? "bool"
               : t == (VT_BOOL | VT_BYREF) ? "bool*"
                                           : "type " + std::to_string(t);
    }
    out += d.nullIid && d.flags == DISPATCH_METHOD ? ")" : ") not as a method call";
    return out;
}

// Each delivery of the sink, described, in order.
std::vector<std::string> Deliveries(const RecordingSink& sink) {
    std::vector<std::string> out;
    for (const Delivery& d : sink.deliveries) out.push_back(Describe(d));
    return out;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += (out.empty() ? "" : " ") + line;
    return out;
}

// ---- Command bars -----------------------------------------------------------------------

void Flatten(const std::vector<sim::ControlInfo>& controls, const std::string& bar,
             std::vector<std::pair<std::string, sim::ControlInfo>>& into) {
    for (const sim::ControlInfo& c : controls) {
        into.emplace_back(bar, c);
        Flatten(c.controls, bar, into);
    }
}

std::vector<std::pair<std::string, sim::ControlInfo>> AllControls(FakeExcel& excel) {
    std::vector<std::pair<std::string, sim::ControlInfo>> all;
    for (const sim::CommandBarInfo& bar : excel.Sim().CommandBarList()) {
        Flatten(bar.controls, bar.name, all);
    }
    return all;
}

// The shell opens URLs without waiting; the stand-in browser runs a moment later.
std::string UrlsAfterAWhile(size_t lines) {
    std::string text;
    for (int i = 0; i < 50; ++i) {
        text = OpenedUrls();
        if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) break;
        Sleep(100);
    }
    return text;
}

// ---- Scenarios -------------------------------------------------------------------------

}  // namespace

void RuleLoading() {
    ClearSettings();
    TestAddins harnessAddins;
    // However the checks end, the scenarios after this one find the add-in loading at
    // start-up, as its registration left it.
    struct Registered {
        ~Registered() { SetLoadBehavior("Tessaly.Connect", 3); }
    } registered;
    FakeExcel excel("11.0");
    AddinSession addin(excel);
    if (!Check(addin.Created(), "Tessaly.Connect registered to load at start-up")) return;
    Check(SUCCEEDED(addin.Connect()), "the host's start-up connects Tessaly.Connect");
    ComAddins& addins = addin.Addins();
    const std::vector<std::string> calls = addins.Calls();
    PrintCalls(calls, 0);

    // Every add-in loaded at start-up hears OnConnection (Startup), then OnAddInsUpdate,
    // then OnStartupComplete; Tessaly.Connect per user, the recording one per machine.
    const std::string ours = "Tessaly.Connect ", recording = std::string(kRecording) + " ";
    const size_t connectOurs = First(calls, ours + "OnConnection 1 -> S_OK");
    const size_t connectRecording = First(calls, recording + "OnConnection 1 -> S_OK");
    const size_t updateOurs = First(calls, ours + "OnAddInsUpdate -> S_OK");
    const size_t updateRecording = First(calls, recording + "OnAddInsUpdate -> S_OK");
    const size_t completeOurs = First(calls, ours + "OnStartupComplete -> S_OK");
    const size_t completeRecording = First(calls, recording + "OnStartupComplete -> S_OK");
    Check(connectOurs != std::string::npos && connectRecording != std::string::npos,
          "both add-ins with LoadBehavior 3 are connected at start-up, per user and per machine");
    Check(std::max(connectOurs, connectRecording) < std::min(updateOurs, updateRecording) &&
              std::max(updateOurs, updateRecording) < std::min(completeOurs, completeRecording) &&
              completeOurs != std::string::npos && completeRecording != std::string::npos,
          "OnConnection, then OnAddInsUpdate, then OnStartupComplete");
    Check(First(TestLog(), std::string(kRecording) + " OnConnection 1 description=" + kRecording +
                               ", a harness add-in application=Microsoft Excel custom=1") !=
              std::string::npos,
          "AddInInst is the COM add-in object: its ProgId and Description");
    ComPtr<IDispatch> recordingAddIn = addins.ComAddIn(kRecording);
    Variant object = Get(recordingAddIn.Get(), L"Object");
    Check(object.Type() == VT_DISPATCH && V_DISPATCH(&object.Get()) != nullptr,
          "COMAddIn.Object holds what the add-in put there");
    Variant connected = Get(recordingAddIn.Get(), L"Connect");
    Check(connected.Type() == VT_BOOL && V_BOOL(&connected.Get()) != VARIANT_FALSE,
          "COMAddIn.Connect of a loaded add-in is True");
    auto toolbar = excel.Sim().CommandBar(Text(str::kBarName));
    Check(toolbar && !toolbar->controls.empty() && toolbar->controls[0].onAction == kOnAction,
          "Tessaly.Connect built its bars, routed by the ProgID AddInInst gave it");

    // Failed connections are not kept and are not loaded at the next start.
    for (const char* failing : {kFailing, kRaising}) {
        Check(!addins.Connected(failing) && !addins.Instance(failing),
              std::string(failing) + " is not kept after a failed OnConnection");
        CheckEqual(LoadBehavior(failing), 2, std::string(failing) + ": LoadBehavior now 2");
        Check(First(calls, std::string(failing) + " OnAddInsUpdate -> S_OK") == std::string::npos,
              std::string(failing) + " hears nothing more");
    }
    bool idleCalled = false;
    for (const std::string& line : calls) idleCalled = idleCalled || StartsWith(line, kIdle);
    Check(!idleCalled && LoadBehavior(kIdle) == 2, "an add-in with LoadBehavior 2 is not loaded");

    // Unticked in the COM add-ins list: OnDisconnection (UserClosed); the others hear
    // OnAddInsUpdate. The add-in takes everything of its own away.
    ComPtr<IDispatch> ourAddIn = addins.ComAddIn("Tessaly.Connect");
    size_t mark = addins.Calls().size();
    Check(SUCCEEDED(Put(ourAddIn.Get(), L"Connect", Variant::Bool(false).Get())),
          "untick Tessaly.Connect");
    PrintCalls(addins.Calls(), mark);
    const std::vector<std::string> untick(addins.Calls().begin() + static_cast<long>(mark),
                                          addins.Calls().end());
    CheckEqual(Joined(untick),
               ours + "OnDisconnection 1 -> S_OK " + recording + "OnAddInsUpdate -> S_OK",
               "unticking: OnDisconnection (UserClosed), then the others' OnAddInsUpdate");
    Check(!excel.Sim().CommandBar(Text(str::kBarName)).has_value(),
          "the toolbar went with the add-in");
    CheckEqual(excel.Sim().AdvisedSinks(), 0, "application events disconnected");
    Check(!addins.Instance("Tessaly.Connect"), "the host let the add-in go");
    CheckEqual(LoadBehavior("Tessaly.Connect"), 2, "unticking leaves LoadBehavior 2");

    // The next session of the host does not load it.
    addins.ShutDown();
    mark = addins.Calls().size();
    addins.StartUp();
    PrintCalls(addins.Calls(), mark);
    const std::vector<std::string> restart(addins.Calls().begin() + static_cast<long>(mark),
                                           addins.Calls().end());
    Check(!addins.Connected("Tessaly.Connect") &&
              First(restart, recording + "OnConnection 1 -> S_OK") != std::string::npos &&
              Joined(restart).find(ours) == std::string::npos,
          "a start after unticking loads the others but not Tessaly.Connect");
    Check(!excel.Sim().CommandBar(Text(str::kBarName)).has_value(), "and no toolbar of it appears");

    // Ticked again: a new instance, OnConnection (AfterStartup), everyone's OnAddInsUpdate.
    mark = addins.Calls().size();
    Check(SUCCEEDED(Put(ourAddIn.Get(), L"Connect", Variant::Bool(true).Get())),
          "tick Tessaly.Connect again");
    PrintCalls(addins.Calls(), mark);
    const std::vector<std::string> tick(addins.Calls().begin() + static_cast<long>(mark),
                                        addins.Calls().end());
    Check(!tick.empty() && tick[0] == ours + "OnConnection 0 -> S_OK" &&
              First(tick, ours + "OnAddInsUpdate -> S_OK") != std::string::npos &&
              First(tick, recording + "OnAddInsUpdate -> S_OK") != std::string::npos &&
              First(tick, ours + "OnStartupComplete -> S_OK") == std::string::npos,
          "ticking: OnConnection (AfterStartup), then OnAddInsUpdate, no OnStartupComplete");
    CheckEqual(LoadBehavior("Tessaly.Connect"), 3, "ticking leaves LoadBehavior 3 again");
    toolbar = excel.Sim().CommandBar(Text(str::kBarName));
    Check(toolbar && toolbar->controls.size() == 7 && toolbar->controls[1].clickHandlers == 1,
          "the toolbar is back, its buttons connected");
    CheckEqual(excel.Sim().AdvisedSinks(), 1, "application events connected again");
    const std::string book = excel.Sim().NewWorkbook();
    excel.Sim().Select("B3");
    Pause();
    excel.Sim().ClickControl(Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{1},
               "the reconnected add-in works");

    // The host exits: OnBeginShutdown to each, then OnDisconnection (HostShutdown).
    mark = addins.Calls().size();
    Check(SUCCEEDED(addin.Disconnect()), "the host exits");
    PrintCalls(addins.Calls(), mark);
    const std::vector<std::string> exit(addins.Calls().begin() + static_cast<long>(mark),
                                        addins.Calls().end());
    const size_t lastBegin = std::max(First(exit, ours + "OnBeginShutdown -> S_OK"),
                                      First(exit, recording + "OnBeginShutdown -> S_OK"));
    Check(exit.size() == 4 && lastBegin < First(exit, ours + "OnDisconnection 0 -> S_OK") &&
              lastBegin < First(exit, recording + "OnDisconnection 0 -> S_OK"),
          "at exit OnBeginShutdown to every add-in, then OnDisconnection (HostShutdown)");
    Check(!excel.Sim().CommandBar(Text(str::kBarName)).has_value(),
          "nothing of the add-in is left");
    addin.Release();
    ClearSettings();
}

void RuleEvents() {
    ClearSettings();
    FakeExcel excel("16.0");
    ComPtr<IDispatch> application = excel.Application();

    // Advise asks the sink for the event interface's own IID.
    auto plain = ComPtr<RecordingSink>::Adopt(new RecordingSink(nullptr));
    {
        Advised refused(application.Get(), win::DIID_AppEvents, plain.Get());
        CheckEqual(refused.result, CONNECT_E_CANNOTCONNECT,
                   "a sink that is only an IDispatch is refused the application events");
    }
    auto sink = ComPtr<RecordingSink>::Adopt(new RecordingSink(&win::DIID_AppEvents));
    Advised advised(application.Get(), win::DIID_AppEvents, sink.Get());
    CheckEqual(advised.result, S_OK, "a sink answering for AppEvents is connected");

    // Each event: its DISPID, its arguments last to first, objects as VT_DISPATCH.
    const std::string book = excel.Sim().NewWorkbook("Events.xlsx");
    excel.Sim().AddWorksheet(book, "Second");
    excel.Sim().Select(book, "Second", "C3");
    excel.Sim().InsertRows(book, "Second", 2);
    sink->cancelSaves = true;
    Check(!excel.Sim().SaveWorkbook(book), "Cancel set through VT_BOOL | VT_BYREF stops the save");
    sink->cancelSaves = false;
    const sim::WorkbookSpec saved = excel.Sim().Describe(book);
    excel.Sim().CloseWorkbook(book);
    sink->deliveries.clear();
    excel.Sim().OpenWorkbook(saved);
    std::vector<std::string> seen = Deliveries(*sink.Get());
    CheckEqual(seen.empty() ? std::string("(none)") : seen.back(), std::string("0x61F(object)"),
               "WorkbookOpen(Wb)");
    sink->deliveries.clear();
    excel.Sim().CloseWorkbook(book);
    excel.Sim().NewWorkbook("Again.xlsx");
    excel.Sim().AddWorksheet("Again.xlsx", "Added");
    excel.Sim().Select("Again.xlsx", "Added", "B2");
    excel.Sim().InsertRows("Again.xlsx", "Added", 3);
    excel.Sim().SaveWorkbook("Again.xlsx");
    seen = Deliveries(*sink.Get());
    std::set<std::string> kinds(seen.begin(), seen.end());
    for (const char* expected :
         {"0x61D(object)",                // NewWorkbook(Wb)
          "0x625(object,object)",         // WorkbookNewSheet(Wb, Sh)
          "0x616(object,object)",         // SheetSelectionChange(Sh, Target)
          "0x61C(object,object)",         // SheetChange(Sh, Target)
          "0x623(bool*,bool,object)"}) {  // WorkbookBeforeSave(Wb, SaveAsUI, Cancel)
        Check(kinds.count(expected) == 1, std::string("event delivered as ") + expected);
    }
    for (const std::string& kind : kinds) {
        Check(kind.find("not as a method") == std::string::npos &&
                  kind.find("type") == std::string::npos,
              "delivered by IDispatch::Invoke, IID_NULL, DISPATCH_METHOD: " + kind);
    }
    advised.Reset();

    // A button's Click: DISPID 1, (Ctrl, CancelDefault) last to first.
    auto bar = excel.Sim().Application()->CommandBars()->Add("Events", 4, false, true);
    auto button = bar->Controls()->Add(1, false);
    button->SetCaption("&Press");
    ComPtr<IDispatch> buttonObject = excel.ControlObject(button);
    {
        Advised refused(buttonObject.Get(), win::DIID__CommandBarButtonEvents, plain.Get());
        CheckEqual(refused.result, CONNECT_E_CANNOTCONNECT,
                   "a sink that is only an IDispatch is refused a button's events");
    }
    auto clicks =
        ComPtr<RecordingSink>::Adopt(new RecordingSink(&win::DIID__CommandBarButtonEvents));
    Advised onClick(buttonObject.Get(), win::DIID__CommandBarButtonEvents, clicks.Get());
    CheckEqual(onClick.result, S_OK, "a sink answering for _CommandBarButtonEvents is connected");
    excel.Sim().ClickControl(button);
    CheckEqual(Joined(Deliveries(*clicks.Get())), std::string("0x1(bool*,object)"),
               "Click(Ctrl, CancelDefault)");
    onClick.Reset();

    // The add-in's own sinks answer for their interfaces and work.
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 16")) return;
    CheckEqual(excel.Sim().AdvisedSinks(), 1, "the add-in's application sink was accepted");
    auto toolbar = excel.Sim().CommandBar(Text(str::kBarName));
    bool allConnected = toolbar.has_value() && toolbar->controls.size() == 8;
    for (const sim::ControlInfo& c : toolbar.value_or(sim::CommandBarInfo{}).controls) {
        allConnected = allConnected && c.clickHandlers == 1;
    }
    Check(allConnected, "the add-in's button sinks were accepted");
    excel.Sim().Select("Again.xlsx", "Added", "B3");
    Pause();
    excel.Sim().ClickControl(Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    excel.Sim().Select("Again.xlsx", "Added", "A1");
    toolbar = excel.Sim().CommandBar(Text(str::kBarName));
    Check(toolbar && toolbar->controls.size() > 2 && toolbar->controls[2].enabled,
          "a click and a selection change reached the add-in");
    addin.Disconnect();
    ClearSettings();
}

void RuleTag() {
    ClearSettings();
    DeleteFileW(kOpenedUrls);
    FakeExcel excel("11.0");
    MessageBoxes boxes;
    // Another product of the maker, connected before us: a developer's-site button of its
    // own with the shared tag, whose sink takes a click only when no sink before took it.
    auto bars = excel.Sim().Application()->CommandBars();
    auto earlierSite = bars->Add("Earlier product", 4, false, true)->Controls()->Add(1, false);
    earlierSite->SetTag("QEL_SITE");
    earlierSite->SetCaption("&Developer's Site");
    auto earlierSink =
        ComPtr<RecordingSink>::Adopt(new RecordingSink(&win::DIID__CommandBarButtonEvents, true));
    auto earlier = std::make_unique<Advised>(excel.ControlObject(earlierSite).Get(),
                                             win::DIID__CommandBarButtonEvents, earlierSink.Get());

    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel 11")) return;

    // A click reaches every sink of every button with the same Id and Tag.
    const auto all = AllControls(excel);
    std::set<std::string> tags;
    bool distinct = true, single = true;
    int own = 0;
    for (const auto& [bar, c] : all) {
        if (c.onAction != kOnAction) continue;
        ++own;
        distinct = distinct && !c.tag.empty() && tags.insert(c.tag).second;
        int reached = 0;
        for (const auto& [otherBar, other] : all) {
            if (other.id == c.id && other.tag == c.tag) reached += other.clickHandlers;
        }
        // The shared site tag also reaches the earlier product's sink.
        const int expected = c.tag == "QEL_SITE" ? 2 : 1;
        if (reached != expected) {
            single = false;
            std::printf("     %s / %s (tag \"%s\") reaches %d sinks\n", bar.c_str(),
                        c.caption.c_str(), c.tag.c_str(), reached);
        }
    }
    CheckEqual(own, 15, "fifteen buttons of the add-in");
    Check(distinct, "every button of the add-in has a tag of its own");
    if (!Check(single, "a click on any of them reaches its own sink alone")) return;

    // Each command runs once: Next goes to the first bookmark, not past it.
    const std::string book = excel.Sim().NewWorkbook();
    for (const char* cell : {"B3", "D5"}) {
        excel.Sim().Select(cell);
        Click(excel, Text(str::kBarName), Text(str::kAddOrDeleteCommand));
    }
    excel.Sim().Select("A1");
    Click(excel, Text(str::kBarName), Text(str::kNextCommand));
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"),
               "the toolbar's next runs once");
    excel.Sim().Select("A1");
    Click(excel, "Worksheet Menu Bar", Text(str::kNextCommand));
    CheckEqual(excel.Sim().ActiveCellAddress(), std::string("$B$3"), "the menu's next runs once");
    boxes.Answer(IDCANCEL);
    Click(excel, Text(str::kBarName), Text(str::kDeleteAllCommand));
    CheckEqual(boxes.All().size(), size_t{1}, "delete all asks once");
    CheckEqual(excel.Sim().OleObjects(book, "Sheet1").size(), size_t{2}, "and Cancel keeps both");

    // The host's design-mode buttons share Id and Tag: one click reaches the add-in's
    // sinks on both, and design mode still switches once, the marks with it.
    auto designControls = excel.Sim().DesignModeControls();
    if (Check(designControls.size() == 2, "two design-mode buttons")) {
        excel.Sim().ResetCallCounts();
        excel.Sim().ClickControl(designControls[1]);
        Check(excel.Sim().DesignMode() && excel.Sim().OleObjects(book, "Sheet1").empty(),
              "one click starts design mode and takes the marks off");
        CheckEqual(excel.Sim().CallCount("OLEObject.Delete"), int64_t{2}, "each mark deleted once");
        excel.Sim().ResetCallCounts();
        excel.Sim().ClickControl(designControls[1]);
        Check(!excel.Sim().DesignMode() && excel.Sim().OleObjects(book, "Sheet1").size() == 2,
              "the next click ends it and puts the marks back");
        CheckEqual(excel.Sim().CallCount("OLEObjects.Add"), int64_t{2}, "each mark made once");
    }

    // The shared developer's-site tag: whichever sink comes first opens the site, once.
    Click(excel, "Worksheet Menu Bar", Text(str::kDeveloperSiteItem));
    CheckEqual(earlierSink->tookClicks, 1, "the earlier product's sink took the site click");
    Sleep(1000);
    CheckEqual(OpenedUrls(), std::string(), "so the add-in did not open the site again");
    earlier.reset();  // the earlier product leaves
    auto laterSite = bars->Add("Later product", 4, false, true)->Controls()->Add(1, false);
    laterSite->SetTag("QEL_SITE");
    auto laterSink =
        ComPtr<RecordingSink>::Adopt(new RecordingSink(&win::DIID__CommandBarButtonEvents, true));
    Advised later(excel.ControlObject(laterSite).Get(), win::DIID__CommandBarButtonEvents,
                  laterSink.Get());
    Pause();
    excel.Sim().ClickControl(laterSite);
    CheckEqual(UrlsAfterAWhile(1), BrowserTarget(kSiteRootUrl) + "\n",
               "a click on another product's site button: the add-in opens the site");
    CheckEqual(laterSink->tookClicks, 0, "and the later product leaves it");
    addin.Disconnect();
    ClearSettings();
}

void DumpBars(const std::string& version) {
    FakeExcel excel(version + ".0");
    AddinSession addin(excel);
    if (!Check(addin.Created() && SUCCEEDED(addin.Connect()), "connected on Excel " + version)) {
        return;
    }
    for (const auto& [bar, c] : AllControls(excel)) {
        std::printf("control: bar=%s caption=%s id=%d tag=%s onaction=%s\n", bar.c_str(),
                    c.caption.c_str(), c.id, c.tag.c_str(), c.onAction.c_str());
    }
    std::fflush(stdout);
    Check(SUCCEEDED(addin.Disconnect()), "disconnected");
}

}  // namespace tessaly::fake
