#pragma once

// The Wine prefix's stand-in browser: each URL it is asked to open is appended as a
// line to one file, which the scenarios read back.

#include <string>

namespace tessaly::fake {

inline constexpr wchar_t kOpenedUrls[] = L"C:\\harness\\opened-urls.txt";

void RecordUrl(const std::string& url);
// Every URL recorded so far, one per line; empty when none.
std::string OpenedUrls();
// What the browser is handed for a URL the add-in opens: the URL itself, or for a site
// path of a build without a web site, the installed page's file.
std::string BrowserTarget(const std::string& url);

}  // namespace tessaly::fake
