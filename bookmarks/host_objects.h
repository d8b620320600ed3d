#pragma once

// Small helpers for the bookmark store's use of host handles and mark settings.

#include <cstdint>

#include "host/host.h"
#include "host/required.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "text/vb_conversions.h"

namespace tessaly {

using host::Obj;

// The setting "Mark" read now as a Boolean; raises a type mismatch for other text.
inline bool MarksWanted(platform::Platform& platform) {
    return CBool(ReadSetting(platform, setting::kSection, setting::kMark, setting::kMarkDefault));
}

// The mark colour, the setting "Color" read now; raises for text that is not a number.
inline int32_t MarkColour(platform::Platform& platform) {
    return CLng(ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault));
}

}  // namespace tessaly
