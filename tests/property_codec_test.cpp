#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bookmarks/property_text.h"

namespace tessaly {
namespace {

using Entries = std::vector<PropertyEntry>;

TEST(PropertyCodec, EncodesEntriesInOrderWithATrailingSemicolon) {
    EXPECT_EQ(EncodeBookmarkText({{1, "$C$5"}, {3, "$AB$12"}}),
              std::vector<std::string>{"1:$C$5;3:$AB$12;"});
}

TEST(PropertyCodec, NoEntriesGiveNoText) {
    EXPECT_TRUE(EncodeBookmarkText({}).empty());
}

TEST(PropertyCodec, PartsHoldWholeEntriesUpToTheLimit) {
    Entries entries;
    for (int i = 1; i <= 100; ++i) entries.push_back({i % 7 + 1, "$A$" + std::to_string(i)});
    std::vector<std::string> parts = EncodeBookmarkText(entries);
    ASSERT_GT(parts.size(), 1u);

    std::string joined;
    for (const std::string& part : parts) {
        EXPECT_LE(part.size(), kPropertyTextLimit);
        ASSERT_FALSE(part.empty());
        EXPECT_EQ(part.back(), ';');
        // Each part alone reads back as whole entries.
        EXPECT_FALSE(DecodeBookmarkText(part).empty());
        joined += part;
    }
    EXPECT_EQ(DecodeBookmarkText(joined), entries);
    // A part is only closed when the next entry would not fit.
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        size_t next = parts[i + 1].find(';') + 1;
        EXPECT_GT(parts[i].size() + next, kPropertyTextLimit);
    }
}

TEST(PropertyCodec, AnEntryFillingThePartExactlyStaysInIt) {
    // "1:$AB$1234;" is 11 characters: two fill a limit of 22 exactly.
    EXPECT_EQ(EncodeBookmarkText({{1, "$AB$1234"}, {1, "$AB$1234"}, {2, "$A$1"}}, 22),
              (std::vector<std::string>{"1:$AB$1234;1:$AB$1234;", "2:$A$1;"}));
}

TEST(PropertyCodec, LeavesOutEntriesThatCouldNotBeReadBack) {
    EXPECT_EQ(EncodeBookmarkText({{0, "$A$1"},
                                  {-2, "$A$2"},
                                  {1, "$A$1:$B$2"},
                                  {1, "$A;$3"},
                                  {1, std::string(300, 'A')},
                                  {2, "$B$2"}}),
              std::vector<std::string>{"2:$B$2;"});
}

TEST(PropertyCodec, DecodesTheWrittenForm) {
    EXPECT_EQ(DecodeBookmarkText("1:$C$5;3:$AB$12;"), (Entries{{1, "$C$5"}, {3, "$AB$12"}}));
    EXPECT_EQ(DecodeBookmarkText("1:$C$5"), (Entries{{1, "$C$5"}}));  // last ";" missing
    EXPECT_EQ(DecodeBookmarkText("2:$A$1;2:$A$1;"), (Entries{{2, "$A$1"}, {2, "$A$1"}}));
}

TEST(PropertyCodec, SheetNumberReadsLikeVal) {
    EXPECT_EQ(DecodeBookmarkText(" 1\t2\n:$A$1;"), (Entries{{12, "$A$1"}}));
    EXPECT_EQ(DecodeBookmarkText("3abc:$A$1;"), (Entries{{3, "$A$1"}}));
    EXPECT_EQ(DecodeBookmarkText("abc:$A$1;"), (Entries{{0, "$A$1"}}));
    EXPECT_EQ(DecodeBookmarkText(":$A$1;"), (Entries{{0, "$A$1"}}));
    EXPECT_EQ(DecodeBookmarkText("&H2:$A$1;"), (Entries{{2, "$A$1"}}));
}

TEST(PropertyCodec, DropsMalformedEntriesAndKeepsTheOthers) {
    EXPECT_EQ(DecodeBookmarkText("1:$A$1;junk;;2:$B$2;"), (Entries{{1, "$A$1"}, {2, "$B$2"}}));
    // Only the text between the first and the second ":" is the address.
    EXPECT_EQ(DecodeBookmarkText("1:$A$1:$B$2;"), (Entries{{1, "$A$1"}}));
    EXPECT_EQ(DecodeBookmarkText("1:;"), (Entries{{1, ""}}));
    // Numbers that are not whole 32-bit numbers name no sheet.
    EXPECT_TRUE(DecodeBookmarkText("1.5:$A$1;99999999999:$A$1;1e400:$A$1;").empty());
    EXPECT_EQ(DecodeBookmarkText("-1:$A$1;"), (Entries{{-1, "$A$1"}}));
}

TEST(PropertyCodec, EmptyAndSeparatorOnlyTexts) {
    EXPECT_TRUE(DecodeBookmarkText("").empty());
    EXPECT_TRUE(DecodeBookmarkText(";;;").empty());
    // A lone ":" is an entry with sheet 0 and no address, which no workbook resolves.
    EXPECT_EQ(DecodeBookmarkText(":"), (Entries{{0, ""}}));
}

TEST(PropertyCodec, GarbageNeverThrows) {
    std::mt19937 random(20240611);
    const std::string alphabet =
        "0123456789:;$&HhOoEeDd.+- \t\n\r\xff\x80"
        "A";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        size_t length = random() % 80;
        for (size_t i = 0; i < length; ++i) {
            text += (round % 3 == 0) ? static_cast<char>(random() % 256)
                                     : alphabet[random() % alphabet.size()];
        }
        EXPECT_NO_THROW(DecodeBookmarkText(text)) << text;
    }
    EXPECT_NO_THROW(DecodeBookmarkText(std::string(100000, ';')));
    EXPECT_NO_THROW(DecodeBookmarkText("&H" + std::string(5000, 'F') + ":$A$1;"));
    EXPECT_NO_THROW(DecodeBookmarkText(std::string(5000, '9') + ":$A$1;"));
}

TEST(PropertyCodec, PartNames) {
    EXPECT_EQ(BookmarkPropertyName(1), "QEL_BOOKMARK");
    EXPECT_EQ(BookmarkPropertyName(2), "QEL_BOOKMARK_2");
    EXPECT_EQ(BookmarkPropertyName(12), "QEL_BOOKMARK_12");
}

}  // namespace
}  // namespace tessaly
