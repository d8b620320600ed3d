// GetSetting / SaveSetting and the add-in's own application name.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "platform/linux/file_settings_store.h"
#include "platform/linux/linux_platform.h"
#include "settings/settings_store.h"
#include "settings/vb_conversions.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tessaly-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(SettingsStoreTest, AbsentValueGivesTheDefault) {
    linuxplatform::FileSettingsStore store(dir_ / "settings.ini");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Vector", "ROW"), "ROW");
    EXPECT_EQ(GetSetting(store, "App", "Bar", "RowIndex", -1), "-1");
    EXPECT_EQ(GetSetting(store, "App", "Bar", "Position", 1), "1");
    EXPECT_EQ(GetSetting(store, "App", "Bar", "Left", 0), "0");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "key1_0", ""), "");
    EXPECT_EQ(GetSetting(store, "App", "X", "Y", int64_t{8388608}), "8388608");
}

TEST_F(SettingsStoreTest, StoredTextWinsEvenWhenEmpty) {
    linuxplatform::FileSettingsStore store(dir_ / "settings.ini");
    SaveSetting(store, "App", "Setting", "Vector", "column");
    SaveSetting(store, "App", "Setting", "Confirm", "");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Vector", "ROW"), "column");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Confirm", "1"), "");
    SaveSetting(store, "App", "Setting", "Vector", "ROW");
    EXPECT_EQ(GetSetting(store, "App", "Setting", "Vector", "COLUMN"), "ROW");
}

TEST_F(SettingsStoreTest, AddInValuesLiveUnderItsApplicationName) {
    linuxplatform::LinuxPlatform platform(dir_ / "settings.ini");
    EXPECT_EQ(ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault),
              "&H800000");
    WriteSetting(platform, setting::kSection, setting::kColor, "255");
    EXPECT_EQ(platform.Settings().Read("QEL_BOOKMARK_VEROZARA", "Setting", "Color"), "255");
    EXPECT_EQ(
        CLng(ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault)),
        255);
    // Read at the moment of use: a value written elsewhere takes effect at once.
    linuxplatform::FileSettingsStore other(dir_ / "settings.ini");
    other.Write("QEL_BOOKMARK_VEROZARA", "Setting", "Color", "&H800000");
    EXPECT_EQ(CLng(ReadSetting(platform, setting::kSection, setting::kColor, "0")), 8388608);
}

TEST_F(SettingsStoreTest, DefaultsReadAsTheReadersExpect) {
    linuxplatform::LinuxPlatform platform(dir_ / "settings.ini");
    EXPECT_TRUE(
        CBool(ReadSetting(platform, setting::kSection, setting::kMark, setting::kMarkDefault)));
    EXPECT_EQ(
        Val(ReadSetting(platform, setting::kSection, setting::kConfirm, setting::kConfirmDefault)),
        1.0);
    EXPECT_EQ(Val(ReadSetting(platform, setting::kSection, setting::kSaveMark,
                              setting::kSaveMarkDefault)),
              0.0);
    EXPECT_EQ(
        CLng(ReadSetting(platform, setting::kSection, setting::kColor, setting::kColorDefault)),
        8388608);
    EXPECT_EQ(RoundHalfEven(Val(GetSetting(platform.Settings(), "QEL_BOOKMARK_VEROZARA",
                                           setting::kBarSection, "RowIndex", -1))),
              -1);
}

}  // namespace
}  // namespace tessaly
