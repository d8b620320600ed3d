#pragma once

// The text of the document property that keeps a workbook's bookmarks:
// "<sheet number>:<address>;" per bookmark, e.g. "1:$C$5;3:$AB$12;".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The property's name; bookmarks beyond its capacity continue in numbered ones.
inline constexpr const char* kBookmarkProperty = "QEL_BOOKMARK";
// The host keeps at most this many characters in a text document property.
inline constexpr std::size_t kPropertyTextLimit = 255;

struct PropertyEntry {
    int32_t sheet = 0;  // the sheet's position among all sheets of its workbook
    std::string address;

    bool operator==(const PropertyEntry&) const = default;
};

// Name of part `part` (1-based): "QEL_BOOKMARK", then "QEL_BOOKMARK_2", "QEL_BOOKMARK_3"...
std::string BookmarkPropertyName(int32_t part);

// The texts of the parts, in order, each at most `limit` characters and holding whole
// entries only; nothing for no entries. Entries that could not be read back as written
// (sheet number below 1, an address with ":" or ";", or longer than `limit` on their
// own) are left out. Linear in the size of the output.
std::vector<std::string> EncodeBookmarkText(const std::vector<PropertyEntry>& entries,
                                            std::size_t limit = kPropertyTextLimit);

// The entries of one text, in order. Never fails: empty entries, entries without ":"
// and entries whose number is not a whole 32-bit number are dropped. The number is the
// leading numeric part of the text before the first ":" (blanks, tabs and line feeds
// ignored; no digits give 0); the address is the text between the first and second ":".
std::vector<PropertyEntry> DecodeBookmarkText(std::string_view text);

}  // namespace tessaly
