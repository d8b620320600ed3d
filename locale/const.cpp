#include "locale/const.h"

namespace tessaly {

// The English block until a connection decides otherwise, so that every lookup
// finds a text even before the first connection.
int32_t lngResBase = kEnglishBase;
std::string strBarName;

}  // namespace tessaly
