#include "win/addin/connect_object.h"

#include <array>
#include <exception>
#include <utility>

#include "host/host_error.h"
#include "win/addin/module.h"
#include "win/common/com_entry.h"
#include "win/common/com_error.h"
#include "win/common/owners.h"
#include "win/excel/excel_host.h"

namespace tessaly::win {

namespace {

constexpr int kOperationCount = 11;
constexpr int kBeforOrNextSlot = 4;
constexpr int kAppCaptionSlot = 9;

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

HRESULT LoadTypeInfo(REFIID iid, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeLib> library;
    const HRESULT hr = LoadTypeLibEx(AddinPath().c_str(), REGKIND_NONE, library.Put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid, info);
}

}  // namespace

ConnectObject::ConnectObject() : platform_(AddinModule()), connect_(platform_) {
    UseResourceStrings();
}

ConnectObject::~ConnectObject() = default;

// ---- IUnknown ----------------------------------------------------------------------

HRESULT ConnectObject::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID__Connect)) {
        *out = static_cast<_Connect*>(this);
    } else if (IsEqualIID(iid, IID_IDTExtensibility2)) {
        *out = static_cast<IDTExtensibility2*>(&extensibility_);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ConnectObject::AddRef() {
    return InterlockedIncrement(&refs_);
}

ULONG ConnectObject::Release() {
    const ULONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
}

// ---- _Connect by name --------------------------------------------------------------

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (index != 0) return DISP_E_BADINDEX;
    return ComEntry([&] { return LoadTypeInfo(IID__Connect, info); });
}

HRESULT ConnectObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    // The same names Connect answers to when it is called by name from within.
    static const std::array<const wchar_t*, kOperationCount> kNames = {
        L"subCall_List",      L"subCall_AddOrDelete", L"subCall_Next",          L"subCall_Befor",
        L"subBeforOrNext",    L"subCall_Clear",       L"subCall_Setting",       L"subCall_Help",
        L"DesignButtonClick", L"fncAppCaption",       L"subCall_DeveloperSite",
    };
    const int slot = SlotOf(kNames, names[0]);
    ids[0] = slot < 0 ? DISPID_UNKNOWN : kFirstConnectDispId + slot;
    HRESULT hr = slot < 0 ? DISP_E_UNKNOWNNAME : S_OK;
    // Argument names: only subBeforOrNext has one.
    for (UINT i = 1; i < count; ++i) {
        const bool known =
            slot == kBeforOrNextSlot && names[i] != nullptr &&
            CompareStringOrdinal(names[i], -1, L"BeforTrueNextFalse", -1, TRUE) == CSTR_EQUAL;
        ids[i] = known ? 0 : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    return ComEntry(
        [&]() -> HRESULT {
            if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
            const int slot = static_cast<int>(id - kFirstConnectDispId);
            if (id < kFirstConnectDispId || slot >= kOperationCount) return DISP_E_MEMBERNOTFOUND;
            if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
                return DISP_E_MEMBERNOTFOUND;
            DISPPARAMS none{};
            if (params == nullptr) params = &none;
            const UINT expected = slot == kBeforOrNextSlot ? 1 : 0;
            if (params->cNamedArgs > 0 && !(slot == kBeforOrNextSlot && params->cNamedArgs == 1 &&
                                            params->rgdispidNamedArgs[0] == 0)) {
                return DISP_E_PARAMNOTFOUND;
            }
            if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
            if (result) VariantInit(result);

            switch (slot) {
                case 0:
                    connect_.subCall_List();
                    return S_OK;
                case 1:
                    connect_.subCall_AddOrDelete();
                    return S_OK;
                case 2:
                    connect_.subCall_Next();
                    return S_OK;
                case 3:
                    connect_.subCall_Befor();
                    return S_OK;
                case kBeforOrNextSlot: {
                    BoolArgument argument(&params->rgvarg[0]);
                    bool beforTrueNextFalse = false;
                    if (!argument.Read(beforTrueNextFalse, 0, argError)) return DISP_E_TYPEMISMATCH;
                    const HRESULT hr =
                        ComEntry([&] { connect_.subBeforOrNext(beforTrueNextFalse); }, exception);
                    argument.WriteBack(beforTrueNextFalse);
                    return hr;
                }
                case 5:
                    connect_.subCall_Clear();
                    return S_OK;
                case 6:
                    connect_.subCall_Setting();
                    return S_OK;
                case 7:
                    connect_.subCall_Help();
                    return S_OK;
                case 8:
                    connect_.DesignButtonClick();
                    return S_OK;
                case kAppCaptionSlot: {
                    Bstr caption = Bstr::FromUtf8(connect_.fncAppCaption());
                    if (result) {
                        V_VT(result) = VT_BSTR;
                        V_BSTR(result) = caption.Detach();
                    }
                    return S_OK;
                }
                default:
                    connect_.subCall_DeveloperSite();
                    return S_OK;
            }
        },
        exception);
}

// ---- _Connect through the vtable ---------------------------------------------------

HRESULT ConnectObject::subCall_List() {
    return ComEntry([&] { connect_.subCall_List(); });
}
HRESULT ConnectObject::subCall_AddOrDelete() {
    return ComEntry([&] { connect_.subCall_AddOrDelete(); });
}
HRESULT ConnectObject::subCall_Next() {
    return ComEntry([&] { connect_.subCall_Next(); });
}
HRESULT ConnectObject::subCall_Befor() {
    return ComEntry([&] { connect_.subCall_Befor(); });
}
HRESULT ConnectObject::subBeforOrNext(VARIANT_BOOL* BeforTrueNextFalse) {
    if (BeforTrueNextFalse == nullptr) return E_POINTER;
    bool value = *BeforTrueNextFalse != VARIANT_FALSE;
    const HRESULT hr = ComEntry([&] { connect_.subBeforOrNext(value); });
    *BeforTrueNextFalse = value ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}
HRESULT ConnectObject::subCall_Clear() {
    return ComEntry([&] { connect_.subCall_Clear(); });
}
HRESULT ConnectObject::subCall_Setting() {
    return ComEntry([&] { connect_.subCall_Setting(); });
}
HRESULT ConnectObject::subCall_Help() {
    return ComEntry([&] { connect_.subCall_Help(); });
}
HRESULT ConnectObject::DesignButtonClick() {
    return ComEntry([&] { connect_.DesignButtonClick(); });
}
HRESULT ConnectObject::fncAppCaption(BSTR* result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    return ComEntry([&] { *result = Bstr::FromUtf8(connect_.fncAppCaption()).Detach(); });
}
HRESULT ConnectObject::subCall_DeveloperSite() {
    return ComEntry([&] { connect_.subCall_DeveloperSite(); });
}

// ---- IDTExtensibility2 -------------------------------------------------------------

HRESULT ConnectObject::Extensibility::OnConnection(IDispatch* Application,
                                                   ext_ConnectMode ConnectMode,
                                                   IDispatch* AddInInst, SAFEARRAY**) {
    return ComEntry([&] {
        host::Ref<host::AddIn> addIn = ExcelAddIn(ComPtr<IDispatch>(AddInInst));
        if (!addIn) addIn = std::make_shared<NoAddIn>();
        outer_.connect_.AddinInstance_OnConnection(ExcelApplication(ComPtr<IDispatch>(Application)),
                                                   ConnectMode, addIn);
    });
}

HRESULT ConnectObject::Extensibility::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**) {
    return ComEntry([&] { outer_.connect_.AddinInstance_OnDisconnection(RemoveMode); });
}

// The host's other add-in events are not handled.
HRESULT ConnectObject::Extensibility::OnAddInsUpdate(SAFEARRAY**) {
    return S_OK;
}
HRESULT ConnectObject::Extensibility::OnStartupComplete(SAFEARRAY**) {
    return S_OK;
}
HRESULT ConnectObject::Extensibility::OnBeginShutdown(SAFEARRAY**) {
    return S_OK;
}

HRESULT ConnectObject::Extensibility::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ConnectObject::Extensibility::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ConnectObject::Extensibility::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                                    DISPID* ids) {
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

HRESULT ConnectObject::Extensibility::Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                             DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                             UINT* argError) {
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
