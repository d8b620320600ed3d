#include "addin/Connect.h"

namespace tessaly {

std::string Connect::fncOnKeyString(const std::string& text) { return text; }

void Connect::subShortcutKeysOn() {}

void Connect::subShortcutKeysOff() {}

}  // namespace tessaly
