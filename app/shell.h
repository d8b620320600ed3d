#pragma once

// `tessaly shell`: the interactive session. The add-in is connected to the simulated
// host at the start; after every user action the active sheet is drawn around the active
// cell, with the marks, and the add-in's toolbar with its states. Message boxes and the
// add-in's windows ask at their own prompts.

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/session.h"

namespace app {

struct ShellOptions {
    ConnectOptions connect;
    std::filesystem::path settingsFile;
    sim::xlsx::Budget budget;  // of each workbook opened
    std::vector<std::string> workbooks;
    ColorMode colors = ColorMode::None;
    bool opensBrowser = true;
};

int RunShell(const ShellOptions& options, std::istream& in, std::ostream& out);

}  // namespace app
