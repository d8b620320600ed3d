#pragma once

// The scene every bookmark benchmark starts from: the add-in connected to the
// simulated host, three workbooks of ten worksheets, N bookmarks spread evenly over
// their thirty sheets.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "addin/Connect.h"
#include "bookmarks/clsBMs.h"
#include "locale/const.h"
#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace bench {

inline constexpr int kBooks = 3;
inline constexpr int kSheets = 10;

inline std::string BookName(int book) {
    return "Book" + std::to_string(book + 1) + ".xlsx";
}
inline std::string SheetName(int sheet) {
    return "Sheet" + std::to_string(sheet + 1);
}

// Where bookmark k of the scene lies: books and sheets in turn, rows down a column.
struct Spot {
    std::string book, sheet, cell;
};
inline Spot SpotOf(int k) {
    const int book = k % kBooks;
    const int sheet = (k / kBooks) % kSheets;
    const int row = k / (kBooks * kSheets) + 2;
    return {BookName(book), SheetName(sheet), "B" + std::to_string(row)};
}

class Scene {
  public:
    explicit Scene(bool marks = true) {
        Setting("Mark", marks ? "TRUE" : "FALSE");
        Setting("Confirm", "0");
        excel.SetVersion("11.0");
        excel.AttachClipboard(&platform.Clipboard());
        connect.AddinInstance_OnConnection(excel.Application(), 0, excel.AddIn());
        for (int book = 0; book < kBooks; ++book) {
            std::vector<std::string> sheets;
            for (int sheet = 0; sheet < kSheets; ++sheet) sheets.push_back(SheetName(sheet));
            excel.OpenWorkbook(sim::SimpleWorkbook(BookName(book), sheets));
        }
        // A cell no bookmark is on: every search and comparison runs to the end.
        excel.Select(BookName(0), SheetName(0), "A1");
    }
    ~Scene() { connect.AddinInstance_OnDisconnection(0); }

    void Setting(const std::string& key, const std::string& value) {
        platform.Set(tessaly::kSettingsApp, "Setting", key, value);
    }

    // Bookmarks 0..n-1 of the scene, straight into the collection.
    void AddBookmarks(int n) {
        for (int k = 0; k < n; ++k) {
            const Spot s = SpotOf(k);
            connect.BMs().Add(excel.RangeRef(s.book, s.sheet, s.cell));
        }
    }

    // Moves the clock past the commands' repeat guards.
    void Wait() { platform.Advance(1.0); }

    sim::SimPlatform platform;
    sim::Excel excel;
    tessaly::Connect connect{platform};
};

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
