#pragma once

// Finding an in-process class by its ProgID as COM on Windows finds it: the user's
// classes before the machine's.

#include <optional>
#include <string>

#include "win/common/owners.h"

namespace tessaly::fake {

// The class's CLSID; nothing when neither the user's nor the machine's classes name it.
std::optional<CLSID> ClassIdOf(const std::wstring& progId);

// An object of the class, loading its library as COM would; nothing when the class or
// its library is missing, or the library's factory refuses.
win::ComPtr<IUnknown> CreateInProcess(const std::wstring& progId, HRESULT* failure = nullptr);

}  // namespace tessaly::fake
