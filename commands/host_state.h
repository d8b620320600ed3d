#pragma once

// Small pieces the bookmark commands share about the host's state.

#include <cstdint>
#include <utility>

#include "addin/Connect.h"
#include "host/host.h"

namespace tessaly {

// The runtime's error for using an object that is nothing.
inline constexpr int32_t kObjectNotSet = 91;

// The object itself, or the "object not set" error when the host handed out nothing,
// so that a vanished object ends a procedure like any failing host call.
template <class T>
host::Ref<T> Required(host::Ref<T> object) {
    if (!object) host::Raise(kObjectNotSet, "Object variable or With block variable not set");
    return object;
}

// Shows the add/delete toggle up or down on the button and on its toolbar twin when
// there is one. A missing main button is an error, as using an unset field would be.
void SetAddOrDelState(ButtonField& button, ButtonField& twin, int32_t state);

}  // namespace tessaly
