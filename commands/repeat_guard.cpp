#include "addin/Connect.h"

namespace tessaly {

bool RepeatGuard::Accept(double now) { last_ = now; return true; }

}  // namespace tessaly
