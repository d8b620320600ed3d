// GetSetting / SaveSetting and the add-in's own application name.

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "settings/vb_conversions.h"
#include "sim/sim_platform.h"

namespace tessaly {
namespace {

TEST(SettingsStoreTest, AbsentValueGivesTheDefaultAsText) {
    sim::SimPlatform platform;
    platform::SettingsStore& store = platform.Settings();
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Vector", "ROW"), "ROW");
    EXPECT_EQ(GetSetting(store, "App", "Bar", "RowIndex", -1), "-1");
    EXPECT_EQ(GetSetting(store, "App", "Bar", "Left", 0), "0");
    EXPECT_EQ(GetSetting(store, "App", "X", "Y", int64_t{8388608}), "8388608");
}

TEST(SettingsStoreTest, StoredTextWinsEvenWhenEmpty) {
    sim::SimPlatform platform;
    platform::SettingsStore& store = platform.Settings();
    SaveSetting(store, "App", "Setting", "Vector", "column");
    SaveSetting(store, "App", "Setting", "Confirm", "");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Vector", "ROW"), "column");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Confirm", "1"), "");
}

TEST(SettingsStoreTest, AddInValuesLiveUnderItsApplicationName) {
    sim::SimPlatform platform;
    WriteSetting(platform, setting::kSection, setting::kColor, "255");
    EXPECT_EQ(platform.Get("QEL_BOOKMARK_VEROZARA", "Setting", "Color"), "255");
    platform.Set("QEL_BOOKMARK_VEROZARA", "Setting", "Color", "&H800000");
    EXPECT_EQ(CLng(ReadSetting(platform, setting::kSection, setting::kColor, "0")), 8388608);
}

// An empty store reads as "Vector" = "ROW", "Confirm" = "1", "Mark" = "TRUE",
// "Color" = "&H800000", "SaveMark" = "0".
TEST(SettingsStoreTest, DefaultsReadAsTheReadersExpect) {
    sim::SimPlatform platform;
    auto read = [&](const char* key, const char* def) {
        return ReadSetting(platform, setting::kSection, key, def);
    };
    EXPECT_EQ(read(setting::kVector, setting::kVectorDefault), "ROW");
    EXPECT_EQ(Val(read(setting::kConfirm, setting::kConfirmDefault)), 1.0);
    EXPECT_TRUE(CBool(read(setting::kMark, setting::kMarkDefault)));
    EXPECT_EQ(CLng(read(setting::kColor, setting::kColorDefault)), 8388608);
    EXPECT_EQ(Val(read(setting::kSaveMark, setting::kSaveMarkDefault)), 0.0);
}

}  // namespace
}  // namespace tessaly
