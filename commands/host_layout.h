#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "host/host.h"

namespace tessaly {

// What one command reads of the host's layout, each fact once: a workbook's position
// and whether its window is shown, a sheet's index and visibility, whether a row or a
// column is hidden. Bookmarks share a few workbooks and sheets, so a command that asks
// about every bookmark makes a few reads per workbook and sheet instead of several per
// bookmark. Facts are read on first use and kept for this command only; a read that
// fails raises the host's error and is read again when asked again.
class HostLayout {
  public:
    explicit HostLayout(host::Application& app) : app_(app) {}

    // 1-based position among the open workbooks, 0 when it is not among them.
    int32_t BookNo(const host::Ref<host::Workbook>& book);
    // Whether the workbook's first window is visible.
    bool BookShown(const host::Ref<host::Workbook>& book);
    int32_t SheetIndex(const host::Ref<host::Worksheet>& sheet);
    int32_t SheetVisibility(const host::Ref<host::Worksheet>& sheet);
    bool RowHidden(const host::Ref<host::Worksheet>& sheet, int32_t row);
    bool ColumnHidden(const host::Ref<host::Worksheet>& sheet, int32_t column);

  private:
    struct Book {
        std::optional<bool> shown;
    };
    struct Sheet {
        std::optional<int32_t> index, visibility;
        std::unordered_map<int32_t, bool> hiddenRows, hiddenColumns;
    };

    host::Application& app_;
    std::optional<std::unordered_map<const void*, int32_t>> bookNumbers_;
    std::unordered_map<const void*, Book> books_;
    std::unordered_map<const void*, Sheet> sheets_;
};

}  // namespace tessaly
