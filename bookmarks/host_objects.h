#pragma once

// Small helpers for the bookmark store's use of host handles and mark settings.

#include <cstdint>

#include "host/host.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "settings/vb_conversions.h"

namespace tessaly {

// The runtime's error for a member called on an object that is nothing.
inline constexpr int32_t kObjectNotSet = 91;

// The object a handle points to; an empty handle fails like a call on nothing, so
// that the store's error handling treats "no mark yet" as any other failed call.
template <class T>
T& Obj(const host::Ref<T>& handle) {
    if (!handle) host::Raise(kObjectNotSet, "Object variable or With block variable not set");
    return *handle;
}

// The setting "Mark" read now as a Boolean; raises a type mismatch for other text.
inline bool MarksWanted(platform::Platform& platform) {
    return CBool(ReadSetting(platform, setting::kSection, setting::kMark, setting::kMarkDefault));
}

// The mark colour, the setting "Color" read now; raises for text that is not a number.
inline int32_t MarkColour(platform::Platform& platform) {
    return CLng(ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault));
}

}  // namespace tessaly
