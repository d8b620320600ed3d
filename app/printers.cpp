#include "app/printers.h"

#include <filesystem>
#include <set>

#include "app/bar_view.h"
#include "app/host_state.h"
#include "app/text.h"
#include "locale/const.h"
#include "settings/settings_store.h"
#include "settings/shortcut_definitions.h"

namespace app {

namespace fs = std::filesystem;

namespace {

std::string VisibilityText(int32_t visible) {
    switch (visible) {
        case -1:
            return "";
        case 0:
            return "hidden";
        case 2:
            return "very hidden";
        default:
            return "visible " + std::to_string(visible);
    }
}

struct SettingKey {
    std::string section;
    std::string key;
    std::string readsAs;  // the reader's default
};

std::vector<SettingKey> KnownSettings() {
    using namespace tessaly::setting;
    std::vector<SettingKey> keys = {
        {kSection, kMark, kMarkDefault},         {kSection, kColor, kColorDefault},
        {kSection, kVector, kVectorDefault},     {kSection, kConfirm, kConfirmDefault},
        {kSection, kSaveMark, kSaveMarkDefault},
    };
    for (int32_t row = 0; row < tessaly::kShortcutRowCount; ++row) {
        keys.push_back({kSection, tessaly::ShortcutModifierSettingKey(row), ""});
        keys.push_back({kSection, tessaly::ShortcutKeyNameSettingKey(row), ""});
    }
    for (const char* key : {"Position", "RowIndex", "Left", "Top", "Visible"})
        keys.push_back({kBarSection, key, ""});
    for (const char* key : {"Width", "Height", "Top", "Left"})
        keys.push_back({kFormJumpSection, key, ""});
    return keys;
}

}  // namespace

void PrintActiveCell(Session& session, std::ostream& out) {
    out << "  active cell: " << ActiveCellText(session.Excel()) << '\n';
}

void PrintBookmarks(Session& session, std::ostream& out) {
    const std::vector<std::string> texts =
        BookmarkTexts(session.LastAddin(), session.KnownBookmarks());
    if (texts.empty()) {
        out << "  no bookmarks\n";
        return;
    }
    out << "  " << texts.size() << (texts.size() == 1 ? " bookmark:\n" : " bookmarks:\n");
    for (size_t i = 0; i < texts.size(); ++i) out << "    " << i + 1 << ". " << texts[i] << '\n';
}

void PrintMarks(Session& session, std::ostream& out) {
    const std::vector<MarkView> marks = FindMarks(session.Excel());
    if (marks.empty()) {
        out << "  no marks\n";
        return;
    }
    out << "  " << marks.size() << (marks.size() == 1 ? " mark:\n" : " marks:\n");
    for (const MarkView& mark : marks) out << "    * " << mark.Text() << '\n';
}

void PrintControls(Session& session, std::ostream& out) {
    if (!PrintAddinBars(session.Excel(), out))
        out << "  the add-in has no menus or toolbar in the host\n";
}

void PrintProperties(Session& session, const std::string& book, std::ostream& out) {
    const auto properties = session.Excel().CustomProperties(book);
    if (properties.empty()) {
        out << "  " << book << ": no custom document properties\n";
        return;
    }
    out << "  " << book << ":\n";
    for (const sim::PropertySpec& p : properties)
        out << "    " << p.name << " = " << p.value << '\n';
}

void PrintSettings(Session& session, std::ostream& out) {
    platform::SettingsStore& store = session.Platform().Settings();
    out << "  settings of " << tessaly::kSettingsApp << ":\n";
    for (const SettingKey& s : KnownSettings()) {
        const std::optional<std::string> value =
            store.Read(tessaly::kSettingsApp, s.section, s.key);
        const std::string name = s.section + "/" + s.key;
        if (value) {
            out << "    " << name << " = " << QuoteWord(*value) << '\n';
        } else if (s.section == tessaly::setting::kSection && !s.readsAs.empty()) {
            out << "    " << name << " not set (reads as " << s.readsAs << ")\n";
        }
    }
}

void PrintBooks(Session& session, std::ostream& out) {
    sim::Excel& excel = session.Excel();
    const std::vector<sim::WorkbookInfo> books = excel.WorkbookList();
    if (books.empty()) {
        out << "  no workbook is open\n";
        return;
    }
    const std::string active = excel.ActiveWorkbookName();
    const std::string activeSheet = excel.ActiveSheetName();
    for (size_t i = 0; i < books.size(); ++i) {
        const sim::WorkbookInfo& book = books[i];
        out << "  " << i + 1 << ". " << book.name;
        std::vector<std::string> notes;
        if (book.name == active) notes.push_back("active");
        if (!book.windowVisible) notes.push_back("window hidden");
        if (book.isAddin) notes.push_back("add-in");
        const auto path = session.PathOf(book.name);
        notes.push_back(path ? "file " + ShownPath(*path) : "no file yet");
        for (size_t n = 0; n < notes.size(); ++n) out << (n == 0 ? " (" : ", ") << notes[n];
        out << ")\n";
        for (const sim::SheetInfo& sheet : book.sheets) {
            out << "       " << sheet.index << " " << sheet.name;
            std::vector<std::string> facts;
            if (sheet.kind == sim::SheetKind::Chart) facts.push_back("chart sheet");
            if (!VisibilityText(sheet.visible).empty())
                facts.push_back(VisibilityText(sheet.visible));
            if (sheet.isProtected) facts.push_back("protected");
            if (book.name == active && sheet.name == activeSheet) facts.push_back("active");
            for (size_t n = 0; n < facts.size(); ++n) out << (n == 0 ? " (" : ", ") << facts[n];
            out << (facts.empty() ? "" : ")") << '\n';
        }
    }
}

void PrintWindows(Session& session, std::ostream& out) {
    const auto& windows = session.Windows().OpenWindows();
    if (windows.empty()) {
        out << "  no window of the add-in is open\n";
        return;
    }
    for (const tessaly::WindowModel* window : windows)
        out << "  window \"" << window->Caption << "\" (" << window->Name() << ") is open\n";
}

void PrintKeys(Session& session, std::ostream& out) {
    const sim::Excel& excel = session.Excel();
    std::set<std::string> silenced;
    std::vector<std::string> order;
    for (const sim::OnKeyCall& call : excel.OnKeyLog()) {
        if (excel.KeyState(call.key) == sim::KeyBinding::Silenced &&
            silenced.insert(call.key).second)
            order.push_back(call.key);
    }
    out << "  keyboard hook: " << (session.Keyboard().InstalledHooks() > 0 ? "installed" : "none")
        << '\n';
    if (order.empty()) {
        out << "  no key combination is silenced in the host\n";
        return;
    }
    out << "  silenced in the host:";
    for (const std::string& key : order) out << ' ' << key;
    out << '\n';
}

}  // namespace app
