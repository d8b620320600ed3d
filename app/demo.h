#pragma once

// `tessaly demo`: a short session on the sample workbook shipped in sim/samples, run on a
// copy in a scratch folder with settings of its own, so that neither the repository nor
// the user's settings change.

#include <optional>
#include <ostream>
#include <string>

#include "app/console.h"

namespace app {

struct DemoOptions {
    std::string hostVersion = "11.0";
    std::optional<std::string> country;  // the locale's when not given
    std::optional<std::string> sample;   // the sample workbook; found when not given
    ColorMode colors = ColorMode::None;
};

// Returns the exit code.
int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

// The sample workbook: sim/samples/Demo.xlsx under the working folder or one of its
// parents, or under the program's folder or its parents. Empty when none is found.
std::string FindSampleWorkbook();

}  // namespace app
