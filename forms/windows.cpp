#include "addin/Connect.h"

namespace tessaly {

void Connect::subUnloadWindows() {}

}  // namespace tessaly
