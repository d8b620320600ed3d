#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

struct RowColumn {
    int32_t row = 0;
    int32_t column = 0;
};

// The row and column of a single cell's absolute A1 address as the host writes it
// ("$B$3"); nothing for anything else (a range, a whole row, relative forms), which the
// caller then asks the host about.
std::optional<RowColumn> SingleCellOf(std::string_view address);

}  // namespace tessaly
