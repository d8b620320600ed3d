#pragma once

// The COM object of class Connect: the host's add-in connection interface on one side,
// the add-in's automation interface _Connect on the other, and the core's Connect with
// the Windows platform behind both.

#include "addin/Connect.h"
#include "win/common/addin_interfaces.h"
#include "win/common/module_objects.h"
#include "win/platform/win_platform.h"

namespace tessaly::win {

class ConnectObject final : public _Connect, private ModuleObject {
  public:
    ConnectObject();
    ~ConnectObject();
    ConnectObject(const ConnectObject&) = delete;
    ConnectObject& operator=(const ConnectObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch of _Connect: the operations by name.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

    // _Connect
    HRESULT STDMETHODCALLTYPE subCall_List() override;
    HRESULT STDMETHODCALLTYPE subCall_AddOrDelete() override;
    HRESULT STDMETHODCALLTYPE subCall_Next() override;
    HRESULT STDMETHODCALLTYPE subCall_Befor() override;
    HRESULT STDMETHODCALLTYPE subBeforOrNext(VARIANT_BOOL* BeforTrueNextFalse) override;
    HRESULT STDMETHODCALLTYPE subCall_Clear() override;
    HRESULT STDMETHODCALLTYPE subCall_Setting() override;
    HRESULT STDMETHODCALLTYPE subCall_Help() override;
    HRESULT STDMETHODCALLTYPE DesignButtonClick() override;
    HRESULT STDMETHODCALLTYPE fncAppCaption(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE subCall_DeveloperSite() override;

  private:
    // IDTExtensibility2 lives on a part of its own: it is a second IDispatch with
    // DISPIDs of its own, so it cannot share the first one's Invoke.
    class Extensibility final : public IDTExtensibility2 {
      public:
        explicit Extensibility(ConnectObject& outer) : outer_(outer) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            return outer_.QueryInterface(iid, out);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return outer_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return outer_.Release(); }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                                DISPID* ids) override;
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                         DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                         UINT* argError) override;

        HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                               IDispatch* AddInInst, SAFEARRAY** custom) override;
        HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                                  SAFEARRAY** custom) override;
        HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
        HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
        HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

      private:
        ConnectObject& outer_;
    };

    volatile LONG refs_ = 1;
    WinPlatform platform_;
    Connect connect_;
    Extensibility extensibility_{*this};
};

}  // namespace tessaly::win
