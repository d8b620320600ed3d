#pragma once

#include <optional>

namespace tessaly {

// The guard of a command against runs closer together than 0.2 seconds.
class RepeatGuard {
  public:
    // True when the run is accepted (and stamped); the first run is always accepted.
    bool Accept(double now);

  private:
    std::optional<double> last_;
};

}  // namespace tessaly
