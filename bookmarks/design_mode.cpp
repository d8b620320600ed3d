#include "addin/Connect.h"

namespace tessaly {

void Connect::DesignButtonClick() {}

}  // namespace tessaly
