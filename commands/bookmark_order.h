#pragma once

// The order of the ring that next/previous walk: workbook position, sheet index, then
// row and column in the chosen search direction. Positions are compared as tuples so
// that no distance between two cells can overflow or be misordered.

#include <array>
#include <compare>
#include <cstdint>

namespace tessaly {

struct OrderPosition {
    std::array<int32_t, 4> parts{};
    auto operator<=>(const OrderPosition&) const = default;
};

// Row order compares rows before columns, column order the other way round.
OrderPosition MakeOrderPosition(int32_t book, int32_t sheet, int32_t row, int32_t column,
                                bool rowOrder);

// The four trackers of one next/previous search around the active cell. Every
// comparison is strict, so among equal positions the lowest collection index wins.
class NearestBookmarkSearch {
  public:
    explicit NearestBookmarkSearch(const OrderPosition& origin) : origin_(origin) {}

    // A candidate bookmark at collection index `index` (1-based).
    void Offer(const OrderPosition& position, int32_t index);
    // The collection index to jump to, wrapping around at either end; 0 when there is
    // no candidate other than one on the active cell itself.
    int32_t Target(bool previous) const;

  private:
    struct Tracker {
        OrderPosition position;
        int32_t index = 0;
        bool empty() const { return index == 0; }
    };

    OrderPosition origin_;
    Tracker nearestAfter_, farthestAfter_, nearestBefore_, farthestBefore_;
};

}  // namespace tessaly
