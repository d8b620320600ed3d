#include "app/saved_bookmarks.h"

#include "app/session.h"
#include "app/text.h"
#include "bookmarks/property_text.h"
#include "sim/excel.h"
#include "sim/xlsx/xlsx.h"

namespace app {

SavedBookmarks ReadSavedBookmarks(const std::string& path) {
    // The bookmarks live in the document properties: the sheets' cells are not read.
    sim::xlsx::ReadOptions options;
    options.cells = false;
    sim::xlsx::ReadResult read = sim::xlsx::Read(path, options);
    if (!read) throw CommandError(read.description);

    // The workbook is opened in a host of its own, with no add-in, so that sheet numbers
    // and addresses are looked up exactly as the add-in looks them up.
    sim::Excel excel;
    OpenReadWorkbook(excel, read.workbook, path);
    SavedBookmarks saved;
    saved.workbook = read.workbook.name;
    for (int32_t part = 1;; ++part) {
        std::optional<std::string> text =
            excel.CustomProperty(saved.workbook, tessaly::BookmarkPropertyName(part));
        if (!text) break;
        saved.propertyTexts.push_back(*text);
    }
    if (saved.propertyTexts.empty() || saved.propertyTexts.front().empty()) return saved;

    const host::Ref<host::Workbook> book = excel.WorkbookRef(saved.workbook);
    for (const std::string& text : saved.propertyTexts) {
        for (const tessaly::PropertyEntry& entry : tessaly::DecodeBookmarkText(text)) {
            const std::string written = std::to_string(entry.sheet) + ":" + entry.address;
            try {
                // The number counts all sheets, chart sheets included, as it was written.
                const host::Ref<host::Sheets> sheets = book->Sheets();
                if (entry.sheet < 1 || entry.sheet > sheets->Count()) {
                    saved.unresolved.push_back(
                        {written, "the workbook has no sheet " + std::to_string(entry.sheet)});
                    continue;
                }
                const host::Ref<host::Sheet> sheet = sheets->Item(entry.sheet);
                const host::Ref<host::Worksheet> worksheet = sheet->AsWorksheet();
                if (!worksheet) {
                    saved.unresolved.push_back({written, "sheet " + std::to_string(entry.sheet) +
                                                             " (" + sheet->Name() +
                                                             ") is a chart sheet"});
                    continue;
                }
                const host::Ref<host::Range> cell = worksheet->Range(entry.address);
                saved.bookmarks.push_back({worksheet->Name(), cell->Address()});
            } catch (const host::HostError&) {
                saved.unresolved.push_back(
                    {written, "\"" + entry.address + "\" is no cell address"});
            }
        }
    }
    return saved;
}

void PrintSavedBookmarks(const SavedBookmarks& saved, bool json, std::ostream& out) {
    if (json) {
        out << "{\"workbook\": " << JsonString(saved.workbook) << ", \"bookmarks\": [";
        for (size_t i = 0; i < saved.bookmarks.size(); ++i) {
            out << (i ? ", " : "") << "{\"sheet\": " << JsonString(saved.bookmarks[i].sheet)
                << ", \"address\": " << JsonString(saved.bookmarks[i].address) << "}";
        }
        out << "], \"unresolved\": [";
        for (size_t i = 0; i < saved.unresolved.size(); ++i) {
            out << (i ? ", " : "") << "{\"entry\": " << JsonString(saved.unresolved[i].entry)
                << ", \"reason\": " << JsonString(saved.unresolved[i].reason) << "}";
        }
        out << "]}\n";
        return;
    }
    if (saved.bookmarks.empty() && saved.unresolved.empty()) {
        out << saved.workbook << ": no bookmarks saved\n";
        return;
    }
    out << saved.workbook << ": " << saved.bookmarks.size()
        << (saved.bookmarks.size() == 1 ? " bookmark\n" : " bookmarks\n");
    for (const SavedBookmark& b : saved.bookmarks)
        out << "  " << QuotedSheetName(b.sheet) << '!' << b.address << '\n';
    for (const UnresolvedEntry& u : saved.unresolved)
        out << "  (dropped when opened) " << u.entry << ": " << u.reason << '\n';
}

}  // namespace app
