// The bookmark commands and the selection-change reaction with N bookmarks over three
// workbooks of ten sheets. Each reads the whole collection from the host, so time and
// host calls grow with N; none may grow faster than N.

#include "bench/bench_scene.h"

namespace {

using bench::HostCallMeter;
using bench::Scene;

// The reaction to every move of the selection: dead-bookmark check and the toggle's
// state, on a cell that carries no bookmark (the full scan).
void BM_SelectionChange(benchmark::State& state) {
    Scene scene;
    scene.AddBookmarks(static_cast<int>(state.range(0)));
    HostCallMeter meter(scene.excel);
    int i = 0;
    for (auto _ : state) {
        const char* cell = (i++ % 2 == 0) ? "A2" : "A3";
        meter.Start();
        scene.excel.Select(bench::BookName(0), bench::SheetName(0), cell);
        meter.Stop();
    }
    meter.Report(state);
}

// One jump, including the selection change the host raises for it.
void RunJump(benchmark::State& state, bool previous) {
    Scene scene;
    scene.AddBookmarks(static_cast<int>(state.range(0)));
    HostCallMeter meter(scene.excel);
    for (auto _ : state) {
        scene.Wait();
        meter.Start();
        if (previous)
            scene.connect.subCall_Befor();
        else
            scene.connect.subCall_Next();
        meter.Stop();
    }
    if (scene.excel.GotoLog().size() != static_cast<size_t>(state.iterations()))
        state.SkipWithError("a jump did not happen");
    meter.Report(state);
}
void BM_Next(benchmark::State& state) {
    RunJump(state, false);
}
void BM_Previous(benchmark::State& state) {
    RunJump(state, true);
}

// The toggle on a cell without a bookmark and back: add (with its mark) and delete by
// turns.
void BM_AddOrDelete(benchmark::State& state) {
    Scene scene;
    const int n = static_cast<int>(state.range(0));
    scene.AddBookmarks(n);
    HostCallMeter meter(scene.excel);
    for (auto _ : state) {
        scene.Wait();
        meter.Start();
        scene.connect.subCall_AddOrDelete();
        meter.Stop();
    }
    const int expected = n + static_cast<int>(state.iterations() % 2);
    if (scene.connect.BMs().Count() != expected) state.SkipWithError("the toggle did not run");
    meter.Report(state);
}

// Delete all without confirmation: every mark and bookmark of the three workbooks.
void BM_DeleteAll(benchmark::State& state) {
    Scene scene;
    const int n = static_cast<int>(state.range(0));
    HostCallMeter meter(scene.excel);
    for (auto _ : state) {
        state.PauseTiming();
        scene.AddBookmarks(n);
        scene.Wait();
        state.ResumeTiming();
        meter.Start();
        scene.connect.subCall_Clear();
        meter.Stop();
        if (scene.connect.BMs().Count() != 0) state.SkipWithError("bookmarks were left");
    }
    meter.Report(state);
}

}  // namespace

int main(int argc, char** argv) {
    bench::RegisterSizes("BM_SelectionChange", BM_SelectionChange);
    bench::RegisterSizes("BM_Next", BM_Next);
    bench::RegisterSizes("BM_Previous", BM_Previous);
    bench::RegisterSizes("BM_AddOrDelete", BM_AddOrDelete);
    bench::RegisterSizes("BM_DeleteAll", BM_DeleteAll);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
