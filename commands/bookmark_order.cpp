#include "commands/bookmark_order.h"

namespace tessaly {

OrderPosition MakeOrderPosition(int32_t book, int32_t sheet, int32_t row, int32_t column,
                                bool rowOrder) {
    if (rowOrder) return OrderPosition{{book, sheet, row, column}};
    return OrderPosition{{book, sheet, column, row}};
}

void NearestBookmarkSearch::Offer(const OrderPosition& position, int32_t index) {
    if (position > origin_) {
        if (nearestAfter_.empty() || position < nearestAfter_.position)
            nearestAfter_ = {position, index};
        if (farthestAfter_.empty() || position > farthestAfter_.position)
            farthestAfter_ = {position, index};
    } else if (position < origin_) {
        if (nearestBefore_.empty() || position > nearestBefore_.position)
            nearestBefore_ = {position, index};
        if (farthestBefore_.empty() || position < farthestBefore_.position)
            farthestBefore_ = {position, index};
    }
    // A bookmark on the active cell itself is no step away from it.
}

int32_t NearestBookmarkSearch::Target(bool previous) const {
    if (previous) return nearestBefore_.empty() ? farthestAfter_.index : nearestBefore_.index;
    return nearestAfter_.empty() ? farthestBefore_.index : nearestAfter_.index;
}

}  // namespace tessaly
