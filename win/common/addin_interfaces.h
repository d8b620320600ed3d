#pragma once

// The COM interfaces between a host and the add-in, declared here because no SDK
// header of mingw-w64 has them and the add-in's own are written by hand to match its
// type library (win/addin/Tessaly.idl); _Connect has none, its vtable being made
// from the operation table.
//
// IDTExtensibility2 is the host's add-in connection interface, from the
// "AddInDesignerObjects" type library (MSADDNDR.DLL): a dual interface deriving from
// IDispatch with, in vtable order and with DISPIDs 1 to 5, OnConnection,
// OnDisconnection, OnAddInsUpdate, OnStartupComplete and OnBeginShutdown;
// IID {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}. Every `custom` argument is a
// SAFEARRAY of VARIANT passed by reference.

#include "host/operations.h"
#include "win/common/com_object.h"
#include "win/common/win32.h"

namespace tessaly::win {

enum ext_ConnectMode : int {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3,
};

enum ext_DisconnectMode : int {
    ext_dm_HostShutdown = 0,
    ext_dm_UserClosed = 1,
};

struct IDTExtensibility2 : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application,
                                                   ext_ConnectMode ConnectMode,
                                                   IDispatch* AddInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode,
                                                      SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

extern const IID IID_IDTExtensibility2;
template <>
struct InterfaceId<IDTExtensibility2> {
    static const IID& Get() { return IID_IDTExtensibility2; }
};

// The DISPID of the first operation of _Connect; the others follow in slot order. The
// interface itself has no C++ declaration: its vtable is made from the operation table
// (win/addin/connect_object.cpp), as its type library part is.
inline constexpr DISPID kFirstConnectDispId = kFirstOperationDispId;

extern const IID IID__Connect;
extern const CLSID CLSID_Connect;
extern const GUID LIBID_Tessaly;

// Events the add-in receives from Excel and Office.
// AppEvents, the dispinterface of Excel's application events.
extern const IID DIID_AppEvents;
// _CommandBarButtonEvents, the dispinterface of a command-bar button's Click (DISPID 1).
extern const IID DIID__CommandBarButtonEvents;
// _Worksheet, which a sheet has when it is a worksheet (not a chart sheet).
extern const IID IID__Worksheet;

namespace dispid {
// AppEvents members the add-in handles.
inline constexpr DISPID kSheetSelectionChange = 0x616;
inline constexpr DISPID kSheetChange = 0x61C;
inline constexpr DISPID kNewWorkbook = 0x61D;
inline constexpr DISPID kWorkbookOpen = 0x61F;
inline constexpr DISPID kWorkbookBeforeSave = 0x623;
inline constexpr DISPID kWorkbookNewSheet = 0x625;
// _CommandBarButtonEvents.Click(Ctrl, CancelDefault).
inline constexpr DISPID kButtonClick = 1;
}  // namespace dispid

}  // namespace tessaly::win
