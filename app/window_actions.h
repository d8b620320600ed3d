#pragma once

// The words for what a user does in the add-in's windows: pick a list entry, press its
// buttons, fill the settings form... Each becomes a WindowAction that works on whatever
// window is on top when its turn comes. They are read like the commands, from a table
// (app/grammar.h) that help prints too.

#include <string>
#include <vector>

#include "app/window_front_end.h"

namespace app {

class Interpreter;

// What a window action's reader gets.
struct WindowActionContext {
    Interpreter& interp;
    std::string verb;               // the action's name as written, in lower case
    std::vector<std::string> args;  // the words after the name
    std::string text;               // the whole action as written, for the transcript
    int line = 0;
};

using WindowActionReader = WindowAction (*)(const WindowActionContext&);

struct WindowActionSpec {
    const char* name;     // "pick"
    const char* usage;    // "pick BOOK/SHEET/CELL"
    const char* example;  // "pick Demo.xlsx/Sales/B3", queued as "window pick ..."
    const char* summary;  // one sentence
    WindowActionReader reader;
    const char* alias = nullptr;  // another word for the name
};

const std::vector<WindowActionSpec>& WindowActions();

// Throws CommandError for words that make no action.
WindowAction ParseWindowAction(Interpreter& interp, const std::vector<std::string>& words,
                               int line);

}  // namespace app
