#pragma once

// The one barrier at every place where COM or Windows calls into this library: the
// exports, the class factory, the add-in's interfaces, the event sinks, the keyboard
// hook and the window procedures. Nothing may unwind out of such a function (into the
// host or the window system, which would take the host down), so each runs its body
// through one of these:
//   ComEntry(body[, exception])      an HRESULT for whatever the body threw
//   CallbackEntry(body, passOn)      for window and hook procedures: what `passOn`
//                                    answers (the default, the next hook) on a throw

#include <type_traits>
#include <utility>

#include "win/common/win32.h"

namespace tessaly::win {

// The HRESULT for the exception being handled: E_OUTOFMEMORY for std::bad_alloc, a
// host error as DISP_E_EXCEPTION with `exception` filled in (or as its own HRESULT
// when there is none to fill), E_UNEXPECTED for anything else. Call only inside a
// catch block.
HRESULT HresultOfCurrentException(EXCEPINFO* exception) noexcept;

// The body returns an HRESULT, or nothing for S_OK.
template <class Body>
HRESULT ComEntry(Body&& body, EXCEPINFO* exception = nullptr) noexcept {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
            std::forward<Body>(body)();
            return S_OK;
        } else {
            return std::forward<Body>(body)();
        }
    } catch (...) {
        return HresultOfCurrentException(exception);
    }
}

template <class Body, class PassOn>
auto CallbackEntry(Body&& body, PassOn&& passOn) noexcept -> std::invoke_result_t<Body> {
    using Result = std::invoke_result_t<Body>;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
    }
    // Passing on calls the system only; should it fail too, nothing is left to answer.
    try {
        return std::forward<PassOn>(passOn)();
    } catch (...) {
        if constexpr (!std::is_void_v<Result>) return Result{};
    }
}

}  // namespace tessaly::win
