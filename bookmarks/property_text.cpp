#include "bookmarks/property_text.h"

#include <cmath>
#include <optional>

#include "host/on_error.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

std::string EntryText(const PropertyEntry& entry) {
    std::string text = std::to_string(entry.sheet);
    text += ':';
    text += entry.address;
    text += ';';
    return text;
}

bool CanBeReadBack(const PropertyEntry& entry) {
    return entry.sheet >= 1 && entry.address.find_first_of(":;") == std::string::npos;
}

std::optional<int32_t> SheetNumber(std::string_view text) {
    std::optional<double> value = host::ValueOrNothing([&] { return Val(std::string(text)); });
    if (!value || !std::isfinite(*value) || *value != std::trunc(*value)) return std::nullopt;
    if (*value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(*value);
}

}  // namespace

std::string BookmarkPropertyName(int32_t part) {
    if (part <= 1) return kBookmarkProperty;
    return std::string(kBookmarkProperty) + "_" + std::to_string(part);
}

std::vector<std::string> EncodeBookmarkText(const std::vector<PropertyEntry>& entries,
                                            std::size_t limit) {
    std::vector<std::string> parts;
    std::string current;
    for (const PropertyEntry& entry : entries) {
        if (!CanBeReadBack(entry)) continue;
        std::string text = EntryText(entry);
        if (text.size() > limit) continue;
        if (current.size() + text.size() > limit) {
            parts.push_back(std::move(current));
            current.clear();
        }
        current += text;
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

std::vector<PropertyEntry> DecodeBookmarkText(std::string_view text) {
    std::vector<PropertyEntry> entries;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view entry = text.substr(start, end - start);
        start = end + 1;
        if (entry.empty()) continue;

        std::size_t colon = entry.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view address = entry.substr(colon + 1);
        address = address.substr(0, address.find(':'));

        std::optional<int32_t> sheet = SheetNumber(entry.substr(0, colon));
        if (!sheet) continue;
        entries.push_back(PropertyEntry{*sheet, std::string(address)});
    }
    return entries;
}

}  // namespace tessaly
