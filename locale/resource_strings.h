#pragma once

// The string table (one source for every build) and its loader.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// The table's entry with that id (100-199 Japanese, 200-299 English), or nothing.
std::optional<std::string_view> StringTableEntry(int32_t id);

// Where mojLoadResString reads from. The default is the compiled-in table; the
// Windows build reads its own string resources instead.
using ResourceStringLoader = std::optional<std::string> (*)(int32_t id);
void SetResourceStringLoader(ResourceStringLoader loader);  // nullptr restores the default

// The entry `id` with every backslash + "n" turned into CR LF. An id the table does
// not hold raises host::HostError 326 (resource not found).
std::string mojLoadResString(const int32_t& id);

// Shorthand for mojLoadResString(lngResBase + offset).
std::string ResText(int32_t offset);

}  // namespace tessaly
