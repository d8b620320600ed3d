// Reading and saving .xlsx files whose size is in their number of cells or custom
// properties, at N = 10^4, 10^5 and 10^6: time per item should stay flat as N grows.

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sim/xlsx/xlsx.h"

namespace {

// A file in a folder of its own, removed with it.
class ScratchFile {
  public:
    ScratchFile() {
        std::string pattern = "/tmp/tessaly-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        folder_ = pattern;
    }
    ~ScratchFile() { std::filesystem::remove_all(folder_); }
    std::string Path() const { return folder_ + "/Data.xlsx"; }

  private:
    std::string folder_;
};

// A new workbook of one sheet saved to path, its sheet part then replaced by sheetData.
void WriteSheet(const std::string& path, const std::string& sheetData) {
    sim::WorkbookSpec workbook;
    workbook.sheets.push_back({});
    workbook.sheets[0].name = "Sheet1";
    if (!sim::xlsx::Write("", workbook, path)) std::abort();
    const std::string xml =
        R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
        sheetData + "</worksheet>";
    zip_t* zip = zip_open(path.c_str(), 0, nullptr);
    zip_source_t* source =
        zip == nullptr ? nullptr : zip_source_buffer(zip, xml.data(), xml.size(), 0);
    if (source == nullptr ||
        zip_file_add(zip, "xl/worksheets/sheet1.xml", source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) <
            0 ||
        zip_close(zip) != 0) {
        std::abort();
    }
}

std::string Row(int row) {
    const std::string r = std::to_string(row);
    return "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + r + "</v></c></row>";
}

void RunRead(benchmark::State& state, bool repeated) {
    const int n = static_cast<int>(state.range(0));
    ScratchFile file;
    // N cells; or, as a hostile file has them, N/2 cells and then the same N/2 again.
    const int distinct = repeated ? n / 2 : n;
    std::string sheetData = "<sheetData>";
    for (int row = 1; row <= n; ++row) sheetData += Row((row - 1) % distinct + 1);
    WriteSheet(file.Path(), sheetData + "</sheetData>");
    for (auto _ : state) {
        const sim::xlsx::ReadResult result = sim::xlsx::Read(file.Path());
        if (static_cast<bool>(result) == repeated) state.SkipWithError("unexpected result");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
void BM_ReadCells(benchmark::State& state) {
    RunRead(state, false);
}
void BM_ReadRepeatedCells(benchmark::State& state) {
    RunRead(state, true);
}

// Saving over a file of N text properties with every value changed: each is matched to
// its place in the file.
void BM_SaveCustomProperties(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ScratchFile file;
    sim::WorkbookSpec workbook;
    workbook.sheets.push_back({});
    workbook.sheets[0].name = "Sheet1";
    for (int i = 0; i < n; ++i) workbook.customProperties.push_back({"P" + std::to_string(i), "a"});
    if (!sim::xlsx::Write("", workbook, file.Path())) std::abort();
    for (auto& property : workbook.customProperties) property.value = "b";
    for (auto _ : state) {
        const sim::xlsx::WriteResult result = sim::xlsx::Write(file.Path(), workbook, file.Path());
        if (!result) state.SkipWithError(result.description.c_str());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_ReadCells)->Apply(Sizes);
BENCHMARK(BM_ReadRepeatedCells)->Apply(Sizes);
BENCHMARK(BM_SaveCustomProperties)->Apply(Sizes);
BENCHMARK_MAIN();
