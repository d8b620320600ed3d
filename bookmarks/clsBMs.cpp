#include "bookmarks/clsBMs.h"

#include <optional>
#include <string>
#include <vector>

#include "bookmarks/host_objects.h"
#include "host/on_error.h"
#include "locale/messages.h"

namespace tessaly {

namespace {

enum class Life { Alive, Dead, Unknown };

// A bookmark is alive while its cell's address can be read and is not empty. Once its
// workbook is closed or its sheet or cell deleted, every read of the cell fails (the
// host reports the object as disconnected), so the cell alone tells what reading the
// workbook's and the sheet's names as well would. A host that refuses every call for
// the moment (a cell being edited) tells nothing about it: that is Unknown, not Dead.
Life LifeOf(clsBM& bm, std::string& address) {
    std::optional<host::HostError> error =
        host::SkipOnError([&] { address = Obj(bm.BMCell).Address(); });
    if (error) return host::IsHostBusy(*error) ? Life::Unknown : Life::Dead;
    return address.empty() ? Life::Dead : Life::Alive;
}

// Deletes the mark with errors ignored; true when the host refused (1004), as it does
// on a protected sheet. A missing or already deleted mark counts as done.
bool MarkDeletionRefused(clsBM& bm) {
    std::optional<host::HostError> error = host::SkipOnError([&] { Obj(bm.BMLabel).Delete(); });
    return error.has_value() && error->Number() == host::err::kHostRefused;
}

// Drops the records at the flagged positions in one pass, keeping the others in order,
// so that a visit removing thousands of bookmarks stays linear.
template <class T>
void EraseFlagged(std::vector<T>& list, const std::vector<bool>& flagged) {
    size_t kept = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (flagged[i]) continue;
        if (kept != i) list[kept] = std::move(list[i]);  // a self-move may empty a string
        ++kept;
    }
    list.resize(kept);
}

}  // namespace

clsBMs::clsBMs(platform::Platform& platform) : platform_(platform) {}

bool clsBMs::Check() {
    AddressSurvey survey;
    return Check(survey);
}

bool clsBMs::Check(AddressSurvey& survey) {
    bool removed = false;
    std::vector<bool> dead(list_.size(), false);
    survey.Start(list_.size());
    std::string address;
    // From the end, as the host sees the marks go. A busy host ends the visit: it would
    // answer no other bookmark either, and none may be dropped for that.
    for (int32_t i = Count(); i >= 1; --i) {
        clsBM& bm = *list_[i - 1];
        const Life life = LifeOf(bm, address);
        if (life == Life::Unknown) break;
        if (life == Life::Alive) {
            survey.Note(static_cast<size_t>(i - 1), address);
            continue;
        }
        host::SkipOnError([&] { Obj(bm.BMLabel).Delete(); });
        dead[i - 1] = true;
        removed = true;
    }
    if (removed) {
        EraseFlagged(list_, dead);
        EraseFlagged(survey.spans_, dead);
        Changed();
    }
    survey.owner_ = this;
    survey.version_ = version_;
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
    Changed();
    if (refused)
        ShowResMessage(platform_, str::kDeleteAllFailedMessage, platform::MsgIcon::Critical);
}

std::shared_ptr<clsBM> clsBMs::Add(const host::Ref<host::Range>& BMCell) {
    const host::Ref<host::Workbook> book = Obj(Obj(BMCell).Parent()).Parent();
    return Add(BMCell, Obj(BMCell).Worksheet(), book);
}

std::shared_ptr<clsBM> clsBMs::Add(const host::Ref<host::Range>& BMCell,
                                   const host::Ref<host::Worksheet>& sheet,
                                   const host::Ref<host::Workbook>& book) {
    auto bm = std::make_shared<clsBM>();
    bm->BMBook = book;
    bm->BMSheet = sheet;
    bm->BMCell = BMCell;
    list_.push_back(bm);
    Changed();
    std::shared_ptr<clsBM> added = list_.back();

    if (MarksWanted(platform_) && !MarkAdd(*added)) {
        ShowResMessage(platform_, str::kMarkNotAddedMessage, platform::MsgIcon::Critical);
    }
    return added;
}

void clsBMs::Del(const host::Ref<host::Range>& BMCell) {
    Del(BMCell, nullptr);
}

void clsBMs::Del(const host::Ref<host::Range>& BMCell, const AddressSurvey* survey) {
    std::optional<CellSpot> spot = host::ValueOrNothing([&] { return CellSpotOf(BMCell); });
    if (!spot) return;  // a cell whose spot cannot be read matches nothing

    const int32_t i = Find(*spot, survey);
    if (i == 0) return;
    if (MarkDeletionRefused(*list_[i - 1])) {
        ShowResMessage(platform_, str::kBookmarkNotDeletedMessage, platform::MsgIcon::Critical);
        return;
    }
    list_.erase(list_.begin() + (i - 1));
    Changed();
}

std::optional<std::string_view> clsBMs::Surveyed(int32_t Index, const AddressSurvey* survey) const {
    if (!survey || survey->owner_ != this || survey->version_ != version_ || Index < 1)
        return std::nullopt;
    return survey->At(static_cast<size_t>(Index - 1));
}

std::string clsBMs::AddressAt(int32_t Index, const AddressSurvey* survey) const {
    if (auto known = Surveyed(Index, survey)) return std::string(*known);
    return Obj(Item(Index)->BMCell).Address();
}

int32_t clsBMs::Find(const CellSpot& spot, const AddressSurvey* survey) const {
    for (int32_t i = 1; i <= Count(); ++i) {
        // The address rules nearly every bookmark out; only one on the same address
        // needs its sheet and workbook read.
        clsBM& bm = *list_[i - 1];
        if (auto known = Surveyed(i, survey)) {
            if (*known != spot.address) continue;
        } else {
            std::optional<std::string> address =
                host::ValueOrNothing([&] { return Obj(bm.BMCell).Address(); });
            if (!address || *address != spot.address) continue;
        }
        std::optional<std::string> sheet =
            host::ValueOrNothing([&] { return Obj(bm.BMSheet).Name(); });
        if (!sheet || *sheet != spot.sheet) continue;
        std::optional<std::string> book =
            host::ValueOrNothing([&] { return Obj(bm.BMBook).Name(); });
        if (book && *book == spot.book) return i;
    }
    return 0;
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

}  // namespace tessaly
