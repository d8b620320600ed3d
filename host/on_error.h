#pragma once

// The add-in's two ways of meeting a failing host call, named once so that
// procedures read like their steps:
//   SkipOnError(step)      - a failure skips this step only; the caller goes on.
//   StopQuietlyOnError(body) - the first failure ends the body; what it did stays.

#include <optional>
#include <type_traits>
#include <utility>

#include "host/host_error.h"

namespace host {

// Runs one step. Returns the error it raised, or nothing when it succeeded.
template <class Step>
std::optional<HostError> SkipOnError(Step&& step) {
    try {
        std::forward<Step>(step)();
        return std::nullopt;
    } catch (const HostError& e) {
        return e;
    }
}

// Runs one step that yields a value; nothing when it failed.
template <class Step>
auto ValueOrNothing(Step&& step) -> std::optional<std::invoke_result_t<Step>> {
    try {
        return std::forward<Step>(step)();
    } catch (const HostError&) {
        return std::nullopt;
    }
}

// Runs a body that ends quietly at its first failure. True when it ran to its end.
template <class Body>
bool StopQuietlyOnError(Body&& body) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const HostError&) {
        return false;
    }
}

}  // namespace host
