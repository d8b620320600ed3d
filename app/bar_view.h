#pragma once

#include <ostream>
#include <string>

#include "app/console.h"
#include "sim/excel.h"

namespace app {

// Prints the add-in's menus and toolbar as the host holds them: captions, enabled and
// pressed states, faces. False when the host has none of them.
bool PrintAddinBars(const sim::Excel& excel, std::ostream& out, int indent = 2);

// The add-in's toolbar on one line: [Caption] enabled, (Caption) disabled, {Caption}
// pressed; dimmed and highlighted instead when colours are on. Empty without a toolbar.
std::string ToolbarStrip(const sim::Excel& excel, ColorMode colors);

}  // namespace app
