#pragma once

// `tessaly bookmarks WORKBOOK.xlsx`: the bookmarks a workbook file keeps in its
// "QEL_BOOKMARK" property (and the numbered parts that continue it), resolved to sheets
// and cells as the add-in resolves them when it opens the workbook, without a session.

#include <ostream>
#include <string>
#include <vector>

namespace app {

struct SavedBookmark {
    std::string sheet;
    std::string address;  // as the host gives it back: "$B$3"
};

// A stored entry that names no cell the add-in could bookmark.
struct UnresolvedEntry {
    std::string entry;  // "9:$A$1"
    std::string reason;
};

struct SavedBookmarks {
    std::string workbook;
    std::vector<std::string> propertyTexts;  // the property's parts, in order
    std::vector<SavedBookmark> bookmarks;
    std::vector<UnresolvedEntry> unresolved;
};

// Throws CommandError with the reader's sentence when the file cannot be read.
SavedBookmarks ReadSavedBookmarks(const std::string& path);

void PrintSavedBookmarks(const SavedBookmarks& saved, bool json, std::ostream& out);

}  // namespace app
