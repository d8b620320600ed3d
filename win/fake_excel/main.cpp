// fake_excel: a stand-in for Excel that loads the real add-in under Wine.
//
//   fake_excel library <dll>         the library loads alone; its type library and resources
//   fake_excel other-bitness <dll> <own dll>   the other bitness's library, read as data
//   fake_excel registered <dll>      what regsvr32 wrote
//   fake_excel unregistered          what regsvr32 /u removed
//   fake_excel user-registered <dll> / user-unregistered   the same for DllInstall "user"
//   fake_excel scenario <name>       connects the add-in to a fake Excel and drives it
//   fake_excel dump-bars --version N the command bars with the add-in connected to Excel N
//   fake_excel record-url <url>      the prefix's browser: notes the URL it was asked to open
//   fake_excel bench <scene> <bookmarks> <repetitions>   the COM benchmark, JSON lines
//                                    (exit code: the cases that failed)
//
// Each check prints one line; the exit code is the number of failed checks (capped).

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win/common/text.h"
#include "win/common/win32.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/harness.h"

namespace {

int Usage() {
    std::fprintf(
        stderr,
        "usage: fake_excel library|registered|user-registered <dll>\n"
        "       fake_excel other-bitness <dll> <own dll>\n"
        "       fake_excel unregistered|user-unregistered\n"
        "       fake_excel scenario <%s>\n"
        "       fake_excel dump-bars --version 11|16\n"
        "       fake_excel bench commands|workbook_marks_on|workbook_marks_off <n> <reps>\n",
        tessaly::fake::ScenarioNames().c_str());
    return 100;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "record-url" && argc == 3) {
        tessaly::fake::RecordUrl(argv[2]);
        return 0;
    }
    const std::wstring argument = argc > 2 ? tessaly::win::Widen(argv[2]) : std::wstring();

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "fake_excel: COM would not start\n");
        return 101;
    }
    bool known = true;
    if (command == "bench" && argc == 5) {
        const int failed = tessaly::fake::RunBench(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
        CoUninitialize();
        return failed < 0 ? Usage() : failed;
    }
    if (command == "library" && argc == 3) {
        tessaly::fake::CheckLibrary(argument);
    } else if (command == "other-bitness" && argc == 4) {
        tessaly::fake::CheckOtherBitnessLibrary(argument, tessaly::win::Widen(argv[3]));
    } else if (command == "registered" && argc == 3) {
        tessaly::fake::CheckRegistered(argument);
    } else if (command == "unregistered" && argc == 2) {
        tessaly::fake::CheckUnregistered();
    } else if (command == "user-registered" && argc == 3) {
        tessaly::fake::CheckUserRegistered(argument);
    } else if (command == "user-unregistered" && argc == 2) {
        tessaly::fake::CheckUserUnregistered();
    } else if (command == "dump-bars" && argc == 4 && std::string(argv[2]) == "--version" &&
               (std::string(argv[3]) == "11" || std::string(argv[3]) == "16")) {
        tessaly::fake::DumpBars(argv[3]);
    } else if (command == "scenario" && argc == 3) {
        known = tessaly::fake::RunScenario(argv[2]);
    } else {
        known = false;
    }
    CoUninitialize();
    if (!known) return Usage();

    const auto& checks = tessaly::fake::Checks::Current();
    std::printf("%d checks, %d failed\n", checks.Count(), checks.Failures());
    if (checks.Count() == 0) return 102;
    return checks.Failures() > 99 ? 99 : checks.Failures();
}
