#pragma once

#include <string>

namespace platform {
class Platform;
}

namespace tessaly {

// The upper-cased English name of the user's locale country; empty on failure.
std::string Function_OSLanguage(platform::Platform& platform);

// The language decision of each connection: sets lngResBase (100 for "JAPAN", 200
// otherwise) and strBarName.
void ChooseStringBlock(platform::Platform& platform);

}  // namespace tessaly
