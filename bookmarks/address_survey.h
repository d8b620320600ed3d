#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
    AddressSurvey(const clsBMs* owner, uint64_t version,
                  std::vector<std::optional<std::string>> addresses)
        : owner_(owner), version_(version), addresses_(std::move(addresses)) {}

    const clsBMs* owner_ = nullptr;
    uint64_t version_ = 0;
    std::vector<std::optional<std::string>> addresses_;
};

// One cell as a bookmark is compared with it: workbook name, sheet name and absolute
// address, each compared exactly and case-sensitively.
struct CellSpot {
    std::string book;
    std::string sheet;
    std::string address;
};

}  // namespace tessaly
