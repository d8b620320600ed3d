// tessaly: the add-in at work in the simulated spreadsheet host.

#include <iostream>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "app/bar_view.h"
#include "app/demo.h"

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: tessaly [demo] [--host-version 11.0|16.0] [--country NAME]\n"
           "\n"
           "  demo   connect the add-in to a simulated spreadsheet host, show its menus and\n"
           "         toolbar, make and walk a few bookmarks, save and reopen, and disconnect.\n"
           "\n"
           "  --host-version  the host version to simulate (below 12: menus and toolbar;\n"
           "                  12 and later: the toolbar only). Default 11.0.\n"
           "  --country       the locale's country (\"Japan\" gives the Japanese texts).\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    app::DemoOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help" || a == "help") {
            PrintUsage(std::cout);
            return 0;
        }
        if (a == "demo") continue;
        if ((a == "--host-version" || a == "--country") && i + 1 < args.size()) {
            (a == "--country" ? options.country : options.hostVersion) = args[++i];
            continue;
        }
        std::cerr << "tessaly: unknown argument \"" << a << "\". Run \"tessaly --help\".\n";
        return 2;
    }
    return app::RunDemo(options, std::cout);
}
