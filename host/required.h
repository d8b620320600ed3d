#pragma once

// Using an object the host handed out as "nothing" fails like a call on nothing
// (the runtime's error 91), so that a vanished object ends a procedure the way any
// failing host call does instead of crashing it.

#include "host/host.h"

namespace host {

// The handle itself, or error 91 when it is nothing.
template <class T>
Ref<T> Required(Ref<T> object) {
    if (!object) Raise(err::kObjectNotSet, "Object variable or With block variable not set");
    return object;
}

// The object a held handle points to, or error 91 when it is nothing. Only for handles
// that outlive the use: never bind the result to a temporary's object.
template <class T>
T& Obj(const Ref<T>& handle) {
    if (!handle) Raise(err::kObjectNotSet, "Object variable or With block variable not set");
    return *handle;
}

}  // namespace host
