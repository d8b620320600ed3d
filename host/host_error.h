#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace host {

// A refused host call, as a COM call reports it: a number and a description.
// The add-in's own runtime failures (type mismatch, overflow) use the same type,
// so one error object carries every failure a procedure may trap.
class HostError : public std::runtime_error {
  public:
    HostError(int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}

    int32_t Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }

  private:
    int32_t number_;
    std::string description_;
};

// Error numbers the add-in reads or raises itself.
namespace err {
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
// A member used on an object that is nothing.
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kNotSupported = 438;
// The host refuses the operation (a protected sheet, a rejected address...).
inline constexpr int32_t kHostRefused = 1004;
// The object invoked has disconnected from its clients (closed or deleted).
inline constexpr int32_t kDisconnected = -2147221080;
inline constexpr int32_t kUnspecified = -2147467259;
// The host refuses every call for the moment, whatever it is asked about: the user is
// editing a cell (Excel's VBA_E_IGNORE, 0x800AC472, which VB reports as 50290), or
// COM rejected the call while the host was in a modal state (RPC_E_CALL_REJECTED).
inline constexpr int32_t kHostBusy = 50290;
inline constexpr int32_t kCallRejected = -2147418111;
}  // namespace err

// True for a refusal that says nothing about the object asked: the same call may
// succeed once the host is idle again.
inline bool IsHostBusy(const HostError& error) noexcept {
    return error.Number() == err::kHostBusy || error.Number() == err::kCallRejected;
}

[[noreturn]] inline void Raise(int32_t number, const std::string& description) {
    throw HostError(number, description);
}

}  // namespace host
