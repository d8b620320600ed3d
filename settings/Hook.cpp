#include "addin/Connect.h"

namespace tessaly {

void Connect::subHookInstall() {}

void Connect::subHookRemove() {}

}  // namespace tessaly
