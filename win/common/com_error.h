#pragma once

// Host errors across an automation call, both ways: a failed Invoke becomes the
// host::HostError the core traps, with the number and description a VB caller would
// see (Excel's 0x800A03EC arrives as 1004), and a HostError raised behind an IDispatch
// goes back out as DISP_E_EXCEPTION with its number in EXCEPINFO.

#include <cstdint>
#include <string>

#include "host/host_error.h"
#include "win/common/win32.h"

namespace tessaly::win {

// The error number for a failed call's HRESULT.
int32_t ErrorNumberOf(HRESULT hr);
// The HRESULT that carries an error number: numbers 1 to 65535 travel in the
// facility of automation controls, as VB's and Excel's own errors do; other numbers
// are HRESULTs already.
HRESULT HresultOf(int32_t number);
// The text a caller sees for an error that came without a description.
std::string DescriptionOf(HRESULT hr);

// The host error for a failed Invoke; `info` is read when hr is DISP_E_EXCEPTION.
host::HostError HostErrorOf(HRESULT hr, EXCEPINFO* info);
// Fills `info` (when given) for a host error and returns DISP_E_EXCEPTION.
HRESULT ReportHostError(const host::HostError& error, EXCEPINFO* info, const wchar_t* source);

}  // namespace tessaly::win
