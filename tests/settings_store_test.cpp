// GetSetting / SaveSetting and the add-in's own application name.

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "sim/sim_platform.h"
#include "text/vb_conversions.h"

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

// Inside a scope each value is read from the store once, absent ones included; the
// add-in's own writes are seen at once; other platforms and the time after the scope
// read the store again.
TEST(SettingsStoreTest, AReadScopeReadsEachValueOnceAndSeesItsOwnWrites) {
    sim::SimPlatform platform, other;
    const char* kApp = "QEL_BOOKMARK_VEROZARA";
    platform.Set(kApp, "Setting", "Color", "255");
    {
        SettingsReadScope outer(platform);
        EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kColor, "0"), "255");
        EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kMark, "TRUE"), "TRUE");
        platform.Set(kApp, "Setting", "Color", "1");  // behind the add-in's back
        platform.Set(kApp, "Setting", "Mark", "FALSE");
        {
            SettingsReadScope inner(platform);
            EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kColor, "0"), "255");
        }
        EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kMark, "TRUE"), "TRUE");
        WriteSetting(platform, setting::kSection, setting::kColor, "7");
        EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kColor, "0"), "7");
        EXPECT_EQ(platform.Get(kApp, "Setting", "Color"), "7");
        other.Set(kApp, "Setting", "Color", "9");
        EXPECT_EQ(ReadSetting(other, setting::kSection, setting::kColor, "0"), "9");
    }
    EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kMark, "TRUE"), "FALSE");
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
