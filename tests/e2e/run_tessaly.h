#pragma once

// Runs the built `tessaly` program for the end-to-end tests: in a scratch folder of its
// own, with its own settings folder, a fixed locale and no colours, with given input,
// collecting its output, errors and exit code.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace tessaly_e2e {

namespace fs = std::filesystem;

// The repository: tests/data is known to the test support library.
inline fs::path SourceDir() {
    return fs::path(TESSALY_TEST_DATA_DIR).parent_path().parent_path();
}

// The program is built next to the test executables.
inline fs::path TessalyBinary() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return self.parent_path() / "tessaly";
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A folder under the system's temporary folder, removed with the object.
class Scratch {
  public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "tessaly-e2e-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Path() const { return path_; }

    // Copies the shipped samples and the workbook fixtures in.
    void CopyWorkbooks() const {
        for (const fs::path& folder :
             {SourceDir() / "sim" / "samples", SourceDir() / "tests" / "data"}) {
            for (const auto& entry : fs::directory_iterator(folder)) {
                if (entry.path().extension() == ".xlsx")
                    fs::copy_file(entry.path(), path_ / entry.path().filename(),
                                  fs::copy_options::overwrite_existing);
            }
        }
    }

  private:
    fs::path path_;
};

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tessaly with the arguments in `folder` (its working folder; settings in
// folder/config). `env` adds to or replaces the environment ("" removes a variable).
inline Result RunTessaly(const std::vector<std::string>& args, const fs::path& folder,
                         const std::string& input = "",
                         const std::map<std::string, std::string>& env = {}) {
    const fs::path in = folder / ".stdin";
    const fs::path out = folder / ".stdout";
    const fs::path err = folder / ".stderr";
    WriteFile(in, input);

    std::map<std::string, std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos) variables[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const char* name :
         {"LC_ALL", "LC_MESSAGES", "TESSALY_COUNTRY", "COLORTERM", "XDG_CONFIG_HOME"})
        variables.erase(name);
    variables["LANG"] = "C.UTF-8";
    variables["NO_COLOR"] = "1";
    variables["TERM"] = "dumb";
    variables["TESSALY_CONFIG_DIR"] = (folder / "config").string();
    for (const auto& [name, value] : env) {
        if (value.empty()) {
            variables.erase(name);
        } else {
            variables[name] = value;
        }
    }
    std::vector<std::string> envText;
    for (const auto& [name, value] : variables) envText.push_back(name + "=" + value);

    const std::string binary = TessalyBinary().string();
    std::vector<std::string> argv = {binary};
    argv.insert(argv.end(), args.begin(), args.end());

    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> cargv;
        for (std::string& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);
        std::vector<char*> cenv;
        for (std::string& e : envText) cenv.push_back(e.data());
        cenv.push_back(nullptr);
        if (::chdir(folder.c_str()) != 0 || !std::freopen(in.c_str(), "r", stdin) ||
            !std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            ::_exit(126);
        ::execve(binary.c_str(), cargv.data(), cenv.data());
        ::_exit(127);
    }
    Result result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    std::error_code ec;
    for (const fs::path& p : {in, out, err}) fs::remove(p, ec);
    return result;
}

}  // namespace tessaly_e2e
