#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace app {

struct DemoOptions {
    std::string hostVersion = "11.0";
    std::optional<std::string> country;  // the locale's when not given
};

// A short session on the simulated host, told step by step. Returns the exit code.
int RunDemo(const DemoOptions& options, std::ostream& out);

}  // namespace app
