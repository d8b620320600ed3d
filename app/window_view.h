#pragma once

// A window model drawn as plain text lines: frames with their contents indented, a tree
// view as an indented list, and the other controls in rows by their position.
//
//   [Setting for bookmark]
//   Mark (for visual check):
//     ( ) False
//     (*) True
//     Color  <#000080>
//   ...
//   <OK>  <Cancel>

#include <string>
#include <vector>

#include "forms/window_model.h"

namespace app {

std::vector<std::string> RenderWindow(const tessaly::WindowModel& window);

// One control as the window shows it: "<Goto> (disabled)", "(*) Row", "[x] Confirm...",
// "[Ctrl]". Empty for controls that show nothing.
std::string RenderControl(const tessaly::WindowModel& window, const tessaly::Control& control);

}  // namespace app
