#pragma once

// The scene every bookmark benchmark starts from: the add-in connected to the
// simulated host, three workbooks of ten worksheets, N bookmarks spread evenly over
// their thirty sheets. Standard C++ and the simulated host only, so that the COM
// benchmark under Wine builds the same scene.

#include <string>
#include <vector>

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

// The name of the workbook the open and save benchmarks open and save.
inline const std::string kSaved = "Saved.xlsx";

// A workbook of ten sheets holding N bookmarks, saved once so that its file carries
// them ("SaveMark" must be 1); the scene's own workbooks hold none.
inline sim::WorkbookSpec SavedWorkbook(Scene& scene, int n) {
    std::vector<std::string> sheets;
    for (int sheet = 0; sheet < kSheets; ++sheet) sheets.push_back(SheetName(sheet));
    scene.excel.OpenWorkbook(sim::SimpleWorkbook(kSaved, sheets));
    for (int k = 0; k < n; ++k) {
        const Spot s = SpotOf(k);
        scene.connect.BMs().Add(scene.excel.RangeRef(kSaved, s.sheet, s.cell));
    }
    scene.excel.SaveWorkbook(kSaved);
    sim::WorkbookSpec desc = scene.excel.Snapshot(kSaved);
    scene.excel.CloseWorkbook(kSaved);
    scene.connect.BMs().Check();
    return desc;
}

}  // namespace bench
