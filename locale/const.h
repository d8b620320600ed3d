#pragma once

// Process-wide values of the add-in and its fixed names.

#include <cstdint>
#include <string>

namespace tessaly {

// Base of the localised strings: 100 selects the Japanese block, 200 the English one.
extern int32_t lngResBase;
// The toolbar's name, the localised string at offset 0.
extern std::string strBarName;

inline constexpr int32_t kJapaneseBase = 100;
inline constexpr int32_t kEnglishBase = 200;

// Caption of every message box.
inline constexpr const char* kAppTitle = "Tessaly";
// Application name of every value in the settings store.
inline constexpr const char* kSettingsApp = "QEL_BOOKMARK_VEROZARA";
inline constexpr const char* kProgId = "Tessaly.Connect";

// The maker's web site; one build setting so that a build can point it elsewhere. A
// build without a site (an empty setting) opens the help pages installed with the
// add-in: the web procedures then name site paths ("/" and "/free/..."), which the
// platform finds in the installed copy of the site.
#ifndef TESSALY_SITE_ROOT
#define TESSALY_SITE_ROOT "http://www.example.com/"
#endif
inline constexpr const char* kSiteRootUrl = TESSALY_SITE_ROOT[0] ? TESSALY_SITE_ROOT : "/";
inline std::string HelpPageUrl() {
    std::string root = kSiteRootUrl;
    if (!root.empty() && root.back() == '/') root.pop_back();
    return root + "/free/soft/excel/tessaly/help.html";
}

}  // namespace tessaly
