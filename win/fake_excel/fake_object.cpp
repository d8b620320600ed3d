#include "win/fake_excel/fake_object.h"

#include <algorithm>
#include <cwctype>
#include <exception>
#include <unordered_map>
#include <utility>

#include "sim/excel.h"
#include "win/common/com_error.h"
#include "win/common/text.h"
#include "win/fake_excel/host_faults.h"

namespace tessaly::fake {

namespace {

// Excel's errors carry its name as their source.
constexpr wchar_t kSource[] = L"Microsoft Excel";

// A private interface id: the fake's objects answer it with themselves.
const IID IID_FakeObject = {
    0x6D1F9C2A, 0x3B7E, 0x4C55, {0x9A, 0x61, 0x2E, 0x8B, 0x0C, 0x47, 0xD3, 0x15}};

std::wstring Lower(std::wstring_view name) {
    std::wstring out(name);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

// Every member name gets one DISPID for the whole fake, as one interface of Excel
// keeps its DISPIDs.
std::map<std::wstring, DISPID>& DispIds() {
    static std::map<std::wstring, DISPID> ids;
    return ids;
}

DISPID DispIdOf(std::wstring_view name, bool assign) {
    auto& ids = DispIds();
    const std::wstring key = Lower(name);
    if (auto found = ids.find(key); found != ids.end()) return found->second;
    if (!assign) return DISPID_UNKNOWN;
    const DISPID id = 100 + static_cast<DISPID>(ids.size());
    ids.emplace(key, id);
    return id;
}

std::map<std::pair<std::string, const void*>, FakeObject*>& Objects() {
    static std::map<std::pair<std::string, const void*>, FakeObject*> objects;
    return objects;
}

const VARIANT* Unwrapped(const VARIANT* v) {
    if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v) != nullptr) return V_VARIANTREF(v);
    return v;
}

bool IsMissing(const VARIANT* v) {
    return V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}

}  // namespace

// ---- Arguments -------------------------------------------------------------------------

Args::Args(const DISPPARAMS* params) {
    if (params == nullptr) return;
    UINT positional = params->cArgs;
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        if (params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) {
            assigned_ = Unwrapped(&params->rgvarg[i]);
            --positional;
        }
    }
    // Named arguments come first in rgvarg; the positional ones follow, last to first.
    for (UINT i = 0; i < positional; ++i) {
        values_.push_back(Unwrapped(&params->rgvarg[params->cArgs - 1 - i]));
    }
}

bool Args::Has(size_t index) const {
    return index < values_.size() && !IsMissing(values_[index]);
}

bool Args::IsText(size_t index) const {
    if (!Has(index)) return false;
    const VARTYPE type = V_VT(values_[index]);
    return type == VT_BSTR || type == (VT_BSTR | VT_BYREF);
}

const VARIANT& Args::Required(size_t index) const {
    if (!Has(index)) host::Raise(449, "Argument not optional");
    return *values_[index];
}

Variant Args::Converted(size_t index, VARTYPE type) const {
    Variant out;
    if (FAILED(VariantChangeType(out.Put(), const_cast<VARIANT*>(&Required(index)), 0, type))) {
        host::Raise(host::err::kTypeMismatch, "Type mismatch");
    }
    return out;
}

int32_t Args::Int(size_t index) const {
    return V_I4(&Converted(index, VT_I4).Get());
}

bool Args::Bool(size_t index) const {
    return V_BOOL(&Converted(index, VT_BOOL).Get()) != VARIANT_FALSE;
}

double Args::Double(size_t index) const {
    return V_R8(&Converted(index, VT_R8).Get());
}

std::string Args::Text(size_t index) const {
    Variant text = Converted(index, VT_BSTR);
    BSTR b = V_BSTR(&text.Get());
    return b ? win::Narrow(std::wstring_view(b, SysStringLen(b))) : std::string();
}

IDispatch* Args::Object(size_t index) const {
    const VARIANT& v = Required(index);
    if (V_VT(&v) == VT_DISPATCH) return V_DISPATCH(&v);
    if (V_VT(&v) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(&v)) return *V_DISPATCHREF(&v);
    if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return nullptr;
    host::Raise(host::err::kTypeMismatch, "Type mismatch");
}

const VARIANT& Args::Assigned() const {
    if (assigned_ == nullptr) host::Raise(449, "Argument not optional");
    return *assigned_;
}

// ---- Connection point ------------------------------------------------------------------

// A part of its object with an identity of its own, counted on the object.
class FakeObject::EventPoint final : public win::ComPart<IConnectionPoint> {
  public:
    explicit EventPoint(FakeObject& owner)
        : ComPart(static_cast<IDispatch&>(owner)), owner_(owner) {}

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr) return E_POINTER;
        *iid = *owner_.Events();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        if (c == nullptr) return E_POINTER;
        *c = &owner_;
        owner_.AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr) return E_POINTER;
        ComPtr<IDispatch> dispatch;
        // The host asks the sink for the event interface itself (a dispinterface, so
        // an IDispatch) and refuses a sink that does not answer for it: "The sink does
        // not support the interface required by this connection point"
        // (IConnectionPoint::Advise, CONNECT_E_CANNOTCONNECT). Answering only IDispatch
        // is not enough.
        if (FAILED(sink->QueryInterface(*owner_.Events(), dispatch.PutVoid())) || !dispatch) {
            return CONNECT_E_CANNOTCONNECT;
        }
        try {
            host::EventConnection connection = owner_.Connect(dispatch);
            *cookie = ++lastCookie_;
            connections_.emplace(*cookie, std::move(connection));
            return S_OK;
        } catch (const std::exception&) {
            return CONNECT_E_CANNOTCONNECT;
        }
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        auto found = connections_.find(cookie);
        if (found == connections_.end()) return CONNECT_E_NOCONNECTION;
        host::EventConnection connection = std::move(found->second);
        connections_.erase(found);
        connection.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) override {
        if (e) *e = nullptr;
        return E_NOTIMPL;
    }

  private:
    FakeObject& owner_;
    DWORD lastCookie_ = 0;
    std::map<DWORD, host::EventConnection> connections_;
};

// ---- The object ------------------------------------------------------------------------

FakeObject::FakeObject(const char* kind, const void* identity) : kind_(kind), identity_(identity) {
    RememberObject(kind_, identity_, this);
}

FakeObject::~FakeObject() {
    ForgetObject(kind_, identity_);
}

void FakeObject::Member(const wchar_t* name, Getter get, Setter set) {
    // The DISPID of a declared name, kept by the literal's address in front of the
    // case-folded table: a literal's text never changes, and two literals of one text
    // find the same DISPID there.
    static std::unordered_map<const wchar_t*, DISPID> declared;
    auto known = declared.find(name);
    const DISPID id = known != declared.end()
                          ? known->second
                          : declared.emplace(name, DispIdOf(name, true)).first->second;
    for (Entry& entry : members_) {
        if (entry.id != id) continue;
        entry = Entry{id, name, std::move(get), std::move(set)};
        return;
    }
    if (members_.empty()) members_.reserve(24);
    members_.push_back(Entry{id, name, std::move(get), std::move(set)});
}

const FakeObject::Entry* FakeObject::Find(DISPID id) const {
    for (const Entry& entry : members_)
        if (entry.id == id) return &entry;
    return nullptr;
}

host::EventConnection FakeObject::Connect(ComPtr<IDispatch>) {
    return {};
}

FakeObject* FakeObject::From(IDispatch* object) {
    if (object == nullptr) return nullptr;
    FakeObject* self = nullptr;
    if (FAILED(object->QueryInterface(IID_FakeObject, reinterpret_cast<void**>(&self)))) {
        return nullptr;
    }
    self->Release();  // the caller keeps its own reference to `object`
    return self;
}

void* FakeObject::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_FakeObject)) return this;
    if (Has(iid)) return static_cast<IDispatch*>(this);
    if (IsEqualIID(iid, IID_IConnectionPointContainer) && Events() == nullptr) return nullptr;
    return ComObject::InterfaceFor(iid);
}

HRESULT FakeObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const DISPID id = names[i] ? DispIdOf(names[i], false) : DISPID_UNKNOWN;
        const bool known = i == 0 && Find(id) != nullptr;
        ids[i] = known ? id : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

namespace {
int64_t invokes = 0;
CallWatcher* watcher = nullptr;
}  // namespace

int64_t FakeObject::InvokeCount() {
    return invokes;
}

void Watch(CallWatcher* w) {
    watcher = w;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT*) {
    ++invokes;
    if (watcher == nullptr) return Answer(id, flags, params, result, exception);
    const size_t call = watcher->Calling(this, id, flags, params);
    const HRESULT hr = Answer(id, flags, params, result, exception);
    watcher->Answered(call, hr, result);
    return hr;
}

HRESULT FakeObject::Answer(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception) {
    const Entry* member = Find(id);
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (result) VariantInit(result);
    if (HRESULT hr = S_OK; AnswerFault(kind_, member->name, result, exception, hr)) {
        return hr;
    }
    const Args args(params);
    try {
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!member->set) return DISP_E_MEMBERNOTFOUND;
            member->set(args);
            return S_OK;
        }
        if (!member->get) return DISP_E_MEMBERNOTFOUND;
        Variant value = member->get(args);
        if (result) *result = std::exchange(value.Raw(), VARIANT{});
        return S_OK;
    } catch (const host::HostError& e) {
        return win::ReportHostError(e, exception, kSource);
    } catch (const sim::SimError& e) {
        return win::ReportHostError(host::HostError(host::err::kUnspecified, e.what()), exception,
                                    kSource);
    }
}

HRESULT FakeObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (Events() == nullptr || !IsEqualIID(iid, *Events())) return CONNECT_E_NOCONNECTION;
    if (!events_) events_ = std::make_unique<EventPoint>(*this);
    *point = events_.get();
    AddRef();
    return S_OK;
}

// ---- Object identity -------------------------------------------------------------------

FakeObject* FindObject(const char* kind, const void* identity) {
    auto& objects = Objects();
    auto found = objects.find({kind, identity});
    return found == objects.end() ? nullptr : found->second;
}

void RememberObject(const char* kind, const void* identity, FakeObject* object) {
    Objects()[{kind, identity}] = object;
}

void ForgetObject(const char* kind, const void* identity) {
    Objects().erase({kind, identity});
}

// ---- Events ----------------------------------------------------------------------------

namespace {
SinkAnswers sinkAnswers;
}

SinkAnswers TakeSinkAnswers() {
    return std::exchange(sinkAnswers, SinkAnswers{});
}

// As Excel raises its events: IDispatch::Invoke with the event's DISPID from the type
// library (AppEvents {00024413-0000-0000-C000-000000000046}: SheetSelectionChange 0x616,
// SheetChange 0x61C, NewWorkbook 0x61D, WorkbookOpen 0x61F, WorkbookBeforeSave 0x623,
// WorkbookNewSheet 0x625; _CommandBarButtonEvents {000C0351-0000-0000-C000-000000000046}:
// Click 1), IID_NULL, DISPATCH_METHOD, the arguments last to first in rgvarg, objects
// as VT_DISPATCH and Cancel or CancelDefault as VT_BOOL | VT_BYREF.
HRESULT Fire(IDispatch* sink, DISPID id, std::vector<VARIANT> arguments) {
    if (watcher != nullptr && !watcher->Raised(arguments)) return S_OK;
    std::reverse(arguments.begin(), arguments.end());
    DISPPARAMS params{};
    params.rgvarg = arguments.empty() ? nullptr : arguments.data();
    params.cArgs = static_cast<UINT>(arguments.size());
    EXCEPINFO exception{};
    UINT argError = 0;
    HRESULT hr = E_UNEXPECTED;
    try {
        hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                          &exception, &argError);
    } catch (...) {
        // A sink must answer with an HRESULT; an exception here left the add-in.
        NoteEscapedException();
    }
    if (FAILED(hr)) ++sinkAnswers.failed;
    sinkAnswers.last = hr;
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

}  // namespace tessaly::fake
