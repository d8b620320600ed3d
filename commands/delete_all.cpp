#include "addin/Connect.h"

namespace tessaly {

void Connect::subCall_Clear() {}

}  // namespace tessaly
