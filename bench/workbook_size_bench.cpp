// Time and peak memory of reading a workbook of 10^5, 10^6 and 10^7 cells: as
// `tessaly bookmarks` reads it (workbook part and properties only) and as a session opens
// it (every cell into the simulated host); and of opening it, changing one cell and saving
// it over itself. Each case runs in a child process of its own, so its peak resident
// memory (the child's ru_maxrss) is its own.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "sim/excel.h"
#include "sim/xlsx/xlsx.h"

namespace {

constexpr int kColumns = 10;
constexpr int kStrings = 1000;

// Big.xlsx of n cells: ten columns, five of numbers and five of shared strings (a
// thousand distinct texts), as a report's data sheet; a custom property for bookmarks.
std::string Generate(int64_t n) {
    static std::map<int64_t, std::string> made;
    if (made.count(n)) return made[n];
    static const std::string folder = "/tmp/tessaly-size-bench-" + std::to_string(getpid());
    static const struct Cleanup {
        ~Cleanup() { std::filesystem::remove_all(folder); }
    } cleanup;
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Big" + std::to_string(n) + ".xlsx";
    sim::WorkbookSpec book = sim::SimpleWorkbook("Big.xlsx", {"Data"});
    book.customProperties.push_back({"QEL_BOOKMARK", "1:$B$2;1:$C$3;"});
    if (!sim::xlsx::Write("", book, path)) std::abort();

    const std::string sheet = folder + "/sheet.xml";
    const std::string strings = folder + "/strings.xml";
    {
        std::ofstream out(sheet, std::ios::binary);
        out << R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
               R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
        const int64_t rows = n / kColumns;
        std::string line;
        for (int64_t r = 1; r <= rows; ++r) {
            const std::string rr = std::to_string(r);
            line = "<row r=\"" + rr + "\">";
            for (int c = 0; c < kColumns; ++c) {
                const std::string ref = std::string(1, static_cast<char>('A' + c)) + rr;
                if (c < kColumns / 2) {
                    line += "<c r=\"" + ref + "\"><v>" + std::to_string(r * 7 + c) + "." +
                            std::to_string(c + 1) + "</v></c>";
                } else {
                    line += "<c r=\"" + ref + "\" t=\"s\"><v>" +
                            std::to_string((r * kColumns + c) % kStrings) + "</v></c>";
                }
            }
            out << line << "</row>";
        }
        out << "</sheetData></worksheet>";
        std::ofstream sst(strings, std::ios::binary);
        sst << R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
               R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";
        for (int i = 0; i < kStrings; ++i) sst << "<si><t>Region " << i << "</t></si>";
        sst << "</sst>";
    }
    zip_t* zip = zip_open(path.c_str(), 0, nullptr);
    if (zip == nullptr) std::abort();
    const auto add = [&](const std::string& file, const char* name) {
        zip_source_t* source = zip_source_file(zip, file.c_str(), 0, -1);
        if (source == nullptr || zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) < 0)
            std::abort();
    };
    add(sheet, "xl/worksheets/sheet1.xml");
    add(strings, "xl/sharedStrings.xml");
    // The shared strings part needs its relationship.
    const std::string rels =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
        R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
        R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)";
    zip_source_t* relsSource = zip_source_buffer(zip, rels.data(), rels.size(), 0);
    if (zip_file_add(zip, "xl/_rels/workbook.xml.rels", relsSource, ZIP_FL_OVERWRITE) < 0)
        std::abort();
    if (zip_close(zip) != 0) std::abort();
    std::filesystem::remove(sheet);
    std::filesystem::remove(strings);
    return made[n] = path;
}

// Runs what in a child; its seconds and peak resident kilobytes. What may write a double
// (the seconds of a part of its work) to the descriptor it is given; it is read into inner.
template <class F>
std::pair<double, long> InChild(F&& what, double* inner = nullptr) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) std::abort();
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        what(pipeEnds[1]);
        std::_Exit(0);
    }
    close(pipeEnds[1]);
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
    double reported = 0;
    if (inner != nullptr && read(pipeEnds[0], &reported, sizeof reported) == sizeof reported) {
        *inner = reported;
    }
    close(pipeEnds[0]);
    return {seconds, usage.ru_maxrss};
}

void Run(benchmark::State& state, bool cells) {
    const int64_t n = state.range(0);
    const std::string path = Generate(n);
    // A child that reads nothing: the floor every case stands on.
    const long floorKb = InChild([](int) {}).second;
    for (auto _ : state) {
        const auto [seconds, peakKb] = InChild([&](int) {
            sim::xlsx::ReadOptions options;
            options.cells = cells;
            const sim::xlsx::ReadResult read = sim::xlsx::Read(path, options);
            if (!read) std::_Exit(1);
            const std::string name = read.workbook.name;
            sim::Excel excel;
            excel.OpenWorkbook(std::move(read.workbook));  // as a session opens it
            if (!excel.CustomProperty(name, "QEL_BOOKMARK")) std::_Exit(1);
        });
        state.SetIterationTime(seconds);
        state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
        state.counters["bytes_per_cell"] =
            static_cast<double>(peakKb - floorKb) * 1024.0 / static_cast<double>(n);
        state.counters["cells_per_s"] = static_cast<double>(n) / seconds;
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

void BM_Bookmarks(benchmark::State& state) {
    Run(state, false);
}
void BM_Open(benchmark::State& state) {
    Run(state, true);
}

// Opens the workbook as a session does, changes one cell in its middle and saves it over
// itself: the save streams the changed sheet, so its memory is that of the cells opened
// (the host's table and the save's copy of the cells as read) and the part written, not
// a tree of the sheet. Times: the whole child, and the save alone.
void BM_OpenChangeSave(benchmark::State& state) {
    const int64_t n = state.range(0);
    const std::string source = Generate(n);
    const std::string path = source.substr(0, source.rfind('.')) + "-saved.xlsx";
    const long floorKb = InChild([](int) {}).second;
    for (auto _ : state) {
        std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
        double saveSeconds = 0;
        const auto [seconds, peakKb] = InChild(
            [&](int report) {
                sim::xlsx::ReadResult read = sim::xlsx::Read(path);
                if (!read) std::_Exit(1);
                const std::string cell = "C" + std::to_string(n / kColumns / 2);
                read.workbook.sheets[0].cells.Set(cell, "changed");
                const auto start = std::chrono::steady_clock::now();
                if (!sim::xlsx::Write(path, read.workbook, path)) std::_Exit(1);
                const double save =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                if (write(report, &save, sizeof save) != sizeof save) std::_Exit(1);
            },
            &saveSeconds);
        state.SetIterationTime(seconds);
        state.counters["save_s"] = saveSeconds;
        state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
        state.counters["bytes_per_cell"] =
            static_cast<double>(peakKb - floorKb) * 1024.0 / static_cast<double>(n);
    }
    const sim::xlsx::ReadResult back = sim::xlsx::Read(path);
    if (!back ||
        back.workbook.sheets[0].cells.Text("C" + std::to_string(n / kColumns / 2)) != "changed") {
        state.SkipWithError("the saved file does not hold the change");
    }
    std::filesystem::remove(path);
}

// Each case once per size, in a child process of its own, timed by the child.
void WorkbookSizes(benchmark::internal::Benchmark* b) {
    b->Arg(100000)->Arg(1000000)->Arg(10000000)->Iterations(1)->UseManualTime()->Unit(
        benchmark::kMillisecond);
}

BENCHMARK(BM_Bookmarks)->Apply(WorkbookSizes);
BENCHMARK(BM_Open)->Apply(WorkbookSizes);
BENCHMARK(BM_OpenChangeSave)->Apply(WorkbookSizes);

}  // namespace

BENCHMARK_MAIN();
