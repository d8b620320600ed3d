// ui_excel: the fake Excel with the add-in's windows on a display (Wine on Xvfb).
//
//   ui_excel <screenshot folder> <scenario>...
//   ui_excel record-url <url>       the prefix's browser: notes the URL it was asked to open
//
// Each scenario opens the windows through the real library, works them with the mouse
// and the keyboard and saves screenshots in the folder. Each check prints one line;
// the exit code is the number of failed checks (capped).

#include <cstdio>
#include <string>

#include "win/common/text.h"
#include "win/common/win32.h"
#include "win/fake_excel/check.h"
#include "win/fake_excel/opened_urls.h"
#include "win/tests/ui_scenarios.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "record-url") {
        tessaly::fake::RecordUrl(argv[2]);
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: ui_excel <screenshot folder> <%s>...\n",
                     tessaly::fake::ui::UiScenarioNames().c_str());
        return 100;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "ui_excel: COM would not start\n");
        return 101;
    }
    const std::wstring shots = tessaly::win::Widen(argv[1]);
    CreateDirectoryW(shots.c_str(), nullptr);
    bool known = true;
    for (int i = 2; i < argc && known; ++i) {
        std::printf("== %s\n", argv[i]);
        known = tessaly::fake::ui::RunUiScenario(argv[i], shots);
    }
    CoUninitialize();
    if (!known) {
        std::fprintf(stderr, "ui_excel: unknown scenario; known: %s\n",
                     tessaly::fake::ui::UiScenarioNames().c_str());
        return 100;
    }
    const auto& checks = tessaly::fake::Checks::Current();
    std::printf("%d checks, %d failed\n", checks.Count(), checks.Failures());
    if (checks.Count() == 0) return 102;
    return checks.Failures() > 99 ? 99 : checks.Failures();
}
