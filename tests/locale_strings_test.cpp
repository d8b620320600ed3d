// The string table, its loader and the choice of the language block.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "host/host_error.h"
#include "locale/const.h"
#include "locale/os_language.h"
#include "locale/resource_strings.h"
#include "locale/string_ids.h"
#include "platform/platform.h"

namespace tessaly {

// The offsets are the resource ids of the shipped library's string table: a name that
// changed its number would change them while the table and these tests followed it.
static_assert(str::kBarName == 0);
static_assert(str::kListCommand == 1);
static_assert(str::kAddOrDeleteCommand == 2);
static_assert(str::kNextCommand == 3);
static_assert(str::kPreviousCommand == 4);
static_assert(str::kDeleteAllCommand == 5);
static_assert(str::kSettingCommand == 6);
static_assert(str::kHelpCommand == 7);
static_assert(str::kMarkNotAddedMessage == 10);
static_assert(str::kBookmarkNotDeletedMessage == 11);
static_assert(str::kConfirmDeleteAllMessage == 12);
static_assert(str::kDeleteAllFailedMessage == 13);
static_assert(str::kMarksNotUpdatedMessage == 14);
static_assert(str::kMarksLeftOnSaveMessage == 15);
static_assert(str::kBadShortcutKeyMessage == 16);
static_assert(str::kSettingTitle == 20);
static_assert(str::kSettingMarkFrame == 21);
static_assert(str::kSettingMarkOff == 22);
static_assert(str::kSettingMarkOn == 23);
static_assert(str::kSettingColor == 24);
static_assert(str::kSettingVectorFrame == 25);
static_assert(str::kSettingVectorRow == 26);
static_assert(str::kSettingVectorColumn == 27);
static_assert(str::kSettingShortcutFrame == 28);
static_assert(str::kSettingOtherFrame == 29);
static_assert(str::kSettingConfirm == 30);
static_assert(str::kSettingSave == 31);
static_assert(str::kSettingOK == 32);
static_assert(str::kSettingCancel == 33);
static_assert(str::kListTitle == 40);
static_assert(str::kListGoto == 41);
static_assert(str::kListGotoAndClose == 42);
static_assert(str::kListClose == 43);
static_assert(str::kDeveloperSiteItem == 97);
static_assert(str::kProductMenu == 98);
static_assert(str::kMakerMenu == 99);

namespace {

// Only the locale country matters to the language decision.
class CountryPlatform : public platform::Platform {
  public:
    explicit CountryPlatform(std::string country) : country_(std::move(country)) {}
    platform::SettingsStore& Settings() override { throw std::logic_error("not used"); }
    std::string LocaleCountryName() override { return country_; }
    bool OpenUrl(const std::string&) override { return false; }
    platform::MsgAnswer MessageBox(const std::string&, const std::string&, platform::MsgIcon,
                                   platform::MsgButtons) override {
        return platform::MsgAnswer::OK;
    }
    void Beep() override {}
    double MonotonicSeconds() override { return 0; }
    platform::Clipboard& Clipboard() override { throw std::logic_error("not used"); }

  private:
    std::string country_;
};

// Restores the process-wide values and the loader after each test.
class LocaleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        SetResourceStringLoader(nullptr);
        lngResBase = kEnglishBase;
        strBarName.clear();
    }
};

// First in the file so that it sees the values the process starts with.
TEST_F(LocaleTest, EnglishIsTheBlockBeforeAnyConnection) {
    EXPECT_EQ(lngResBase, 200);
    EXPECT_EQ(ResText(str::kBarName), "Bookmark");
}

// The ids the fake loader answers.
constexpr int32_t kFakeLineFeeds = 1;
constexpr int32_t kFakeBackslashes = 2;
constexpr int32_t kFakeEmpty = 3;

std::optional<std::string> FakeLoader(int32_t id) {
    switch (id) {
        case kFakeLineFeeds:
            return std::string("one\\ntwo\\n\\n");
        case kFakeBackslashes:
            return std::string("keep\nthis\\Nand\\\\n");
        case kFakeEmpty:
            return std::string("");
        default:
            return std::nullopt;
    }
}

TEST_F(LocaleTest, BackslashNBecomesCrLfAndLineFeedsStay) {
    SetResourceStringLoader(&FakeLoader);
    EXPECT_EQ(mojLoadResString(kFakeLineFeeds), "one\r\ntwo\r\n\r\n");
    // Only a lower-case n after a backslash; a real line feed is left alone; in "\\n"
    // the scan finds the second backslash + n.
    EXPECT_EQ(mojLoadResString(kFakeBackslashes), "keep\nthis\\Nand\\\r\n");
    EXPECT_EQ(mojLoadResString(kFakeEmpty), "");
}

TEST_F(LocaleTest, MissingIdRaisesResourceNotFound) {
    for (int32_t id : {0, 99, 108, 144, 150, 234, 296, 300, -100}) {
        try {
            mojLoadResString(id);
            ADD_FAILURE() << "id " << id << " should not be found";
        } catch (const host::HostError& e) {
            EXPECT_EQ(e.Number(), 326);
            EXPECT_EQ(e.Description(),
                      "Resource with identifier '" + std::to_string(id) + "' not found");
        }
    }
}

TEST_F(LocaleTest, LoaderIsAskedOnEveryCallAndCanBeRestored) {
    SetResourceStringLoader(&FakeLoader);
    EXPECT_THROW(mojLoadResString(kEnglishBase + str::kBarName), host::HostError);
    SetResourceStringLoader(nullptr);
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kBarName), "Bookmark");
}

TEST_F(LocaleTest, BothBlocksHoldTheSameOffsets) {
    std::set<int32_t> japanese;
    std::set<int32_t> english;
    for (int32_t id = 0; id < 400; ++id) {
        if (!StringTableEntry(id)) continue;
        ASSERT_TRUE((id >= 100 && id <= 199) || (id >= 200 && id <= 299)) << id;
        (id < 200 ? japanese : english).insert(id % 100);
        EXPECT_FALSE(StringTableEntry(id)->empty()) << id;
    }
    EXPECT_EQ(japanese, english);
    const std::set<int32_t> expected = {0,  1,  2,  3,  4,  5,  6,  7,  10, 11, 12, 13,
                                        14, 15, 16, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                        29, 30, 31, 32, 33, 40, 41, 42, 43, 97, 98, 99};
    EXPECT_EQ(english, expected);
}

TEST_F(LocaleTest, OddEnglishWordingIsKeptByteForByte) {
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kDeleteAllCommand), "&Delete all bookmarks.");
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kMarksNotUpdatedMessage),
              "It failed in the update of all marks (for visual check). ");
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kMarkNotAddedMessage),
              "The mark (for visual check) cannot Add. Please release it when the seat is "
              "protected.");
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kBadShortcutKeyMessage),
              "The shortcut key overlaps or error.");
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kDeveloperSiteItem), "&Developer's Site");
    EXPECT_EQ(mojLoadResString(kEnglishBase + str::kMakerMenu), "&QEL");
}

TEST_F(LocaleTest, JapaneseTextsKeepTheirLineFeeds) {
    EXPECT_EQ(mojLoadResString(kJapaneseBase + str::kBarName), "ブックマーク");
    EXPECT_EQ(mojLoadResString(kJapaneseBase + str::kBookmarkNotDeletedMessage),
              "ブックマークを削除できません。\nシートが保護されている場合は解除して下さい。");
    const std::string saveQuestion = mojLoadResString(kJapaneseBase + str::kMarksLeftOnSaveMessage);
    EXPECT_EQ(saveQuestion.rfind("\n\n保存を続けるには、OKを押して下さい。"),
              saveQuestion.size() - std::string("\n\n保存を続けるには、OKを押して下さい。").size());
    EXPECT_NE(saveQuestion.find("「Tessaly」アドイン"), std::string::npos);
    EXPECT_EQ(saveQuestion.find('\r'), std::string::npos);
}

TEST_F(LocaleTest, JapanInAnyCaseSelectsTheJapaneseBlock) {
    for (const char* country : {"Japan", "JAPAN", "japan", "jApAn"}) {
        lngResBase = kEnglishBase;
        CountryPlatform platform(country);
        EXPECT_EQ(Function_OSLanguage(platform), "JAPAN");
        ChooseStringBlock(platform);
        EXPECT_EQ(lngResBase, 100) << country;
        EXPECT_EQ(strBarName, "ブックマーク");
        EXPECT_EQ(ResText(str::kListCommand), "ブックマークリスト(&L)");
    }
}

// Also after a connection that chose the Japanese block: each connection decides again.
TEST_F(LocaleTest, EveryOtherCountrySelectsTheEnglishBlock) {
    for (const char* country : {"United States", "", "Japan ", "Japanese", "JAPAN\t"}) {
        lngResBase = kJapaneseBase;
        CountryPlatform platform(country);
        ChooseStringBlock(platform);
        EXPECT_EQ(lngResBase, 200) << '"' << country << '"';
        EXPECT_EQ(strBarName, "Bookmark");
        EXPECT_EQ(ResText(str::kProductMenu), "&Bookmark");
    }
}

}  // namespace
}  // namespace tessaly
