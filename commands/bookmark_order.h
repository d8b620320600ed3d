#pragma once

// The order of the ring that next/previous walk: workbook position, sheet index, then
// row and column in the chosen search direction. Positions are compared as tuples so
// that no distance between two cells can overflow or be misordered.

#include <array>
#include <compare>
#include <cstdint>
#include <vector>

namespace tessaly {

struct OrderPosition {
    std::array<int32_t, 4> parts{};
    auto operator<=>(const OrderPosition&) const = default;
};

// Row order compares rows before columns, column order the other way round.
OrderPosition MakeOrderPosition(int32_t book, int32_t sheet, int32_t row, int32_t column,
                                bool rowOrder);

// The candidates of one next/previous jump from the active cell's position, best first.
// Next prefers the nearest position after the origin and wraps to the first of all;
// previous the nearest before it and wraps to the last. A candidate on the origin itself
// is no step away and never offered. Among equal positions the lowest collection index
// comes first. Candidates are handed out one by one, so that a caller who must still
// check a candidate reads the host only for the few it takes.
class JumpPreference {
  public:
    JumpPreference(const OrderPosition& origin, bool previous)
        : origin_(origin), previous_(previous) {}

    // A candidate bookmark at collection index `index` (1-based).
    void Offer(const OrderPosition& position, int32_t index);
    // The best candidate not yet taken; 0 when none is left.
    int32_t TakeBest();

  private:
    struct Candidate {
        OrderPosition position;
        int32_t index = 0;
    };
    bool Better(const Candidate& a, const Candidate& b) const;

    OrderPosition origin_;
    bool previous_;
    bool heaped_ = false;
    std::vector<Candidate> candidates_;
};

}  // namespace tessaly
