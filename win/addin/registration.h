#pragma once

// Registration of the in-process server with COM and with the host.

#include <string>

#include "win/common/win32.h"

namespace tessaly::win {

// Machine-wide classes go to HKLM\Software\Classes (regsvr32); per-user classes to
// HKCU\Software\Classes (DllInstall with "user"). The host's add-in key is always the
// current user's, where the host looks for it.
enum class RegistrationScope { Machine, User };

// The values the host reads from its add-in key.
inline constexpr wchar_t kProgId[] = L"Tessaly.Connect";
inline constexpr wchar_t kAddinKey[] =
    L"Software\\Microsoft\\Office\\Excel\\Addins\\Tessaly.Connect";
inline constexpr wchar_t kFriendlyName[] = L"Tessaly";
inline constexpr wchar_t kDescription[] = L"The bookmark function is added to Excel.\r\n";
inline constexpr DWORD kLoadAtStartup = 3;

HRESULT RegisterServer(RegistrationScope scope);
// Removes what RegisterServer wrote; what is already gone is no failure.
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace tessaly::win
