#pragma once

// The words for what a user does in the add-in's windows: pick a list entry, press its
// buttons, fill the settings form... Each becomes a WindowAction that works on whatever
// window is on top when its turn comes.

#include <string>
#include <vector>

#include "app/window_front_end.h"

namespace app {

class Interpreter;

struct WindowActionHelp {
    const char* usage;
    const char* example;
    const char* summary;
};

const std::vector<WindowActionHelp>& WindowActionsHelp();

// Throws CommandError for words that make no action.
WindowAction ParseWindowAction(Interpreter& interp, const std::vector<std::string>& words,
                               int line);

}  // namespace app
