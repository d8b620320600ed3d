#pragma once

// Every message box of the add-in: its title as caption, a text from the string
// table or a composed one.

#include <cstdint>
#include <string>

#include "locale/string_ids.h"
#include "platform/platform.h"

namespace tessaly {

platform::MsgAnswer ShowMessage(platform::Platform& platform, const std::string& text,
                                platform::MsgIcon icon,
                                platform::MsgButtons buttons = platform::MsgButtons::OK);

// The localised text at `offset` (lngResBase + offset; the offsets are named in str::).
platform::MsgAnswer ShowResMessage(platform::Platform& platform, int32_t offset,
                                   platform::MsgIcon icon,
                                   platform::MsgButtons buttons = platform::MsgButtons::OK);

// "(" + number + ") " + description, critical icon, OK: how a failed jump is reported.
void ShowHostError(platform::Platform& platform, int32_t number, const std::string& description);

}  // namespace tessaly
