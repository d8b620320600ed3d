#pragma once

// Small pieces the bookmark commands share about the host's state.

#include <cstdint>
#include <utility>

#include "commands/buttons.h"
#include "host/host.h"
#include "host/required.h"

namespace tessaly {

using host::Required;

// Shows the add/delete toggle up or down on the button and on its toolbar twin when
// there is one. A missing main button is an error, as using an unset field would be.
void SetAddOrDelState(ButtonField& button, ButtonField& twin, int32_t state);

}  // namespace tessaly
