#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bookmarks/clsBM.h"

namespace platform {
class Platform;
}

namespace tessaly {

// The one ordered collection of bookmarks of all open workbooks (1-based, no keys,
// duplicates allowed). Keeps each bookmark's visual mark in step with the list.
class clsBMs {
public:
    explicit clsBMs(platform::Platform& platform);

    // Removes every dead bookmark; true when it removed at least one.
    bool Check();
    // Removes every bookmark whose mark can be removed.
    void Clear();
    // Appends a bookmark for the cell and makes its mark when marks are wanted.
    std::shared_ptr<clsBM> Add(const host::Ref<host::Range>& BMCell);
    // false removes all marks; true makes, moves and recolours them. True when every
    // mark was handled.
    bool MarkReset(const bool& Setvalue);
    // Removes the bookmark of that cell, if there is one.
    void Del(const host::Ref<host::Range>& BMCell);
    int32_t Count() const;
    // 1-based; an index outside 1..Count raises error 9.
    std::shared_ptr<clsBM> Item(const int32_t& Index) const;

private:
    bool MarkAdd(clsBM& bm);

    platform::Platform& platform_;
    std::vector<std::shared_ptr<clsBM>> list_;
};

}  // namespace tessaly
