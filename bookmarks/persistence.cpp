#include "bookmarks/persistence.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/clsBMs.h"
#include "bookmarks/host_objects.h"
#include "bookmarks/property_text.h"
#include "host/on_error.h"
#include "locale/messages.h"

namespace tessaly {

namespace {

host::Ref<host::DocumentProperty> FindProperty(host::DocumentProperties& properties,
                                               const std::string& name) {
    return host::ValueOrNothing([&] { return properties.Item(name); }).value_or(nullptr);
}

// Removes "QEL_BOOKMARK" and the numbered parts that follow it, errors ignored. Returns
// the first part number found missing: parts from there on may stand beyond a gap.
int32_t DeleteBookmarkProperties(host::Workbook& wb) {
    host::Ref<host::DocumentProperties> properties =
        host::ValueOrNothing([&] { return wb.CustomDocumentProperties(); }).value_or(nullptr);
    if (!properties) return 2;
    host::SkipOnError([&] { Obj(properties->Item(BookmarkPropertyName(1))).Delete(); });
    for (int32_t part = 2;; ++part) {
        host::Ref<host::DocumentProperty> property =
            FindProperty(*properties, BookmarkPropertyName(part));
        if (!property) return part;
        host::SkipOnError([&] { property->Delete(); });
    }
}

// The texts of "QEL_BOOKMARK" and its numbered parts, in order, up to the first
// missing part; errors ignored.
std::vector<std::string> ReadBookmarkProperties(host::Workbook& wb) {
    std::vector<std::string> texts;
    host::Ref<host::DocumentProperties> properties =
        host::ValueOrNothing([&] { return wb.CustomDocumentProperties(); }).value_or(nullptr);
    if (!properties) return texts;
    for (int32_t part = 1;; ++part) {
        std::optional<std::string> text = host::ValueOrNothing(
            [&] { return Obj(properties->Item(BookmarkPropertyName(part))).Value(); });
        if (!text) return texts;
        texts.push_back(std::move(*text));
    }
}

bool SaveMarkWanted(platform::Platform& platform) {
    return Val(ReadSetting(platform, setting::kSection, setting::kSaveMark,
                           setting::kSaveMarkDefault)) == 1;
}

}  // namespace

void KeepBookmarksForSave(platform::Platform& platform, clsBMs& bms,
                          const host::Ref<host::Workbook>& Wb, bool blnDesignMode,
                          bool& blnMarksOffForSave, bool& Cancel) {
    host::StopQuietlyOnError([&] {
        host::Workbook& wb = Obj(Wb);
        if (wb.IsAddin()) return;

        // Marks of all workbooks come off; the next workbook or sheet event puts them back.
        if (!blnMarksOffForSave && MarksWanted(platform) && !blnDesignMode) {
            if (!bms.MarkReset(false)) {
                platform::MsgAnswer answer =
                    ShowResMessage(platform, str::kMarksLeftOnSaveMessage,
                                   platform::MsgIcon::Critical, platform::MsgButtons::OKCancel);
                if (answer == platform::MsgAnswer::Cancel) {
                    bms.MarkReset(true);
                    Cancel = true;
                    return;
                }
            }
            blnMarksOffForSave = true;
        }

        const int32_t firstMissingPart = DeleteBookmarkProperties(wb);
        if (!SaveMarkWanted(platform)) return;

        // Bookmarks that cannot be read (a closed workbook or a deleted sheet not yet
        // checked) are passed over, so the others of this workbook are still kept. The
        // workbook is told by identity, which needs no read and, as the host allows no
        // two open workbooks of one name, picks the same bookmarks its name would; a
        // sheet's index is read once for all its bookmarks.
        std::vector<PropertyEntry> entries;
        entries.reserve(static_cast<std::size_t>(bms.Count()));
        std::unordered_map<const void*, int32_t> sheetIndexes;
        for (int32_t i = 1; i <= bms.Count(); ++i) {
            const std::shared_ptr<clsBM> bm = bms.Item(i);
            if (!host::SameObject(bm->BMBook, Wb)) continue;
            std::optional<PropertyEntry> entry = host::ValueOrNothing([&] {
                host::Worksheet& sheet = Obj(bm->BMSheet);
                auto known = sheetIndexes.find(sheet.Identity());
                const int32_t index =
                    known != sheetIndexes.end()
                        ? known->second
                        : sheetIndexes.emplace(sheet.Identity(), sheet.Index()).first->second;
                return PropertyEntry{index, Obj(bm->BMCell).Address()};
            });
            if (entry) entries.push_back(std::move(*entry));
        }

        std::vector<std::string> parts = EncodeBookmarkText(entries);
        const host::Ref<host::DocumentProperties> propertiesHandle = wb.CustomDocumentProperties();
        host::DocumentProperties& properties = Obj(propertiesHandle);
        // A part left over beyond an earlier gap in the numbering would refuse the new
        // part of its name, or read as a continuation of the new text: it goes.
        auto dropLeftOver = [&](int32_t part) {
            if (part <= firstMissingPart) return;
            host::SkipOnError([&] { Obj(properties.Item(BookmarkPropertyName(part))).Delete(); });
        };
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const int32_t part = static_cast<int32_t>(i + 1);
            dropLeftOver(part);
            properties.Add(BookmarkPropertyName(part), false, host::xl::kPropertyTypeString,
                           parts[i]);
        }
        if (!parts.empty()) dropLeftOver(static_cast<int32_t>(parts.size()) + 1);
    });
}

bool ReadBookmarksOfWorkbook(platform::Platform& platform, clsBMs& bms,
                             const host::Ref<host::Workbook>& Wb) {
    SettingsReadScope settingsOnce(platform);  // "Mark" and "Color" for every bookmark
    bool read = false;
    host::StopQuietlyOnError([&] {
        host::Workbook& wb = Obj(Wb);
        if (wb.IsAddin()) return;

        std::vector<std::string> texts = ReadBookmarkProperties(wb);
        if (texts.empty() || texts.front().empty()) return;

        // The number counts all sheets, chart sheets included, as it was written. Each
        // sheet is looked up once for all its bookmarks; a lookup that failed is tried
        // again for the next bookmark, as it would have been on its own.
        std::unordered_map<int32_t, host::Ref<host::Worksheet>> sheets;
        auto sheetNumbered = [&](int32_t number) {
            auto known = sheets.find(number);
            if (known != sheets.end()) return known->second;
            host::Ref<host::Worksheet> sheet = Obj(Obj(wb.Sheets()).Item(number)).AsWorksheet();
            Obj(sheet);  // a chart sheet holds no cells
            return sheets.emplace(number, std::move(sheet)).first->second;
        };
        for (const std::string& text : texts) {
            for (const PropertyEntry& entry : DecodeBookmarkText(text)) {
                host::Ref<host::Worksheet> sheet;
                host::Ref<host::Range> cell = host::ValueOrNothing([&] {
                                                  sheet = sheetNumbered(entry.sheet);
                                                  return sheet->Range(entry.address);
                                              }).value_or(nullptr);
                if (cell) bms.Add(cell, sheet, Wb);
            }
        }
        read = true;
    });
    return read;
}

}  // namespace tessaly
