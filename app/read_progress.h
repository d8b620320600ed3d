#pragma once

// Progress while a large workbook is read: on a terminal only, never in a transcript.

#include "sim/xlsx/xlsx.h"

namespace app {

// Read options with budget and, when standard error is a terminal, a progress line there
// for a read that takes more than about a second (per sheet and percent), erased at its
// end. Output that is not a terminal never sees it.
sim::xlsx::ReadOptions ReadOptionsFor(const sim::xlsx::Budget& budget);

}  // namespace app
