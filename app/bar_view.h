#pragma once

#include <ostream>

#include "sim/excel.h"

namespace app {

// Prints the add-in's menus and toolbar as the host holds them: captions, enabled and
// pressed states, faces.
void PrintAddinBars(const sim::Excel& excel, std::ostream& out);

}  // namespace app
