#pragma once

// The host's design mode: marks are label controls, so they come off while the user
// designs and go back on when design mode ends.

#include "host/host.h"

namespace platform {
class Platform;
}

namespace tessaly {

class clsBMs;

// Run by a click on the host's design-mode button, before the host switches: the marks
// follow the mode about to begin, and blnDesignMode records it.
void FollowDesignMode(const host::Ref<host::Application>& objApp, clsBMs& bms,
                      platform::Platform& platform, bool& blnDesignMode);

}  // namespace tessaly
