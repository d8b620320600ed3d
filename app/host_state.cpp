#include "app/host_state.h"

#include <algorithm>
#include <map>

#include "app/addin_buttons.h"
#include "app/text.h"
#include "bookmarks/clsBMs.h"

namespace app {

namespace {

// Closer to its cell's corner than this, a mark sits on the corner.
constexpr double kCornerTolerance = 0.01;

// Items of `from` that `other` does not have, counting repeats.
std::vector<std::string> Missing(const std::vector<std::string>& from,
                                 const std::vector<std::string>& other) {
    std::map<std::string, int> available;
    for (const std::string& s : other) ++available[s];
    std::vector<std::string> missing;
    for (const std::string& s : from) {
        if (available[s] > 0) {
            --available[s];
        } else {
            missing.push_back(s);
        }
    }
    return missing;
}

struct ButtonState {
    bool exists = false;
    std::string text;
};

ButtonState StateOf(const tessaly::ButtonField& field) {
    if (!field) return {};
    try {
        const bool enabled = field->Enabled();
        const bool pressed = field->State() == host::mso::kButtonDown;
        return {true, std::string(enabled ? "enabled" : "disabled") + (pressed ? ", pressed" : "")};
    } catch (const host::HostError&) {
        return {};  // deleted under us: nothing to show
    }
}

}  // namespace

std::string CellText(const std::string& book, const std::string& sheet,
                     const std::string& address) {
    return "[" + book + "]" + QuotedSheetName(sheet) + "!" + address;
}

std::string MarkView::Text() const {
    return CellText(book, sheet, address) + " " + RgbText(color) +
           (offCorner ? " (moved off its corner)" : "");
}

std::vector<MarkView> FindMarks(sim::Excel& excel, const std::string& book,
                                const std::string& sheet) {
    std::vector<MarkView> marks;
    for (const sim::OleObjectInfo& object : excel.OleObjects(book, sheet)) {
        if (object.classType != "Forms.Label.1" || object.label.caption != "*") continue;
        MarkView mark;
        mark.book = book;
        mark.sheet = sheet;
        mark.color = object.label.foreColor;
        mark.row = object.anchorRow;
        mark.column = object.anchorColumn;
        mark.offCorner =
            object.rowOffset > kCornerTolerance || object.columnOffset > kCornerTolerance;
        mark.address = "$" + ColumnLetters(mark.column) + "$" + std::to_string(mark.row);
        marks.push_back(std::move(mark));
    }
    return marks;
}

std::vector<MarkView> FindMarks(sim::Excel& excel) {
    std::vector<MarkView> marks;
    for (const sim::WorkbookInfo& book : excel.WorkbookList()) {
        for (const sim::SheetInfo& sheet : book.sheets) {
            if (sheet.kind != sim::SheetKind::Worksheet) continue;
            for (MarkView& mark : FindMarks(excel, book.name, sheet.name))
                marks.push_back(std::move(mark));
        }
    }
    return marks;
}

std::string ActiveCellText(sim::Excel& excel) {
    const std::string book = excel.ActiveWorkbookName();
    if (book.empty()) return "no workbook is active";
    const std::string sheet = excel.ActiveSheetName();
    const std::string cell = excel.ActiveCellAddress();
    if (cell.empty()) return "[" + book + "]" + QuotedSheetName(sheet) + " (chart sheet, no cell)";
    std::string text = CellText(book, sheet, cell);
    const std::string selection = excel.SelectionAddress();
    if (!selection.empty() && selection != cell) text += " in selection " + selection;
    return text;
}

std::vector<std::string> BookmarkTexts(tessaly::Connect* addin,
                                       std::map<const void*, std::string>& known) {
    std::vector<std::string> texts;
    if (addin == nullptr) return texts;
    tessaly::clsBMs& bms = addin->BMs();
    std::map<const void*, std::string> seen;
    for (int32_t i = 1; i <= bms.Count(); ++i) {
        const std::shared_ptr<tessaly::clsBM> bm = bms.Item(i);
        const void* id = bm.get();
        try {
            if (!bm || !bm->BMBook || !bm->BMSheet || !bm->BMCell)
                throw host::HostError(host::err::kObjectRequired, "no object");
            texts.push_back(
                CellText(bm->BMBook->Name(), bm->BMSheet->Name(), bm->BMCell->Address()));
            seen[id] = texts.back();
        } catch (const host::HostError&) {
            const auto it = known.find(id);
            const std::string last = it != known.end() ? it->second : "(a bookmark)";
            texts.push_back(last + kDeadSuffix);
            seen[id] = last;
        }
    }
    known = std::move(seen);  // records that left the collection are forgotten
    return texts;
}

std::vector<std::pair<std::string, std::string>> ControlStates(tessaly::Connect* addin) {
    std::vector<std::pair<std::string, std::string>> states;
    if (addin == nullptr) return states;
    for (const AddinButton& b : AddinButtons()) {
        const tessaly::ButtonField& field = addin->*(b.field);
        const ButtonState primary = StateOf(field);
        const ButtonState twin = b.copy != nullptr ? StateOf(addin->*(b.copy)) : ButtonState{};
        if (!primary.exists && !twin.exists) continue;
        std::string label = ButtonCaption(primary.exists ? field : addin->*(b.copy));
        if (label.empty()) label = b.word;
        std::string text;
        if (primary.exists && twin.exists && primary.text != twin.text) {
            text = "menu " + primary.text + "; toolbar " + twin.text;
        } else {
            text = primary.exists ? primary.text : twin.text;
        }
        states.emplace_back(label, text);
    }
    return states;
}

HostState CaptureState(Session& session) {
    HostState state;
    sim::Excel& excel = session.Excel();
    state.activeCell = ActiveCellText(excel);
    state.bookmarks = BookmarkTexts(session.LastAddin(), session.KnownBookmarks());
    for (const MarkView& mark : FindMarks(excel)) state.marks.push_back(mark.Text());
    state.controls = ControlStates(session.Addin());
    return state;
}

namespace {

// What changed between two control states, in words: "pressed", "raised", "disabled"...
std::string StateChange(const std::string& before, const std::string& after) {
    const bool twins =
        before.find(';') != std::string::npos || after.find(';') != std::string::npos;
    if (twins) return after;
    std::string change;
    const bool wasEnabled = before.rfind("enabled", 0) == 0;
    const bool isEnabled = after.rfind("enabled", 0) == 0;
    const bool wasPressed = before.find("pressed") != std::string::npos;
    const bool isPressed = after.find("pressed") != std::string::npos;
    if (wasEnabled != isEnabled) change = isEnabled ? "enabled" : "disabled";
    if (wasPressed != isPressed)
        change += std::string(change.empty() ? "" : ", ") + (isPressed ? "pressed" : "raised");
    return change;
}

}  // namespace

void ReportChanges(const HostState& before, const HostState& after, std::ostream& out) {
    if (after.activeCell != before.activeCell) out << "  active cell: " << after.activeCell << '\n';
    std::vector<std::string> gone = Missing(before.bookmarks, after.bookmarks);
    std::vector<std::string> added = Missing(after.bookmarks, before.bookmarks);
    // A bookmark that died reads as gone and added again with the suffix: say it once.
    const std::string suffix = kDeadSuffix;
    for (auto it = added.begin(); it != added.end();) {
        const bool dead = it->size() > suffix.size() &&
                          it->compare(it->size() - suffix.size(), suffix.size(), suffix) == 0;
        const auto was =
            dead ? std::find(gone.begin(), gone.end(), it->substr(0, it->size() - suffix.size()))
                 : gone.end();
        if (was == gone.end()) {
            ++it;
            continue;
        }
        out << "  bookmark " << *was << " is dead: its workbook, sheet or cell is gone\n";
        gone.erase(was);
        it = added.erase(it);
    }
    for (const std::string& b : gone) out << "  - bookmark " << b << '\n';
    for (const std::string& b : added) out << "  + bookmark " << b << '\n';
    for (const std::string& m : Missing(before.marks, after.marks)) out << "  - mark " << m << '\n';
    for (const std::string& m : Missing(after.marks, before.marks)) out << "  + mark " << m << '\n';
    std::map<std::string, std::string> old(before.controls.begin(), before.controls.end());
    for (const auto& [label, text] : after.controls) {
        const auto it = old.find(label);
        if (it == old.end()) {
            out << "  " << label << ": " << text << '\n';
            continue;
        }
        if (it->second != text)
            out << "  " << label << ": " << StateChange(it->second, text) << '\n';
        old.erase(it);
    }
    for (const auto& [label, text] : old) out << "  " << label << ": gone\n";
}

}  // namespace app
