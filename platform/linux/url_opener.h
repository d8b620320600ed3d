#pragma once

#include <string>

namespace linuxplatform {

// Starts `program url` (the desktop's opener, found on PATH) in the background with
// its input and output on /dev/null, and does not wait for it. False when the program
// could not be started; nothing is printed.
bool OpenUrlInBackground(const std::string& url, const std::string& program = "xdg-open");

}  // namespace linuxplatform
