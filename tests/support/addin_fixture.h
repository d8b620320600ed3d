#pragma once

// The real add-in connected to the simulated host, driven as a user would.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace tessaly_test {

inline constexpr const char* kApp = "QEL_BOOKMARK_VEROZARA";

class AddinTest : public ::testing::Test {
  protected:
    AddinTest();
    ~AddinTest() override;

    // Connects a new Connect object on a host of that version.
    void ConnectAddin(const std::string& version = "11.0");
    void DisconnectAddin();

    // Section "Setting" of the store.
    void SetSetting(const std::string& key, const std::string& value);
    std::optional<std::string> Setting(const std::string& section, const std::string& key) const;

    // Clicks the menu item or toolbar button with that caption; the clock moves on a
    // second first so that the commands' repeat guards never interfere.
    void Click(const std::string& barName, const std::string& caption);
    // The texts of the message boxes shown so far.
    std::vector<std::string> MessageTexts() const;

    // The add-in's toolbar as the host has it.
    std::optional<sim::CommandBarInfo> Toolbar() const;

    // Opens a workbook of those worksheets, as from a file.
    void Open(const std::string& book, std::vector<std::string> sheets = {"Sheet1"});
    // Bookmarks the cell through the add/delete command, so that the buttons follow as
    // for a user.
    void Bookmark(const std::string& book, const std::string& sheet, const std::string& cell);
    // "Book!Sheet!$A$1" of the active cell.
    std::string Where() const;

    sim::Excel excel;
    sim::SimPlatform platform;
    std::unique_ptr<tessaly::Connect> addin;
};

}  // namespace tessaly_test
