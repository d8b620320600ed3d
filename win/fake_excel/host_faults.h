#pragma once

// Office's refusals and broken answers, injected into the fake Excel's automation
// objects: an edit mode in which every member refuses, and faults on single members
// (an HRESULT, DISP_E_EXCEPTION with odd contents, VT_EMPTY for an object, a C++
// exception thrown out of Invoke). The fake also notes whether anything the add-in
// was called for unwound out of it.

#include <optional>
#include <string>
#include <string_view>

#include "win/common/win32.h"

namespace tessaly::fake {

class FakeExcel;

// While the user edits a cell Excel refuses object-model calls with VBA_E_IGNORE
// (0x800AC472, the VB error 50290), even property assignments; seen by in-process
// add-ins, e.g. github.com/bovender/XLToolbox issues #598 (_Application.set_DisplayAlerts)
// and #900 (_Worksheet.get_UsedRange). A caller in another process gets
// RPC_E_CALL_REJECTED (0x80010001) from COM's message filter instead ("Callee is not
// ready" while a cell is edited, forum.powerbasic.com thread 38672;
// IMessageFilter::RetryRejectedCall, learn.microsoft.com). The fake refuses every
// member of every object, command bars included: no source says which members an edit
// spares, so the fake takes the stricter rule.
constexpr HRESULT kVbaErrorIgnore = static_cast<HRESULT>(0x800AC472);

// The cell edit of the simulated host (built-in control 18 greyed) with the refusal of
// every member of the fake's objects.
void EnterEditMode(FakeExcel& excel, HRESULT refusal = kVbaErrorIgnore);
void LeaveEditMode(FakeExcel& excel);

// What one member does instead of its work.
struct Fault {
    enum class Kind {
        Hresult,       // Invoke returns `hr`
        Exception,     // DISP_E_EXCEPTION with `scode`, `code` and no description
        Empty,         // succeeds with VT_EMPTY (where the add-in expects an object)
        ThrowForeign,  // a C++ exception of no standard type leaves Invoke
    };
    Kind kind = Kind::Hresult;
    HRESULT hr = E_FAIL;
    HRESULT scode = 0;
    WORD code = 0;
    std::string name;  // for the checks' text
};

// A C++ exception that is no std::exception, as a careless host component might throw.
struct ForeignHostException {
    int code;
};

// `member` is "<object kind>.<member>" as the fake names them: "Application.ActiveCell",
// "Range.Address", "CommandBars.FindControl". Every call fails until ClearFaults.
void InjectFault(const std::string& member, const Fault& fault);
void ClearFaults();

// Called by every member of the fake before its work: true when the call is answered
// here, with `hr` the answer (a ThrowForeign fault throws instead).
bool AnswerFault(const char* kind, std::wstring_view member, VARIANT* result, EXCEPINFO* exception,
                 HRESULT& hr);

// Calls from the fake into the add-in that ended with a C++ exception in the fake's
// frames: each one is an exception that left the library.
void NoteEscapedException();
int EscapedExceptions();

}  // namespace tessaly::fake
