#pragma once

// `tessaly run SCRIPT`: the interpreter's commands read from a file or standard input,
// without a terminal. The transcript goes to `out`; the first command that cannot run
// stops the script with "line N: <sentence>" on `err` and exit code 1.

#include <filesystem>
#include <istream>
#include <ostream>

#include "app/session.h"

namespace app {

struct RunOptions {
    ConnectOptions connect;
    std::filesystem::path settingsFile;
    sim::xlsx::Budget budget;  // of each workbook opened
};

int RunScript(std::istream& script, const RunOptions& options, std::ostream& out,
              std::ostream& err);

}  // namespace app
