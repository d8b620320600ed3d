// tessaly: the add-in at work in the simulated spreadsheet host, on real .xlsx files.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/demo.h"
#include "app/interpreter.h"
#include "app/saved_bookmarks.h"
#include "app/script_runner.h"
#include "app/shell.h"
#include "app/text.h"
#include "platform/linux/file_settings_store.h"

namespace {

constexpr int kUsageError = 2;

void PrintUsage(std::ostream& out) {
    out << "Usage:\n"
           "  tessaly shell [OPTIONS] [WORKBOOK.xlsx...]\n"
           "      an interactive session: the add-in connected to a simulated spreadsheet host\n"
           "  tessaly run [OPTIONS] SCRIPT|-\n"
           "      the same commands from a file (or standard input), printed as a transcript;\n"
           "      stops with \"line N: ...\" and exit code 1 at a command that cannot run\n"
           "  tessaly bookmarks [--json] WORKBOOK.xlsx\n"
           "      the bookmarks saved in a workbook file\n"
           "  tessaly demo [OPTIONS] [--sample FILE.xlsx]\n"
           "      a short demonstration on a copy of the sample workbook\n"
           "  tessaly help [COMMAND]\n"
           "      the commands of the shell and of scripts, each with an example\n"
           "\n"
           "Options:\n"
           "  --host-version V   the host version for the add-in (below 12: menus and toolbar;\n"
           "                     12 and later: the toolbar only). Default 11.0.\n"
           "  --country NAME     the locale's country (\"Japan\" gives the Japanese texts);\n"
           "                     the locale's own country when not given\n"
           "  --color WHEN       shell and demo: auto (default), always or never\n"
           "  --max-cells N      shell and run: refuse a workbook of more than N cells\n"
           "                     (default 20000000; a cell costs 16 to 32 bytes and its text)\n"
           "  --max-xml-bytes N  shell and run: refuse a workbook whose sheets hold more than\n"
           "                     N bytes of uncompressed XML (default 4294967296)\n"
           "\n"
           "Settings are read from and written to $TESSALY_CONFIG_DIR/settings.ini, else\n"
           "$XDG_CONFIG_HOME/tessaly/settings.ini, else ~/.config/tessaly/settings.ini.\n";
}

struct Arguments {
    std::string command;
    app::ConnectOptions connect;
    app::ColorMode colors = app::ColorMode::None;
    bool json = false;
    sim::xlsx::Budget budget;
    std::optional<std::string> sample;
    std::vector<std::string> rest;
};

// Throws CommandError for arguments that make no sense.
Arguments Parse(const std::vector<std::string>& args) {
    Arguments a;
    a.colors = app::DetectColorMode();
    if (args.empty()) throw app::CommandError("Say what to do.");
    a.command = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw app::CommandError(arg + " needs a value.");
            return args[++i];
        };
        if (arg == "--host-version") {
            a.connect.hostVersion = value();
        } else if (arg == "--country") {
            a.connect.country = value();
        } else if (arg == "--color" || arg == "--colour") {
            const std::string when = value();
            const std::optional<app::ColorMode> mode = app::ColorModeFromWord(when);
            if (!mode) throw app::CommandError("--color takes auto, always or never.");
            a.colors = *mode;
        } else if (arg == "--max-cells" || arg == "--max-xml-bytes") {
            const std::string text = value();
            uint64_t n = 0;
            const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (fault != std::errc() || end != text.data() + text.size() || n == 0)
                throw app::CommandError(arg + " takes a whole number above 0.");
            (arg == "--max-cells" ? a.budget.maxCells : a.budget.maxXmlBytes) = n;
        } else if (arg == "--json") {
            a.json = true;
        } else if (arg == "--sample") {
            a.sample = value();
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            throw app::CommandError("\"" + arg + "\" is not an option of tessaly.");
        } else {
            a.rest.push_back(arg);
        }
    }
    return a;
}

int Run(const Arguments& a) {
    if (a.command == "shell") {
        app::ShellOptions options;
        options.connect = a.connect;
        options.settingsFile = linuxplatform::FileSettingsStore::DefaultPath();
        options.budget = a.budget;
        options.workbooks = a.rest;
        options.colors = a.colors;
        return app::RunShell(options, std::cin, std::cout);
    }
    if (a.command == "run") {
        if (a.rest.size() != 1)
            throw app::CommandError("\"run\" takes one script, or - for standard input.");
        app::RunOptions options;
        options.connect = a.connect;
        options.settingsFile = linuxplatform::FileSettingsStore::DefaultPath();
        options.budget = a.budget;
        if (a.rest[0] == "-") return app::RunScript(std::cin, options, std::cout, std::cerr);
        std::error_code ec;
        std::ifstream script(a.rest[0]);
        // A folder opens as a file here, and then reads as an empty script.
        if (!script || std::filesystem::is_directory(a.rest[0], ec)) {
            std::cerr << "tessaly: the script " << a.rest[0] << " cannot be read.\n";
            return kUsageError;
        }
        return app::RunScript(script, options, std::cout, std::cerr);
    }
    if (a.command == "bookmarks") {
        // A wrong count of files is a usage error like a wrong option (exit 2); a file
        // that cannot be read is a failure (exit 1).
        if (a.rest.size() != 1) throw app::CommandError("\"bookmarks\" takes one workbook file.");
        try {
            app::PrintSavedBookmarks(app::ReadSavedBookmarks(a.rest[0]), a.json, std::cout);
        } catch (const app::CommandError& e) {
            // Scripts asking for JSON get their errors as JSON too, on the same stream.
            if (a.json) {
                std::cout << "{\"error\": " << app::JsonString(e.what()) << "}\n";
            } else {
                std::cerr << "tessaly: " << e.what() << '\n';
            }
            return 1;
        }
        return 0;
    }
    if (a.command == "demo") {
        if (!a.rest.empty())
            throw app::CommandError("\"demo\" takes no file; use --sample FILE.xlsx.");
        app::DemoOptions options;
        options.hostVersion = a.connect.hostVersion;
        options.country = a.connect.country;
        options.sample = a.sample;
        options.colors = a.colors;
        return app::RunDemo(options, std::cout, std::cerr);
    }
    if (a.command == "help" || a.command == "--help" || a.command == "-h") {
        if (a.rest.empty()) {
            PrintUsage(std::cout);
            std::cout << "\nCommands of the shell and of scripts:\n\n";
        }
        std::string topic;
        for (size_t i = 0; i < a.rest.size(); ++i) topic += (i ? " " : "") + a.rest[i];
        app::PrintHelp(std::cout, topic);
        return 0;
    }
    throw app::CommandError("\"" + a.command + "\" is not something tessaly does.");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(Parse(args));
    } catch (const app::CommandError& e) {
        // A script asking for JSON gets its usage errors as JSON too.
        if (!args.empty() && args[0] == "bookmarks" &&
            std::find(args.begin(), args.end(), "--json") != args.end()) {
            std::cout << "{\"error\": " << app::JsonString(e.what()) << "}\n";
            return kUsageError;
        }
        std::cerr << "tessaly: " << e.what() << "\n\n";
        PrintUsage(std::cerr);
        return kUsageError;
    } catch (const std::exception& e) {
        // A failure no command foresaw still ends the program with a sentence, not an abort.
        std::cerr << "tessaly: " << app::Sentence(e.what()) << '\n';
        return 1;
    }
}
