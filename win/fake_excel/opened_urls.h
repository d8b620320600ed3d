#pragma once

// The Wine prefix's stand-in browser: each URL it is asked to open is appended as a
// line to one file, which the scenarios read back.

#include <string>

namespace tessaly::fake {

inline constexpr wchar_t kOpenedUrls[] = L"C:\\harness\\opened-urls.txt";

void RecordUrl(const std::string& url);
// Every URL recorded so far, one per line; empty when none.
std::string OpenedUrls();

}  // namespace tessaly::fake
