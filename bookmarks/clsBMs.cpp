#include "bookmarks/clsBMs.h"

#include <optional>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "addin/messages.h"
#include "bookmarks/host_objects.h"
#include "host/on_error.h"

namespace tessaly {

namespace {

enum class Life { Alive, Dead, Unknown };

// A bookmark is alive while its workbook name, sheet name and address can all be read
// and none of them is empty. A host that refuses every call for the moment (a cell
// being edited) tells nothing about it: that is Unknown, not Dead.
Life LifeOf(clsBM& bm) {
    bool busy = false;
    auto readable = [&busy](auto read) {
        std::string text;
        std::optional<host::HostError> error = host::SkipOnError([&] { text = read(); });
        if (error && host::IsHostBusy(*error)) busy = true;
        return !error && !text.empty();
    };
    const bool alive = readable([&] { return Obj(bm.BMBook).Name(); }) &&
                       readable([&] { return Obj(bm.BMSheet).Name(); }) &&
                       readable([&] { return Obj(bm.BMCell).Address(); });
    if (busy) return Life::Unknown;
    return alive ? Life::Alive : Life::Dead;
}

// Deletes the mark with errors ignored; true when the host refused (1004), as it does
// on a protected sheet. A missing or already deleted mark counts as done.
bool MarkDeletionRefused(clsBM& bm) {
    std::optional<host::HostError> error = host::SkipOnError([&] { Obj(bm.BMLabel).Delete(); });
    return error.has_value() && error->Number() == host::err::kHostRefused;
}

// Drops the records at the flagged positions in one pass, keeping the others in order,
// so that a visit removing thousands of bookmarks stays linear.
void EraseFlagged(std::vector<std::shared_ptr<clsBM>>& list, const std::vector<bool>& flagged) {
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!flagged[i]) list[kept++] = std::move(list[i]);
    }
    list.resize(kept);
}

}  // namespace

clsBMs::clsBMs(platform::Platform& platform) : platform_(platform) {}

bool clsBMs::Check() {
    bool removed = false;
    std::vector<bool> dead(list_.size(), false);
    // From the end, as the host sees the marks go. A busy host ends the visit: it would
    // answer no other bookmark either, and none may be dropped for that.
    for (int32_t i = Count(); i >= 1; --i) {
        clsBM& bm = *list_[i - 1];
        const Life life = LifeOf(bm);
        if (life == Life::Unknown) break;
        if (life == Life::Alive) continue;
        host::SkipOnError([&] { Obj(bm.BMLabel).Delete(); });
        dead[i - 1] = true;
        removed = true;
    }
    EraseFlagged(list_, dead);
    return removed;
}

void clsBMs::Clear() {
    bool refused = false;
    std::vector<bool> deleted(list_.size(), false);
    for (int32_t i = Count(); i >= 1; --i) {
        if (MarkDeletionRefused(*list_[i - 1])) {
            refused = true;  // the bookmark stays with its mark
            continue;
        }
        deleted[i - 1] = true;
    }
    EraseFlagged(list_, deleted);
    if (refused) ShowResMessage(platform_, 13, platform::MsgIcon::Critical);
}

std::shared_ptr<clsBM> clsBMs::Add(const host::Ref<host::Range>& BMCell) {
    auto bm = std::make_shared<clsBM>();
    bm->BMBook = Obj(Obj(BMCell).Parent()).Parent();
    bm->BMSheet = Obj(BMCell).Worksheet();
    bm->BMCell = BMCell;
    list_.push_back(bm);
    std::shared_ptr<clsBM> added = list_.back();

    if (MarksWanted(platform_) && !MarkAdd(*added)) {
        ShowResMessage(platform_, 10, platform::MsgIcon::Critical);
    }
    return added;
}

void clsBMs::Del(const host::Ref<host::Range>& BMCell) {
    std::optional<std::string> cellKey = host::ValueOrNothing([&] { return CellKey(BMCell); });
    if (!cellKey) return;  // a cell whose key cannot be formed matches nothing

    for (int32_t i = 1; i <= Count(); ++i) {
        clsBM& bm = *list_[i - 1];
        std::optional<std::string> key = host::ValueOrNothing([&] { return BookmarkKey(bm); });
        if (!key || *key != *cellKey) continue;

        if (MarkDeletionRefused(bm)) {
            ShowResMessage(platform_, 11, platform::MsgIcon::Critical);
        } else {
            list_.erase(list_.begin() + (i - 1));
        }
        return;
    }
}

int32_t clsBMs::Count() const {
    return static_cast<int32_t>(list_.size());
}

std::shared_ptr<clsBM> clsBMs::Item(const int32_t& Index) const {
    if (Index < 1 || Index > Count()) {
        host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
    }
    return list_[Index - 1];
}

clsBMs& Connect::BMs() {
    if (!bms_) bms_ = std::make_unique<clsBMs>(platform_);
    return *bms_;
}

}  // namespace tessaly
