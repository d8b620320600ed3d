// The compact store of a sheet's cells: what goes in comes back exactly as given.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/cell_table.h"
#include "sim/excel.h"

namespace {

std::vector<std::string> Listing(const sim::CellTable& cells) {
    std::vector<std::string> out;
    cells.ForEach([&](int32_t row, int32_t col, std::string_view text) {
        out.push_back(std::to_string(row) + "," + std::to_string(col) + "=" + std::string(text));
    });
    return out;
}

// Numbers are kept unboxed, so each spelling must survive the trip: a number written
// another way than the shortest is text that happens to look like one.
TEST(SimCellTable, TextsComeBackAsGivenWhetherOrNotTheyLookLikeNumbers) {
    const std::vector<std::string> texts = {"12.75", "1.0",
                                            "007",   "1e5",
                                            "-0",    "0",
                                            "1E+21", "3.141592653589793",
                                            "0.1",   "  5",
                                            "5 ",    "nan",
                                            "1,5",   std::string(300, 'x'),
                                            "日本語"};
    sim::CellTable cells;
    for (size_t i = 0; i < texts.size(); ++i)
        cells.Append(static_cast<int32_t>(i + 1), 1, texts[i]);
    ASSERT_FALSE(cells.Finish());
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(cells.Text(static_cast<int32_t>(i + 1), 1), texts[i]) << texts[i];
    // Repeated texts are stored once but read back in each cell.
    cells.Set("B1", "1.0");
    cells.Set("$C$1", texts[13]);
    EXPECT_EQ(cells.Text("B1"), "1.0");
    EXPECT_EQ(cells.Text(1, 3), texts[13]);
}

TEST(SimCellTable, OutOfOrderCellsAreSortedAndTheLastOfOnePositionWins) {
    sim::CellTable cells;
    cells.Append(2, 1, "b");
    cells.Append(1, 3, "first");
    cells.Append(1, 2, "a");
    cells.Append(1, 3, "second");
    cells.Append(1, 4, "");  // nothing: an empty text is an empty cell
    const auto twice = cells.Finish();
    ASSERT_TRUE(twice);
    EXPECT_EQ(*twice, std::make_pair(1, 3));
    EXPECT_EQ(Listing(cells), (std::vector<std::string>{"1,2=a", "1,3=second", "2,1=b"}));
    EXPECT_FALSE(cells.Finish());  // already sorted: nothing more to name

    cells.Set(1, 3, "");
    cells.Set(1, 1, "new");
    EXPECT_EQ(Listing(cells), (std::vector<std::string>{"1,1=new", "1,2=a", "2,1=b"}));
}

// A cell typed over again and again keeps the table the size of what it shows.
TEST(SimCellTable, TextsEditedAwayDoNotAccumulate) {
    sim::CellTable cells = {{"A1", "kept"}, {"A2", "shared"}, {"A3", "shared"}};
    for (int i = 0; i < 1000; ++i) cells.Set(5, 5, std::to_string(i) + std::string(10000, 'x'));
    EXPECT_LT(cells.TextBytes(), 3u << 20);
    EXPECT_EQ(cells.Text(5, 5), "999" + std::string(10000, 'x'));
    EXPECT_EQ(Listing(cells)[0], "1,1=kept");
    EXPECT_EQ(cells.Text("A3"), "shared");
    // A copy shares the cells until one of them changes.
    sim::CellTable copy = cells;
    copy.Set("A1", "changed");
    EXPECT_EQ(cells.Text("A1"), "kept");
    EXPECT_EQ(copy.Text("A1"), "changed");
}

TEST(SimCellTable, RemapMovesAndDropsCellsAndKeepsTheOrder) {
    sim::CellTable cells = {{"A1", "x"}, {"A2", "y"}, {"B3", "2.5"}};
    // Row 2 deleted: row 1 stays, row 2 goes, later rows move up.
    cells.Remap([](int32_t row, int32_t col) -> std::optional<std::pair<int32_t, int32_t>> {
        if (row == 2) return std::nullopt;
        return std::make_pair(row > 2 ? row - 1 : row, col);
    });
    EXPECT_EQ(Listing(cells), (std::vector<std::string>{"1,1=x", "2,2=2.5"}));
}

// The version tells a save whether cells are still those read: it must move with every
// change, stay with copies and reads, and never repeat between tables of equal cells.
TEST(SimCellTable, VersionMovesWithTheCellsAndOnlyWithThem) {
    sim::CellTable cells = {{"A1", "x"}, {"B2", "2.5"}};
    const uint64_t read = cells.Version();
    EXPECT_NE(read, 0u);
    sim::CellTable copy = cells;
    (void)cells.Text("A1");
    cells.ForEach([](int32_t, int32_t, std::string_view) {});
    EXPECT_FALSE(cells.Finish());
    cells.Set("C3", "");  // emptying an empty cell changes nothing
    EXPECT_EQ(cells.Version(), read);
    EXPECT_EQ(copy.Version(), read);

    copy.Set("A1", "x");  // the same text typed again is still an edit
    EXPECT_NE(copy.Version(), read);
    EXPECT_EQ(cells.Version(), read);
    const sim::CellTable same = {{"A1", "x"}, {"B2", "2.5"}};
    EXPECT_NE(same.Version(), read);
    cells.Remap([](int32_t row, int32_t col) { return std::make_optional(std::pair(row, col)); });
    EXPECT_NE(cells.Version(), read);
}

// Texts of a file's shared block cost one copy in every table showing them; emptying
// cells that show one leaves it for the others instead of compacting on every edit, while
// an own text dropped by Remap is reclaimed like one typed over.
TEST(SimCellTable, SharedTextsAreKeptOnceAndOwnTextsDroppedAreReclaimed) {
    const std::string big(2 << 20, 'b');
    const auto block = std::make_shared<const std::string>("small" + big);
    sim::CellTable first;
    sim::CellTable second;
    for (int32_t row = 1; row <= 100; ++row) {
        first.AppendShared(row, 1, block, 5, big.size());
        second.AppendShared(row, 2, block, 0, 5);
    }
    EXPECT_TRUE(first.SharesTextsWith(second));
    for (int32_t row = 1; row < 100; ++row) first.Set(row, 1, "");
    EXPECT_EQ(first.Size(), 1u);
    EXPECT_EQ(first.Text(100, 1), big);
    EXPECT_EQ(second.Text(7, 2), "small");
    EXPECT_EQ(first.TextBytes(), block->size());

    // A text of another block is copied, not pointed into.
    const auto other = std::make_shared<const std::string>("elsewhere");
    second.AppendShared(1, 1, other, 0, 9);
    EXPECT_FALSE(second.Finish());
    EXPECT_EQ(second.Text(1, 1), "elsewhere");
    EXPECT_THROW(second.AppendShared(1, 3, other, 5, 9), sim::SimError);

    sim::CellTable own = {{"A1", big}, {"A2", "y"}};
    own.Remap([](int32_t row, int32_t col) -> std::optional<std::pair<int32_t, int32_t>> {
        if (row == 1) return std::nullopt;
        return std::make_pair(row, col);
    });
    EXPECT_LT(own.TextBytes(), 1024u);
    EXPECT_EQ(own.Text("A2"), "y");
}

TEST(SimCellTable, AnAddressThatIsNoSingleCellOrAnOverlongTextIsRefused) {
    sim::CellTable cells;
    for (const char* address : {"", "B2:C3", "A0", "B", "3", "not a cell", "A1:A1:A1"})
        EXPECT_THROW(cells.Set(address, "x"), sim::SimError) << address;
    // A text too long to be placed is refused rather than cut or run into its neighbour.
    EXPECT_THROW(cells.Set(1, 1, std::string(sim::CellTable::kMaxTextBytes + 1, 'x')),
                 sim::SimError);
    EXPECT_TRUE(cells.Empty());
}

}  // namespace
