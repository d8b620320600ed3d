#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/address_survey.h"
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
    // The same, keeping the addresses it read for the rest of the command.
    bool Check(AddressSurvey& survey);
    // Removes every bookmark whose mark can be removed.
    void Clear();
    // Appends a bookmark for the cell and makes its mark when marks are wanted.
    std::shared_ptr<clsBM> Add(const host::Ref<host::Range>& BMCell);
    // The same for a caller that already holds the cell's sheet and workbook.
    std::shared_ptr<clsBM> Add(const host::Ref<host::Range>& BMCell,
                               const host::Ref<host::Worksheet>& sheet,
                               const host::Ref<host::Workbook>& book);
    // false removes all marks; true makes, moves and recolours them. True when every
    // mark was handled.
    bool MarkReset(const bool& Setvalue);
    // Removes the bookmark of that cell, if there is one.
    void Del(const host::Ref<host::Range>& BMCell);
    void Del(const host::Ref<host::Range>& BMCell, const AddressSurvey* survey);
    int32_t Count() const;
    // 1-based; an index outside 1..Count raises error 9.
    std::shared_ptr<clsBM> Item(const int32_t& Index) const;

    // The cell address of bookmark `Index`: from the survey while it still holds it,
    // else read from the host now (raising the host's error).
    std::string AddressAt(int32_t Index, const AddressSurvey* survey) const;
    // The position of the first bookmark on that spot, 0 when there is none. A bookmark
    // whose parts cannot be read (a dead one) matches nothing.
    int32_t Find(const CellSpot& spot, const AddressSurvey* survey) const;

  private:
    bool MarkAdd(clsBM& bm);
    std::optional<std::string_view> Surveyed(int32_t Index, const AddressSurvey* survey) const;

    void Changed() { ++version_; }

    platform::Platform& platform_;
    std::vector<std::shared_ptr<clsBM>> list_;
    uint64_t version_ = 0;  // counts the changes of list_, for AddressSurvey
};

}  // namespace tessaly
