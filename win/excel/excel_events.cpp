// The host's events reach the core through sinks of this library, connected to the
// host's connection points: the application's AppEvents and each button's
// _CommandBarButtonEvents. The host calls a sink's Invoke with the event's DISPID and
// its arguments last to first; by-reference Booleans (Cancel, CancelDefault) are
// written back when the handler returns.

#include <utility>

#include "win/common/addin_interfaces.h"
#include "win/common/com_entry.h"
#include "win/common/com_error.h"
#include "win/common/com_object.h"
#include "win/common/module_objects.h"
#include "win/excel/excel_host.h"
#include "win/excel/late_bound.h"

namespace tessaly::win {

namespace {

// An argument in declared order (DISPPARAMS holds them last to first), seen through
// a by-reference VARIANT.
const VARIANT* Argument(const DISPPARAMS* params, UINT index) {
    if (params == nullptr || index >= params->cArgs) return nullptr;
    const VARIANT* v = &params->rgvarg[params->cArgs - 1 - index];
    if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v) != nullptr) v = V_VARIANTREF(v);
    return v;
}

ComPtr<IDispatch> ObjectArgument(const DISPPARAMS* params, UINT index) {
    const VARIANT* v = Argument(params, index);
    if (v == nullptr) return nullptr;
    return ToObject(Variant::CopyOf(*v));
}

bool BoolArgument(const DISPPARAMS* params, UINT index) {
    const VARIANT* v = Argument(params, index);
    if (v == nullptr) return false;
    if (V_VT(v) == (VT_BOOL | VT_BYREF)) return V_BOOLREF(v) && *V_BOOLREF(v) != VARIANT_FALSE;
    return ToBool(Variant::CopyOf(*v));
}

// Writes a Boolean back into a by-reference argument.
void SetBoolArgument(DISPPARAMS* params, UINT index, bool value) {
    if (params == nullptr || index >= params->cArgs) return;
    VARIANT* v = &params->rgvarg[params->cArgs - 1 - index];
    const VARIANT_BOOL b = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (V_VT(v) == (VT_BOOL | VT_BYREF) && V_BOOLREF(v)) {
        *V_BOOLREF(v) = b;
    } else if (V_VT(v) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(v)) {
        VARIANT* inner = V_VARIANTREF(v);
        VariantClear(inner);
        V_VT(inner) = VT_BOOL;
        V_BOOL(inner) = b;
    }
}

// IUnknown and an IDispatch that only receives Invoke, for one event interface.
class EventSink : public ComObject<IDispatch>, private ModuleObject {
  public:
    explicit EventSink(const IID& events) : events_(events) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return ComEntry([&] { Raise(id, params); });
    }

  protected:
    virtual void Raise(DISPID id, DISPPARAMS* params) = 0;
    // The event interface, a dispinterface, is this IDispatch: the host asks for it by
    // its IID before it connects the sink.
    void* InterfaceFor(REFIID iid) override {
        if (IsEqualIID(iid, events_)) return static_cast<IDispatch*>(this);
        return ComObject::InterfaceFor(iid);
    }

  private:
    const IID& events_;
};

class AppEventsSink final : public EventSink {
  public:
    explicit AppEventsSink(host::AppEvents& target) : EventSink(DIID_AppEvents), target_(target) {}

  private:
    void Raise(DISPID id, DISPPARAMS* p) override {
        switch (id) {
            case dispid::kWorkbookOpen:
                target_.WorkbookOpen(ExcelWorkbook(ObjectArgument(p, 0)));
                break;
            case dispid::kWorkbookBeforeSave: {
                bool cancel = BoolArgument(p, 2);
                target_.WorkbookBeforeSave(ExcelWorkbook(ObjectArgument(p, 0)), BoolArgument(p, 1),
                                           cancel);
                SetBoolArgument(p, 2, cancel);
                break;
            }
            case dispid::kNewWorkbook:
                target_.NewWorkbook(ExcelWorkbook(ObjectArgument(p, 0)));
                break;
            case dispid::kWorkbookNewSheet:
                target_.WorkbookNewSheet(ExcelWorkbook(ObjectArgument(p, 0)),
                                         ExcelSheet(ObjectArgument(p, 1)));
                break;
            case dispid::kSheetChange:
                target_.SheetChange(ExcelSheet(ObjectArgument(p, 0)),
                                    ExcelRange(ObjectArgument(p, 1)));
                break;
            case dispid::kSheetSelectionChange:
                target_.SheetSelectionChange(ExcelSheet(ObjectArgument(p, 0)),
                                             ExcelRange(ObjectArgument(p, 1)));
                break;
            default:
                break;  // the application's other events are not handled
        }
    }

    host::AppEvents& target_;
};

class ClickSink final : public EventSink {
  public:
    explicit ClickSink(host::CommandBarControl::ClickHandler handler)
        : EventSink(DIID__CommandBarButtonEvents), handler_(std::move(handler)) {}

  private:
    void Raise(DISPID id, DISPPARAMS* p) override {
        if (id != dispid::kButtonClick || !handler_) return;
        bool cancelDefault = BoolArgument(p, 1);
        handler_(ExcelControl(ObjectArgument(p, 0)), cancelDefault);
        SetBoolArgument(p, 1, cancelDefault);
    }

    host::CommandBarControl::ClickHandler handler_;
};

host::EventConnection Advise(IDispatch* source, const IID& events, IDispatch* sinkObject) {
    ComPtr<IConnectionPointContainer> container =
        ComPtr<IDispatch>(source).As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) {
        host::Raise(host::err::kNotSupported, "Object doesn't support this property or method");
    }
    ComPtr<IConnectionPoint> point;
    HRESULT hr = container->FindConnectionPoint(events, point.Put());
    if (FAILED(hr)) throw HostErrorOf(hr, nullptr);
    DWORD cookie = 0;
    hr = point->Advise(sinkObject, &cookie);
    if (FAILED(hr)) throw HostErrorOf(hr, nullptr);
    return host::EventConnection([point, cookie] { point->Unadvise(cookie); });
}

}  // namespace

host::EventConnection AdviseAppEvents(IDispatch* application, host::AppEvents& sink) {
    auto object = ComPtr<IDispatch>::Adopt(new AppEventsSink(sink));
    return Advise(application, DIID_AppEvents, object.Get());
}

host::EventConnection AdviseButtonClick(IDispatch* button,
                                        host::CommandBarControl::ClickHandler handler) {
    auto object = ComPtr<IDispatch>::Adopt(new ClickSink(std::move(handler)));
    return Advise(button, DIID__CommandBarButtonEvents, object.Get());
}

}  // namespace tessaly::win
