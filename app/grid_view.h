#pragma once

// The active sheet drawn around the active cell: column letters, row numbers and cell
// texts, hidden rows and columns left out as the host leaves them out, the active cell
// in brackets and each visual mark as a "*" (in the mark's colour when colours are on).
//
//   [Demo.xlsx]Sales, active cell $B$3
//              A          B          C
//         1    Region     Q1         Q2
//         3    South    [*88      ]  90

#include <ostream>

#include "app/console.h"
#include "app/session.h"

namespace app {

struct GridSize {
    int rows = 10;
    int columns = 5;
};

void PrintGrid(Session& session, std::ostream& out, GridSize size, ColorMode colors);

// The escape sequence that draws a "*" in a Windows colour (0x00BBGGRR).
std::string ColoredStar(int32_t color, ColorMode colors);

}  // namespace app
