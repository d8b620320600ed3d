#include "app/demo.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "app/interpreter.h"
#include "app/session.h"
#include "app/text.h"

namespace app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSampleName = "Demo.xlsx";

// What the demonstration does, as a script of the interpreter.
const std::vector<std::string>& DemoScript() {
    static const std::vector<std::string> script = {
        "echo == Open the sample workbook: a Sales sheet and a Costs sheet",
        "open Demo.xlsx",
        "show controls",
        "echo == Bookmark three cells with Add/Delete (each gets a mark)",
        "select Sales!B3",
        "click toggle",
        "select Sales!D6",
        "click toggle",
        "select Costs!C4",
        "click toggle",
        "echo == From Sales!A1, jump to the next bookmark three times, then back once",
        "select Sales!A1",
        "click next",
        "click next",
        "click next",
        "click previous",
        "echo == Open the bookmark list and jump to Sales!D6 with Goto and Close",
        "window pick Demo.xlsx/Sales/D6",
        "window gotoclose",
        "click list",
        "echo == Save with \"Save Bookmark information in Book.\" on, close and reopen",
        "set SaveMark 1",
        "save",
        "show properties",
        "close",
        "open Demo.xlsx",
        "select Sales!B3",
        "show bookmarks",
        "echo == The Sales sheet now (a * is a bookmark's mark; [ ] the active cell)",
        "show grid 8 5",
    };
    return script;
}

std::string ProgramFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

std::string FindUnder(fs::path folder) {
    for (int depth = 0; depth < 6 && !folder.empty(); ++depth) {
        const fs::path candidate = folder / "sim" / "samples" / kSampleName;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    return {};
}

// A scratch folder removed when the demonstration ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "tessaly-demo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// Works in another folder for a while, as the script's relative file names want.
class WorkingFolder {
  public:
    explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~WorkingFolder() {
        std::error_code ec;
        fs::current_path(previous_, ec);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    fs::path previous_;
};

}  // namespace

std::string FindSampleWorkbook() {
    std::error_code ec;
    std::string found = FindUnder(fs::current_path(ec));
    if (found.empty()) found = FindUnder(ProgramFolder());
    return found;
}

int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err) {
    const std::string sample = options.sample ? *options.sample : FindSampleWorkbook();
    if (sample.empty()) {
        err << "tessaly: the sample workbook sim/samples/" << kSampleName
            << " was not found; run the demo from the repository, or give --sample FILE.xlsx\n";
        return 2;
    }
    ScratchFolder scratch;
    if (scratch.Path().empty()) {
        err << "tessaly: no scratch folder could be made for the demo\n";
        return 2;
    }
    std::error_code ec;
    fs::copy_file(sample, scratch.Path() / kSampleName, ec);
    if (ec) {
        err << "tessaly: " << sample << " could not be copied: " << ec.message() << '\n';
        return 2;
    }

    WorkingFolder here(scratch.Path());
    Console console(out, nullptr, options.colors);
    Session session(console, scratch.Path() / "settings.ini");
    out << "Tessaly demo, on a copy of " << sample << " in a scratch folder.\n\n";
    session.ConnectAddin({options.hostVersion, options.country});
    Interpreter interp(session, true);
    int lineNumber = 0;
    for (const std::string& line : DemoScript()) {
        ++lineNumber;
        if (line.rfind("echo ", 0) == 0) {
            out << '\n' << line.substr(5) << '\n';  // a heading between the steps
            continue;
        }
        try {
            interp.Execute(line, lineNumber);
        } catch (const std::exception& e) {
            err << "tessaly demo, step \"" << line << "\": " << Sentence(e.what()) << '\n';
            return 1;
        }
    }
    out << "\nTry it yourself on a copy of the sample: tessaly shell Demo.xlsx (\"help\" lists the "
           "commands).\n";
    return 0;
}

}  // namespace app
