#pragma once

// The add-in on the simulated host with a keyboard attached, for the shortcut keys and
// the keyboard hook.

#include <gtest/gtest.h>

#include <string>

#include "addin/Connect.h"
#include "locale/const.h"
#include "settings/Hook.h"
#include "sim/excel.h"
#include "sim/keyboard.h"
#include "sim/sim_platform.h"

namespace tessaly_test {

class KeyboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(tessaly::lngHookHandle, 0) << "a hook from an earlier test is still installed";
        excel.NewWorkbook("Book1");
    }

    // The shortcut of a command row, as the settings window stores it.
    void Store(int row, const std::string& modifiers, const std::string& key) {
        platform.Set(tessaly::kSettingsApp, "Setting", "key1_" + std::to_string(row), modifiers);
        platform.Set(tessaly::kSettingsApp, "Setting", "key2_" + std::to_string(row), key);
    }
    void ConnectAddin() {
        connect.AddinInstance_OnConnection(excel.Application(), 0, excel.AddIn());
    }
    void DisconnectAddin() { connect.AddinInstance_OnDisconnection(0); }

    sim::SimPlatform platform;
    sim::Excel excel;
    sim::SimKeyboard keyboard{excel, platform};
    tessaly::Connect connect{platform};
};

}  // namespace tessaly_test
