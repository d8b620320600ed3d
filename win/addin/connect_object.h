#pragma once

// The COM object of class Connect: the host's add-in connection interface on one side,
// the add-in's automation interface _Connect on the other, and the core's Connect with
// the Windows platform behind both.

#include "addin/Connect.h"
#include "win/common/addin_interfaces.h"
#include "win/common/com_object.h"
#include "win/common/module_objects.h"
#include "win/platform/win_platform.h"

namespace tessaly::win {

class ConnectObject final : public ComObject<IDTExtensibility2>, private ModuleObject {
  public:
    ConnectObject();
    ~ConnectObject() override;

    // IDispatch of IDTExtensibility2: its five members by name, DISPIDs 1 to 5.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                           IDispatch* AddInInst, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                              SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  protected:
    // IUnknown, IDispatch and _Connect are the automation interface; the identity is
    // its pointer, as the default interface of the class.
    void* InterfaceFor(REFIID iid) override;

  private:
    // _Connect: a dual interface whose vtable is made from the operation table
    // (IDispatch's seven entries, then one per operation in slot order), so it is laid
    // out in memory as COM sees it rather than as a C++ class.
    struct Automation {
        const void* const* vtable;
        ConnectObject* owner;
    };
    friend struct AutomationEntries;

    // IDispatch of _Connect: the operations by name.
    HRESULT AutomationIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
    HRESULT AutomationInvoke(DISPID id, REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argError);

    Automation automation_;
    WinPlatform platform_;
    Connect connect_;
};

}  // namespace tessaly::win
