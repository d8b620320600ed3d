#include "win/addin/connect_object.h"

#include <array>
#include <exception>
#include <string>
#include <utility>

#include "addin/operations.h"
#include "host/host_error.h"
#include "win/addin/module.h"
#include "win/common/com_entry.h"
#include "win/common/com_error.h"
#include "win/common/owners.h"
#include "win/common/text.h"
#include "win/excel/excel_host.h"

namespace tessaly::win {

namespace {

// A host that hands over no add-in object: reading its ProgId fails as a member call
// on Nothing does, and the connection skips that step.
class NoAddIn final : public host::AddIn {
  public:
    const void* Identity() const override { return this; }
    std::string ProgId() override {
        host::Raise(91, "Object variable or With block variable not set");
    }
};

const VARIANT* Argument(const DISPPARAMS* params, UINT index) {
    if (params == nullptr || index >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - index];
}

// A by-reference Boolean argument, whatever way it is passed.
class BoolArgument {
  public:
    explicit BoolArgument(VARIANT* v) : v_(v) {}
    bool Read(bool& value, UINT index, UINT* argError) const {
        VARIANT* target = v_;
        if (V_VT(target) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(target)) {
            target = V_VARIANTREF(target);
        }
        if (V_VT(target) == (VT_BOOL | VT_BYREF) && V_BOOLREF(target)) {
            value = *V_BOOLREF(target) != VARIANT_FALSE;
            return true;
        }
        Variant converted;
        if (FAILED(VariantChangeType(converted.Put(), target, 0, VT_BOOL))) {
            if (argError) *argError = index;
            return false;
        }
        value = V_BOOL(&converted.Get()) != VARIANT_FALSE;
        return true;
    }
    void WriteBack(bool value) const {
        const VARIANT_BOOL b = value ? VARIANT_TRUE : VARIANT_FALSE;
        if (V_VT(v_) == (VT_BOOL | VT_BYREF) && V_BOOLREF(v_)) {
            *V_BOOLREF(v_) = b;
        } else if (V_VT(v_) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v_)) {
            VARIANT* inner = V_VARIANTREF(v_);
            if (V_VT(inner) == (VT_BOOL | VT_BYREF) && V_BOOLREF(inner)) {
                *V_BOOLREF(inner) = b;
            } else {
                VariantClear(inner);
                V_VT(inner) = VT_BOOL;
                V_BOOL(inner) = b;
            }
        }
    }

  private:
    VARIANT* v_;
};

// The slot of a name among `names`, compared without regard to case as automation
// names are; -1 when there is none.
template <size_t N>
int SlotOf(const std::array<const wchar_t*, N>& names, const wchar_t* name) {
    for (size_t i = 0; i < N; ++i) {
        if (name != nullptr && CompareStringOrdinal(names[i], -1, name, -1, TRUE) == CSTR_EQUAL) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool SameName(const wchar_t* name, const char* known) {
    return name != nullptr && known != nullptr &&
           CompareStringOrdinal(name, -1, Widen(known).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The slot of an operation's name, compared without regard to case as automation names
// are; -1 when there is none.
int OperationSlotOf(const wchar_t* name) {
    for (size_t slot = 0; slot < kOperations.size(); ++slot) {
        if (SameName(name, kOperations[slot].name)) return static_cast<int>(slot);
    }
    return -1;
}

HRESULT LoadTypeInfo(REFIID iid, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeLib> library;
    const HRESULT hr = LoadTypeLibEx(AddinPath().c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid, info);
}

}  // namespace

// ---- _Connect's vtable ---------------------------------------------------------------

// The entries of _Connect's vtable: functions with the interface pointer first, as COM
// calls a method (the calling convention of STDMETHODCALLTYPE, `this` as the first
// argument), each going on to the object that holds the interface.
struct AutomationEntries {
    using Automation = ConnectObject::Automation;

    static HRESULT STDMETHODCALLTYPE QueryInterface(Automation* self, REFIID iid, void** out) {
        return self->owner->QueryInterface(iid, out);
    }
    static ULONG STDMETHODCALLTYPE AddRef(Automation* self) { return self->owner->AddRef(); }
    static ULONG STDMETHODCALLTYPE Release(Automation* self) { return self->owner->Release(); }
    static HRESULT STDMETHODCALLTYPE GetTypeInfoCount(Automation*, UINT* count) {
        if (count == nullptr) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    static HRESULT STDMETHODCALLTYPE GetTypeInfo(Automation*, UINT index, LCID, ITypeInfo** info) {
        if (index != 0) return DISP_E_BADINDEX;
        return ComEntry([&] { return LoadTypeInfo(IID__Connect, info); });
    }
    static HRESULT STDMETHODCALLTYPE GetIDsOfNames(Automation* self, REFIID iid, LPOLESTR* names,
                                                   UINT count, LCID, DISPID* ids) {
        return self->owner->AutomationIDsOfNames(iid, names, count, ids);
    }
    static HRESULT STDMETHODCALLTYPE Invoke(Automation* self, DISPID id, REFIID iid, LCID,
                                            WORD flags, DISPPARAMS* params, VARIANT* result,
                                            EXCEPINFO* exception, UINT* argError) {
        return self->owner->AutomationInvoke(id, iid, flags, params, result, exception, argError);
    }

    // One per kind of operation, as the type library declares it.
    template <size_t Slot>
    static HRESULT STDMETHODCALLTYPE Plain(Automation* self) {
        return ComEntry([&] {
            OperationValues values;
            CallOperation(self->owner->connect_, Slot, values);
        });
    }
    template <size_t Slot>
    static HRESULT STDMETHODCALLTYPE WithBoolean(Automation* self, VARIANT_BOOL* value) {
        if (value == nullptr) return E_POINTER;
        OperationValues values;
        values.boolean = *value != VARIANT_FALSE;
        const HRESULT hr = ComEntry([&] { CallOperation(self->owner->connect_, Slot, values); });
        *value = values.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        return hr;
    }
    template <size_t Slot>
    static HRESULT STDMETHODCALLTYPE WithText(Automation* self, BSTR* result) {
        if (result == nullptr) return E_POINTER;
        *result = nullptr;
        return ComEntry([&] {
            OperationValues values;
            CallOperation(self->owner->connect_, Slot, values);
            *result = Bstr::FromUtf8(values.text).Detach();
        });
    }

    // A vtable is an array of function pointers, each called with its own signature.
    using Entry = void (*)();
    template <class Function>
    static Entry AsEntry(Function function) {
        return reinterpret_cast<Entry>(function);
    }

    template <size_t Slot>
    static Entry OperationEntry() {
        constexpr tessaly::Operation operation = kOperations[Slot];
        static_assert(operation.argument == OperationArgument::kNone ||
                          operation.result == OperationResult::kNone,
                      "an operation with both an argument and a result needs an entry of its own");
        if constexpr (operation.argument == OperationArgument::kBooleanByRef) {
            return AsEntry(&WithBoolean<Slot>);
        } else if constexpr (operation.result == OperationResult::kText) {
            return AsEntry(&WithText<Slot>);
        } else {
            return AsEntry(&Plain<Slot>);
        }
    }

    template <size_t... Slots>
    static std::array<Entry, 7 + sizeof...(Slots)> Make(std::index_sequence<Slots...>) {
        return {AsEntry(&QueryInterface),   AsEntry(&AddRef),          AsEntry(&Release),
                AsEntry(&GetTypeInfoCount), AsEntry(&GetTypeInfo),     AsEntry(&GetIDsOfNames),
                AsEntry(&Invoke),           OperationEntry<Slots>()...};
    }

    static const void* const* Vtable() {
        static const auto vtable = Make(std::make_index_sequence<kOperations.size()>());
        return reinterpret_cast<const void* const*>(vtable.data());
    }
};

ConnectObject::ConnectObject()
    : automation_{AutomationEntries::Vtable(), this},
      platform_(AddinModule()),
      connect_(platform_) {
    UseResourceStrings();
}

ConnectObject::~ConnectObject() = default;

void* ConnectObject::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID__Connect)) {
        return &automation_;
    }
    return ComObject::InterfaceFor(iid);
}

// ---- _Connect by name --------------------------------------------------------------

HRESULT ConnectObject::AutomationIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    return ComEntry([&] {
        const int slot = OperationSlotOf(names[0]);
        ids[0] = slot < 0 ? DISPID_UNKNOWN : kFirstConnectDispId + slot;
        HRESULT hr = slot < 0 ? DISP_E_UNKNOWNNAME : S_OK;
        // Argument names: an operation's one argument is DISPID 0.
        for (UINT i = 1; i < count; ++i) {
            const bool known = slot >= 0 && SameName(names[i], kOperations[slot].argumentName);
            ids[i] = known ? 0 : DISPID_UNKNOWN;
            if (!known) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    });
}

HRESULT ConnectObject::AutomationInvoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params,
                                        VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    return ComEntry(
        [&]() -> HRESULT {
            if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
            if (id < kFirstConnectDispId ||
                id - kFirstConnectDispId >= static_cast<DISPID>(kOperations.size())) {
                return DISP_E_MEMBERNOTFOUND;
            }
            const auto slot = static_cast<size_t>(id - kFirstConnectDispId);
            const Operation& operation = kOperations[slot];
            if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
                return DISP_E_MEMBERNOTFOUND;
            DISPPARAMS none{};
            if (params == nullptr) params = &none;
            const UINT expected = static_cast<UINT>(operation.ArgumentCount());
            if (params->cNamedArgs > 0 &&
                !(expected == 1 && params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == 0)) {
                return DISP_E_PARAMNOTFOUND;
            }
            if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
            if (result) VariantInit(result);

            OperationValues values;
            if (operation.argument == OperationArgument::kBooleanByRef) {
                BoolArgument argument(&params->rgvarg[0]);
                if (!argument.Read(values.boolean, 0, argError)) return DISP_E_TYPEMISMATCH;
                const HRESULT hr =
                    ComEntry([&] { CallOperation(connect_, slot, values); }, exception);
                argument.WriteBack(values.boolean);
                return hr;
            }
            CallOperation(connect_, slot, values);
            if (operation.result == OperationResult::kText && result) {
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = Bstr::FromUtf8(values.text).Detach();
            }
            return S_OK;
        },
        exception);
}

// ---- IDTExtensibility2 -------------------------------------------------------------

HRESULT ConnectObject::OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                    IDispatch* AddInInst, SAFEARRAY**) {
    return ComEntry([&] {
        host::Ref<host::AddIn> addIn = ExcelAddIn(ComPtr<IDispatch>(AddInInst));
        if (!addIn) addIn = std::make_shared<NoAddIn>();
        connect_.AddinInstance_OnConnection(ExcelApplication(ComPtr<IDispatch>(Application)),
                                            ConnectMode, addIn);
    });
}

HRESULT ConnectObject::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**) {
    return ComEntry([&] { connect_.AddinInstance_OnDisconnection(RemoveMode); });
}

// The host's other add-in events are not handled.
HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY**) {
    return S_OK;
}
HRESULT ConnectObject::OnStartupComplete(SAFEARRAY**) {
    return S_OK;
}
HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY**) {
    return S_OK;
}

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ConnectObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    static const std::array<const wchar_t*, 5> kNames = {L"OnConnection", L"OnDisconnection",
                                                         L"OnAddInsUpdate", L"OnStartupComplete",
                                                         L"OnBeginShutdown"};
    const int slot = SlotOf(kNames, names[0]);
    ids[0] = slot < 0 ? DISPID_UNKNOWN : slot + 1;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return slot < 0 || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO*, UINT* argError) {
    return ComEntry([&]() -> HRESULT {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
        if (result) VariantInit(result);
        DISPPARAMS none{};
        if (params == nullptr) params = &none;
        if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        auto object = [&](UINT index) -> IDispatch* {
            const VARIANT* v = Argument(params, index);
            if (v == nullptr) return nullptr;
            if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
            if (V_VT(v) == VT_DISPATCH) return V_DISPATCH(v);
            if (V_VT(v) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(v)) return *V_DISPATCHREF(v);
            return nullptr;
        };
        auto number = [&](UINT index, int& value) {
            const VARIANT* v = Argument(params, index);
            Variant converted;
            if (v == nullptr ||
                FAILED(VariantChangeType(converted.Put(), const_cast<VARIANT*>(v), 0, VT_I4))) {
                if (argError) *argError = params->cArgs - 1 - index;
                return false;
            }
            value = V_I4(&converted.Get());
            return true;
        };
        switch (id) {
            case 1: {
                if (params->cArgs != 4) return DISP_E_BADPARAMCOUNT;
                int mode = 0;
                if (!number(1, mode)) return DISP_E_TYPEMISMATCH;
                return OnConnection(object(0), static_cast<ext_ConnectMode>(mode), object(2),
                                    nullptr);
            }
            case 2: {
                if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
                int mode = 0;
                if (!number(0, mode)) return DISP_E_TYPEMISMATCH;
                return OnDisconnection(static_cast<ext_DisconnectMode>(mode), nullptr);
            }
            case 3:
            case 4:
            case 5:
                return params->cArgs == 1 ? S_OK : DISP_E_BADPARAMCOUNT;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    });
}

}  // namespace tessaly::win
