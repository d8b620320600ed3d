#include "commands/bookmark_order.h"

#include <algorithm>

namespace tessaly {

OrderPosition MakeOrderPosition(int32_t book, int32_t sheet, int32_t row, int32_t column,
                                bool rowOrder) {
    if (rowOrder) return OrderPosition{{book, sheet, row, column}};
    return OrderPosition{{book, sheet, column, row}};
}

void JumpPreference::Offer(const OrderPosition& position, int32_t index) {
    if (position == origin_) return;
    candidates_.push_back({position, index});
    heaped_ = false;
}

bool JumpPreference::Better(const Candidate& a, const Candidate& b) const {
    // First the side the jump goes to, then the nearest on it; wrapping, the farthest
    // on the other side, which is the same order read on.
    const bool aAhead = previous_ ? a.position < origin_ : a.position > origin_;
    const bool bAhead = previous_ ? b.position < origin_ : b.position > origin_;
    if (aAhead != bAhead) return aAhead;
    if (a.position != b.position)
        return previous_ ? a.position > b.position : a.position < b.position;
    return a.index < b.index;
}

int32_t JumpPreference::TakeBest() {
    if (candidates_.empty()) return 0;
    // A heap: building it is linear, and a jump usually takes its first candidate.
    auto worse = [this](const Candidate& a, const Candidate& b) { return Better(b, a); };
    if (!heaped_) {
        std::make_heap(candidates_.begin(), candidates_.end(), worse);
        heaped_ = true;
    }
    std::pop_heap(candidates_.begin(), candidates_.end(), worse);
    const int32_t index = candidates_.back().index;
    candidates_.pop_back();
    return index;
}

}  // namespace tessaly
