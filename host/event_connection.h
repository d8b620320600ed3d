#pragma once

#include <functional>
#include <utility>

namespace host {

// An event subscription. The source stops calling the sink when this is reset or
// destroyed, as releasing a COM event connection does.
class EventConnection {
  public:
    EventConnection() = default;
    explicit EventConnection(std::function<void()> disconnect)
        : disconnect_(std::move(disconnect)) {}
    EventConnection(EventConnection&& other) noexcept
        : disconnect_(std::exchange(other.disconnect_, nullptr)) {}
    EventConnection& operator=(EventConnection&& other) noexcept {
        if (this != &other) {
            Reset();
            disconnect_ = std::exchange(other.disconnect_, nullptr);
        }
        return *this;
    }
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;
    ~EventConnection() { Reset(); }

    void Reset() {
        if (auto d = std::exchange(disconnect_, nullptr)) d();
    }
    bool Connected() const { return static_cast<bool>(disconnect_); }

  private:
    std::function<void()> disconnect_;
};

}  // namespace host
