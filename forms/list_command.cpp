#include "addin/Connect.h"

namespace tessaly {

void Connect::subCall_List() {}

}  // namespace tessaly
