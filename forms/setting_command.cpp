#include "addin/Connect.h"

namespace tessaly {

void Connect::subCall_Setting() {}

}  // namespace tessaly
