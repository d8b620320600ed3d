#include "locale/resource_strings.h"

#include "host/host_error.h"
#include "locale/const.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// The runtime's "resource not found" error.
constexpr int32_t kResourceNotFound = 326;

std::optional<std::string> CompiledTableLoader(int32_t id) {
    std::optional<std::string_view> entry = StringTableEntry(id);
    if (!entry) return std::nullopt;
    return std::string(*entry);
}

ResourceStringLoader currentLoader = &CompiledTableLoader;

}  // namespace

void SetResourceStringLoader(ResourceStringLoader loader) {
    currentLoader = loader ? loader : &CompiledTableLoader;
}

std::string mojLoadResString(const int32_t& id) {
    // Read afresh on every call: no cache, so a swapped loader takes effect at once.
    std::optional<std::string> text = currentLoader(id);
    if (!text) {
        host::Raise(kResourceNotFound,
                    "Resource with identifier '" + std::to_string(id) + "' not found");
    }
    return ReplaceAll(std::move(*text), "\\n", "\r\n");
}

std::string ResText(int32_t offset) {
    return mojLoadResString(lngResBase + offset);
}

}  // namespace tessaly
