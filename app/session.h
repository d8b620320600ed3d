#pragma once

// One session of the tessaly program: the simulated spreadsheet host with its keyboard
// and window front end, the add-in connected to it, and the .xlsx files behind the open
// workbooks. The user actions here are the host's own (open, save, select, edit...);
// each raises the events the host raises. Failures are CommandError sentences.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "app/app_platform.h"
#include "app/console.h"
#include "app/text.h"
#include "app/window_front_end.h"
#include "sim/excel.h"
#include "sim/keyboard.h"
#include "sim/xlsx/xlsx.h"

namespace app {

// The main window's title while the host runs in this program.
inline constexpr const char* kHostCaption = "Spreadsheet - Tessaly";

struct ConnectOptions {
    std::string hostVersion = "11.0";
    std::optional<std::string> country;  // the locale's when not given
};

// A cell reference as a user types it: "B3", "B2:D4", "Sheet2!B3", "'My Sheet'!B3",
// "[Book.xlsx]Sheet2!B3". Empty book or sheet: the active one.
struct CellReference {
    std::string book;
    std::string sheet;
    std::string address;
};
CellReference ParseCellReference(const std::string& text);

// A run of rows ("3", "3:5") or columns ("C", "C:E", "3"): first and count.
struct LineRange {
    int32_t first = 0;
    int32_t count = 0;
};
LineRange ParseRows(const std::string& text);
LineRange ParseColumns(const std::string& text);

// Opens in the host a workbook read from the file at `path`. A workbook the host refuses
// (two sheets of one name, no visible sheet...) is a file that cannot be opened.
void OpenReadWorkbook(sim::Excel& excel, sim::WorkbookSpec workbook, const std::string& path);

// A file as the transcript shows it: relative to the working folder when it lies inside
// it, so that scripts run in a scratch folder print the same everywhere.
std::string ShownPath(const std::filesystem::path& path);

class Session {
  public:
    Session(Console& console, std::filesystem::path settingsFile);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Console& Out() { return console_; }
    sim::Excel& Excel() { return excel_; }
    AppPlatform& Platform() { return platform_; }
    sim::SimKeyboard& Keyboard() { return keyboard_; }
    WindowFrontEnd& Windows() { return windows_; }

    // ---- The add-in ----
    // Null while the add-in is not connected.
    tessaly::Connect* Addin() { return connected_ ? addin_.get() : nullptr; }
    // Any Connect object, also a disconnected one (its state can still be read).
    tessaly::Connect* LastAddin() { return addin_.get(); }
    void ConnectAddin(const ConnectOptions& options);
    void DisconnectAddin();
    const ConnectOptions& Connection() const { return connection_; }

    // ---- Time: every user action comes this many seconds after the one before ----
    void SetPace(double seconds) { pace_ = seconds; }
    double Pace() const { return pace_; }
    void Tick() { platform_.Advance(pace_); }

    // ---- Workbooks and their files ----
    std::string Open(const std::string& path);
    // How workbooks are read by Open: their budget, and progress shown while they are.
    void SetReadOptions(sim::xlsx::ReadOptions options) { readOptions_ = std::move(options); }
    std::string New(std::optional<std::string> name);
    // Saves to the workbook's file; false when the add-in cancelled the save.
    bool Save(const std::string& book);
    bool SaveAs(const std::string& book, const std::string& path);
    void Close(const std::string& book);
    void Activate(const std::string& book);
    // The file behind an open workbook; nothing for a workbook never saved.
    std::optional<std::filesystem::path> PathOf(const std::string& book) const;

    // The named workbook as the host spells it, or the active one for "".
    std::string Book(const std::string& name) const;
    // The named sheet of the workbook as the host spells it, or its active sheet for "".
    std::string Sheet(const std::string& book, const std::string& name) const;
    bool IsWorksheet(const std::string& book, const std::string& sheet) const;

    // What each bookmark record last read as, so that a bookmark whose workbook, sheet
    // or cell has gone can still be told apart.
    std::map<const void*, std::string>& KnownBookmarks() { return knownBookmarks_; }

  private:
    Console& console_;
    sim::Excel excel_;
    AppPlatform platform_;
    sim::SimKeyboard keyboard_;
    WindowFrontEnd windows_;
    std::unique_ptr<tessaly::Connect> addin_;
    bool connected_ = false;
    ConnectOptions connection_;
    double pace_ = 1.0;
    std::map<std::string, std::filesystem::path> files_;  // workbook name -> file
    sim::xlsx::ReadOptions readOptions_;
    std::map<const void*, std::string> knownBookmarks_;
};

// Runs a simulator action and turns its refusals (and host errors) into CommandError
// sentences.
template <class Action>
auto HostAction(Action&& action) -> decltype(action()) {
    try {
        return action();
    } catch (const sim::SimError& e) {
        throw CommandError(Sentence(e.what()));
    } catch (const host::HostError& e) {
        throw CommandError(
            Sentence("the host refused: (" + std::to_string(e.Number()) + ") " + e.Description()));
    }
}

}  // namespace app
