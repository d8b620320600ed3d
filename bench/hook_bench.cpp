// The keyboard hook sees every key event of the desktop. These measure what it costs
// for the events it lets pass: a key going down, and a release that matches no entry
// of a full key table (five shortcuts).

#include <benchmark/benchmark.h>

#include <string>

#include "addin/Connect.h"
#include "locale/const.h"
#include "platform/platform.h"
#include "settings/Hook.h"
#include "sim/excel.h"
#include "sim/keyboard.h"
#include "sim/sim_platform.h"

namespace {

struct ConnectedAddin {
    ConnectedAddin() {
        const char* rows[][2] = {
            {"Ctrl", "HOME"}, {"Ctrl", "END"}, {"Ctrl+Shift", "PGUP"}, {"Alt", "F5"}, {"", "F12"}};
        for (int row = 0; row < 5; ++row) {
            platform.Set(tessaly::kSettingsApp, "Setting", "key1_" + std::to_string(row),
                         rows[row][0]);
            platform.Set(tessaly::kSettingsApp, "Setting", "key2_" + std::to_string(row),
                         rows[row][1]);
        }
        excel.NewWorkbook();
        connect.AddinInstance_OnConnection(excel.Application(), 0, excel.AddIn());
    }

    sim::SimPlatform platform;
    sim::Excel excel;
    sim::SimKeyboard keyboard{excel, platform};
    tessaly::Connect connect{platform};
};

void RunHook(benchmark::State& state, uint32_t vkCode, uint32_t flags) {
    ConnectedAddin addin;
    if (tessaly::lngHookHandle == 0 || tessaly::arrShortcutKeys.size() != 6) {
        state.SkipWithError("the hook was not installed with five entries");
        return;
    }
    platform::KeyboardHookRecord record;
    record.vkCode = vkCode;
    record.flags = flags;
    const intptr_t lParam = reinterpret_cast<intptr_t>(&record);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tessaly::fncKeyboardHookProc(platform::kHookActionCode, 0x100, lParam));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// A key going down (also every auto-repeat): two tests and the call down the chain.
void BM_HookKeyDown(benchmark::State& state) {
    RunHook(state, 36, 0);
}
BENCHMARK(BM_HookKeyDown);

// A release of a key that no entry has ("Q"): five key-code comparisons, no queries.
void BM_HookReleaseMatchingNothing(benchmark::State& state) {
    RunHook(state, 'Q', platform::kKeyReleasedFlag);
}
BENCHMARK(BM_HookReleaseMatchingNothing);

}  // namespace

BENCHMARK_MAIN();
