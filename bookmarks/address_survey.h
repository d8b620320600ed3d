#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class clsBMs;

// The cell addresses one dead-bookmark check read, by collection position, kept for
// the rest of the same command. In the host every read is a round trip, and the address
// is what rules nearly every bookmark out of a comparison; reading it once per command
// instead of once per use keeps a selection change at one read per bookmark. The
// addresses stand only while the collection is unchanged, and never outlive the command:
// the user may move cells between two commands.
class AddressSurvey {
  public:
    AddressSurvey() = default;

  private:
    friend class clsBMs;
    // All addresses in one text, so that a survey of thousands makes two allocations.
    struct Span {
        uint32_t offset = kUnread;
        uint32_t size = 0;
    };
    static constexpr uint32_t kUnread = UINT32_MAX;

    void Start(size_t count) {
        spans_.assign(count, Span{});
        text_.clear();
        text_.reserve(count * 8);
    }
    void Note(size_t position, std::string_view address) {
        spans_[position] = {static_cast<uint32_t>(text_.size()),
                            static_cast<uint32_t>(address.size())};
        text_ += address;
    }
    std::optional<std::string_view> At(size_t position) const {
        if (position >= spans_.size() || spans_[position].offset == kUnread) return std::nullopt;
        return std::string_view(text_).substr(spans_[position].offset, spans_[position].size);
    }

    const clsBMs* owner_ = nullptr;
    uint64_t version_ = 0;
    std::string text_;
    std::vector<Span> spans_;  // by collection position
};

// One cell as a bookmark is compared with it: workbook name, sheet name and absolute
// address, each compared exactly and case-sensitively.
struct CellSpot {
    std::string book;
    std::string sheet;
    std::string address;
};

}  // namespace tessaly
