#include "commands/repeat_guard.h"

namespace tessaly {

namespace {
// A held-down shortcut key repeats faster than this; a deliberate second press does not.
constexpr double kRepeatWindowSeconds = 0.2;
}  // namespace

bool RepeatGuard::Accept(double now) {
    if (last_ && now - *last_ < kRepeatWindowSeconds) return false;
    last_ = now;
    return true;
}

}  // namespace tessaly
