#pragma once

// The scene (bench/scene.h) with what the Google Benchmark programs report of it.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/scene.h"

namespace bench {

// Host calls made by the timed part of each iteration, reported per iteration.
class HostCallMeter {
  public:
    explicit HostCallMeter(sim::Excel& excel) : excel_(excel) {}
    void Start() { start_ = excel_.TotalCalls(); }
    void Stop() { total_ += excel_.TotalCalls() - start_; }
    void Report(benchmark::State& state) const {
        state.counters["host_calls"] =
            benchmark::Counter(static_cast<double>(total_), benchmark::Counter::kAvgIterations);
        state.counters["bookmarks"] = static_cast<double>(state.range(0));
    }

  private:
    sim::Excel& excel_;
    int64_t start_ = 0;
    int64_t total_ = 0;
};

// Registers a benchmark for 100, 1,000 and 10,000 bookmarks, with few iterations for
// the large ones so that the whole suite stays short.
inline void RegisterSizes(const char* name, void (*fn)(benchmark::State&)) {
    struct Size {
        int bookmarks;
        int iterations;
    };
    for (Size size : {Size{100, 200}, Size{1000, 40}, Size{10000, 8}}) {
        benchmark::RegisterBenchmark(name, fn)
            ->Arg(size.bookmarks)
            ->Iterations(size.iterations)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace bench
