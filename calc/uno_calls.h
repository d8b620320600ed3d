#pragma once

// Text and errors across the UNO boundary. The core speaks UTF-8 std::string and
// knows one failure, host::HostError; every call into the office goes through
// UnoCall, which turns UNO's exceptions into that error with a number the core reads
// the way it reads the other host's (a closed document is "disconnected", a missing
// item "subscript out of range", any other refusal 1004).

#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IndexOutOfBoundsException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <cstdio>
#include <exception>
#include <rtl/ustring.hxx>
#include <string>
#include <utility>

#include "host/host_error.h"

namespace tessaly::calc {

namespace css = com::sun::star;
using rtl::OString;
using rtl::OUString;

inline std::string Utf8(const OUString& text) {
    const OString bytes = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), bytes.getLength());
}

inline OUString Uno(const std::string& text) {
    return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

// The host error for a UNO exception: the exception's type and message as description.
inline host::HostError HostErrorOf(const css::uno::Exception& e, int32_t number) {
    std::string description = Utf8(e.Message);
    if (description.empty()) description = "The office refused the call";
    return host::HostError(number, description);
}

template <class Body>
auto UnoCall(Body&& body) -> decltype(body()) {
    try {
        return std::forward<Body>(body)();
    } catch (const css::lang::DisposedException& e) {
        throw HostErrorOf(e, host::err::kDisconnected);
    } catch (const css::lang::IndexOutOfBoundsException& e) {
        throw HostErrorOf(e, host::err::kSubscriptOutOfRange);
    } catch (const css::container::NoSuchElementException& e) {
        throw HostErrorOf(e, host::err::kSubscriptOutOfRange);
    } catch (const css::uno::Exception& e) {
        throw HostErrorOf(e, host::err::kHostRefused);
    }
}

// Listeners, jobs and dispatches the office calls from its own loops: nothing of the
// add-in's may unwind into them, whatever it is; what was thrown goes to the log.
template <class F>
void Shielded(const char* what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessaly: %s: %s\n", what, e.what());
    } catch (...) {
        std::fprintf(stderr, "tessaly: %s failed\n", what);
    }
}

}  // namespace tessaly::calc
