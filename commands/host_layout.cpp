#include "commands/host_layout.h"

#include "host/required.h"

namespace tessaly {

namespace {

template <class T, class Read>
T Once(std::optional<T>& slot, Read read) {
    if (!slot) slot = read();
    return *slot;
}

template <class Map, class Read>
bool Once(Map& map, int32_t key, Read read) {
    auto found = map.find(key);
    if (found != map.end()) return found->second;
    const bool value = read();
    map.emplace(key, value);
    return value;
}

}  // namespace

int32_t HostLayout::BookNo(const host::Ref<host::Workbook>& book) {
    const void* identity = host::Obj(book).Identity();
    if (!bookNumbers_) {
        // The whole list at once: every bookmark's workbook is among the open ones.
        std::unordered_map<const void*, int32_t> numbers;
        const auto books = host::Required(app_.Workbooks());
        const int32_t count = books->Count();
        for (int32_t i = 1; i <= count; ++i) {
            if (auto item = books->Item(i)) numbers.emplace(item->Identity(), i);  // first counts
        }
        bookNumbers_ = std::move(numbers);
    }
    auto found = bookNumbers_->find(identity);
    return found == bookNumbers_->end() ? 0 : found->second;
}

bool HostLayout::BookShown(const host::Ref<host::Workbook>& book) {
    Book& facts = books_[host::Obj(book).Identity()];
    return Once(facts.shown, [&] { return host::Obj(book->Windows(1)).Visible(); });
}

int32_t HostLayout::SheetIndex(const host::Ref<host::Worksheet>& sheet) {
    Sheet& facts = sheets_[host::Obj(sheet).Identity()];
    return Once(facts.index, [&] { return sheet->Index(); });
}

int32_t HostLayout::SheetVisibility(const host::Ref<host::Worksheet>& sheet) {
    Sheet& facts = sheets_[host::Obj(sheet).Identity()];
    return Once(facts.visibility, [&] { return sheet->Visible(); });
}

bool HostLayout::RowHidden(const host::Ref<host::Worksheet>& sheet, int32_t row) {
    Sheet& facts = sheets_[host::Obj(sheet).Identity()];
    return Once(facts.hiddenRows, row, [&] { return host::Obj(sheet->Rows(row)).Hidden(); });
}

bool HostLayout::ColumnHidden(const host::Ref<host::Worksheet>& sheet, int32_t column) {
    Sheet& facts = sheets_[host::Obj(sheet).Identity()];
    return Once(facts.hiddenColumns, column,
                [&] { return host::Obj(sheet->Columns(column)).Hidden(); });
}

}  // namespace tessaly
