// Opening a workbook that holds N saved bookmarks, and saving it, with the bookmarks
// written into its document properties ("SaveMark" 1). Two other open workbooks of
// ten sheets stand by, as in the command benchmarks.

#include "bench/bench_scene.h"

namespace {

using bench::HostCallMeter;
using bench::Scene;

using bench::kSaved;
using bench::SavedWorkbook;

void RunOpen(benchmark::State& state, bool marks) {
    Scene scene(marks);
    scene.Setting("SaveMark", "1");
    const int n = static_cast<int>(state.range(0));
    const sim::WorkbookSpec desc = SavedWorkbook(scene, n);
    HostCallMeter meter(scene.excel);
    for (auto _ : state) {
        meter.Start();
        scene.excel.OpenWorkbook(desc);
        meter.Stop();
        state.PauseTiming();
        if (scene.connect.BMs().Count() != n) state.SkipWithError("bookmarks were not read");
        scene.excel.CloseWorkbook(kSaved);
        scene.connect.BMs().Check();
        state.ResumeTiming();
    }
    meter.Report(state);
}
void BM_OpenMarksOn(benchmark::State& state) {
    RunOpen(state, true);
}
void BM_OpenMarksOff(benchmark::State& state) {
    RunOpen(state, false);
}

// A save takes every mark off (marks on) and rewrites the property; the selection
// change after it, which puts the marks back, is not timed.
void RunSave(benchmark::State& state, bool marks) {
    Scene scene(marks);
    scene.Setting("SaveMark", "1");
    const int n = static_cast<int>(state.range(0));
    scene.excel.OpenWorkbook(SavedWorkbook(scene, n));
    HostCallMeter meter(scene.excel);
    for (auto _ : state) {
        meter.Start();
        const bool saved = scene.excel.SaveWorkbook(kSaved);
        meter.Stop();
        state.PauseTiming();
        if (!saved) state.SkipWithError("the save was cancelled");
        scene.excel.Select(kSaved, bench::SheetName(0), "A1");
        state.ResumeTiming();
    }
    meter.Report(state);
}
void BM_SaveMarksOn(benchmark::State& state) {
    RunSave(state, true);
}
void BM_SaveMarksOff(benchmark::State& state) {
    RunSave(state, false);
}

}  // namespace

int main(int argc, char** argv) {
    bench::RegisterSizes("BM_OpenMarksOn", BM_OpenMarksOn);
    bench::RegisterSizes("BM_OpenMarksOff", BM_OpenMarksOff);
    bench::RegisterSizes("BM_SaveMarksOn", BM_SaveMarksOn);
    bench::RegisterSizes("BM_SaveMarksOff", BM_SaveMarksOff);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
