#include "addin/Connect.h"

namespace tessaly {

void Connect::subCall_AddOrDelete() {}

}  // namespace tessaly
