// sim::Excel: the user's actions on the simulated host and the views for tests.

#include "sim/excel.h"

#include <algorithm>

#include "sim/model.h"

namespace sim {

using detail::BarData;
using detail::BookData;
using detail::CtrlData;
using detail::Model;
using detail::SheetData;
using detail::SimMisuse;

namespace {

detail::Extent ParseUserRef(const std::string& address) {
    auto ref = detail::ParseA1(address);
    if (!ref) SimMisuse("\"" + address + "\" is not an A1 reference");
    return *ref;
}

void RequireWorksheet(const SheetData* s) {
    if (!s->IsWorksheet()) SimMisuse("\"" + s->name + "\" is a chart sheet");
}

void CheckLines(int32_t at, int32_t count, int32_t max) {
    if (at < 1 || count < 1 || at > max || count > max - at + 1)
        SimMisuse("line numbers out of the sheet");
}

}  // namespace

Excel::Excel(std::string version) : model_(std::make_shared<Model>()) {
    model_->version = std::move(version);
}

Excel::~Excel() = default;

void Excel::SetVersion(std::string version) {
    model_->version = std::move(version);
}
void Excel::SetCaption(std::string caption) {
    model_->fixedCaption = std::move(caption);
}
std::string Excel::Caption() const {
    return detail::CaptionText(*model_);
}

host::Ref<host::Application> Excel::Application() {
    return model_->MakeApplication();
}
host::Ref<host::AddIn> Excel::AddIn(std::string progId) {
    return model_->MakeAddIn(std::move(progId));
}

void Excel::AttachClipboard(platform::Clipboard* clipboard) {
    model_->clipboard = clipboard;
}

// ---------------------------------------------------------------- workbooks

std::string Excel::NewWorkbook(std::optional<std::string> name, int32_t worksheets) {
    if (worksheets < 1) SimMisuse("a workbook needs at least one worksheet");
    Model& m = *model_;
    std::string bookName;
    if (name) {
        bookName = *name;
    } else {
        do {
            bookName = "Book" + std::to_string(m.nextBookNumber++);
        } while (m.FindBook(bookName));
    }
    std::vector<std::string> sheets;
    for (int32_t i = 1; i <= worksheets; ++i) sheets.push_back("Sheet" + std::to_string(i));
    BookData* b = m.BuildBook(SimpleWorkbook(bookName, sheets));
    m.books.push_back(b);
    m.SetActive(b);
    auto wb = m.MakeWorkbook(b);
    m.Raise([&](host::AppEvents& e) { e.NewWorkbook(wb); });
    return bookName;
}

void Excel::OpenWorkbook(WorkbookSpec desc) {
    Model& m = *model_;
    BookData* b = m.BuildBook(std::move(desc));
    m.books.push_back(b);
    if (!b->isAddin && b->windowVisible) m.SetActive(b);
    auto wb = m.MakeWorkbook(b);
    m.Raise([&](host::AppEvents& e) { e.WorkbookOpen(wb); });
}

namespace {

bool Save(Model& m, BookData* b, bool saveAsUI, const std::string& fileName) {
    auto wb = m.MakeWorkbook(b);
    bool cancel = false;
    m.Raise([&](host::AppEvents& e) { e.WorkbookBeforeSave(wb, saveAsUI, cancel); });
    if (cancel || !b->alive) return false;
    if (fileName != b->name) {
        if (BookData* other = m.FindBook(fileName); other && other != b)
            SimMisuse("a workbook named \"" + fileName + "\" is already open");
        b->name = fileName;
    }
    m.savedFiles[b->name] = m.Describe(b);
    return true;
}

}  // namespace

bool Excel::SaveWorkbook(const std::string& book) {
    BookData* b = model_->Book(book);
    return Save(*model_, b, false, b->name);
}

bool Excel::SaveWorkbookAs(const std::string& book, const std::string& newName) {
    if (newName.empty()) SimMisuse("a workbook needs a name");
    return Save(*model_, model_->Book(book), true, newName);
}

const WorkbookSpec& Excel::Snapshot(const std::string& book) const {
    for (auto& [name, desc] : model_->savedFiles)
        if (detail::SameText(name, book)) return desc;
    SimMisuse("\"" + book + "\" was never saved");
}

bool Excel::WasSaved(const std::string& book) const {
    for (auto& [name, desc] : model_->savedFiles)
        if (detail::SameText(name, book)) return true;
    return false;
}

WorkbookSpec Excel::Describe(const std::string& book) const {
    return model_->Describe(model_->Book(book));
}

void Excel::CloseWorkbook(const std::string& book) {
    model_->CloseBook(model_->Book(book));
}

void Excel::RenameWorkbook(const std::string& oldName, const std::string& newName) {
    BookData* b = model_->Book(oldName);
    if (newName.empty()) SimMisuse("a workbook needs a name");
    if (BookData* other = model_->FindBook(newName); other && other != b)
        SimMisuse("a workbook named \"" + newName + "\" is already open");
    b->name = newName;
}

void Excel::ActivateWorkbook(const std::string& book) {
    BookData* b = model_->Book(book);
    if (b->isAddin) SimMisuse("an add-in workbook cannot be activated");
    if (!b->windowVisible) SimMisuse("the window of \"" + book + "\" is hidden");
    model_->SetActive(b);
}

// ---------------------------------------------------------------- sheets

namespace {

std::string AddSheet(Model& m, const std::string& book, SheetKind kind,
                     std::optional<std::string> name, std::optional<std::string> after) {
    BookData* b = m.Book(book);
    std::string sheetName;
    if (name) {
        sheetName = *name;
    } else {
        const char* stem = kind == SheetKind::Worksheet ? "Sheet" : "Chart";
        for (int n = 1; sheetName.empty(); ++n)
            if (!m.FindSheet(b, stem + std::to_string(n))) sheetName = stem + std::to_string(n);
    }
    SheetSpec desc;
    desc.name = sheetName;
    desc.kind = kind;
    auto position = b->sheets.end();
    if (after) {
        SheetData* prev = m.FindSheet(b, *after);
        if (!prev) SimMisuse("no sheet named \"" + *after + "\"");
        position = std::find(b->sheets.begin(), b->sheets.end(), prev) + 1;
    }
    SheetData* s = m.NewSheet(b, desc, {});
    b->sheets.insert(position, s);
    b->activeSheet = s;
    auto wb = m.MakeWorkbook(b);
    auto sh = m.MakeSheet(s);
    m.Raise([&](host::AppEvents& e) { e.WorkbookNewSheet(wb, sh); });
    return sheetName;
}

SheetData* NextVisible(BookData* b, SheetData* from) {
    auto it = std::find(b->sheets.begin(), b->sheets.end(), from);
    for (auto j = it + 1; j != b->sheets.end(); ++j)
        if ((*j)->visible == -1 && *j != from) return *j;
    for (auto j = b->sheets.begin(); j != it; ++j)
        if ((*j)->visible == -1) return *j;
    return nullptr;
}

}  // namespace

std::string Excel::AddWorksheet(const std::string& book, std::optional<std::string> name,
                                std::optional<std::string> after) {
    return AddSheet(*model_, book, SheetKind::Worksheet, std::move(name), std::move(after));
}

std::string Excel::AddChartSheet(const std::string& book, std::optional<std::string> name,
                                 std::optional<std::string> after) {
    return AddSheet(*model_, book, SheetKind::Chart, std::move(name), std::move(after));
}

void Excel::DeleteSheet(const std::string& book, const std::string& sheet) {
    SheetData* s = model_->Sheet(book, sheet);
    BookData* b = s->book;
    SheetData* next = NextVisible(b, s);
    if (!next) SimMisuse("a workbook must keep at least one visible sheet");
    if (b->activeSheet == s) b->activeSheet = next;
    b->sheets.erase(std::find(b->sheets.begin(), b->sheets.end(), s));
    s->alive = false;
    for (detail::NameData* n : b->names)
        if (n->first->sheet == s || n->scope == s) n->alive = false;
    std::erase_if(b->names, [](detail::NameData* n) { return !n->alive; });
}

void Excel::RenameSheet(const std::string& book, const std::string& sheet,
                        const std::string& newName) {
    SheetData* s = model_->Sheet(book, sheet);
    if (newName.empty() || newName.size() > 31) SimMisuse("a sheet name has 1 to 31 characters");
    if (SheetData* other = model_->FindSheet(s->book, newName); other && other != s)
        SimMisuse("duplicate sheet name \"" + newName + "\"");
    s->name = newName;
}

void Excel::SetSheetVisible(const std::string& book, const std::string& sheet, int32_t visible) {
    SheetData* s = model_->Sheet(book, sheet);
    if (visible != -1 && visible != 0 && visible != 2)
        SimMisuse("sheet visibility must be -1, 0 or 2");
    if (visible != -1 && s->visible == -1) {
        SheetData* next = NextVisible(s->book, s);
        if (!next) SimMisuse("a workbook must keep at least one visible sheet");
        if (s->book->activeSheet == s) s->book->activeSheet = next;
    }
    s->visible = visible;
}

void Excel::ActivateSheet(const std::string& book, const std::string& sheet) {
    SheetData* s = model_->Sheet(book, sheet);
    if (s->visible != -1) SimMisuse("a hidden sheet cannot be activated");
    ActivateWorkbook(book);
    s->book->activeSheet = s;
}

// ---------------------------------------------------------------- cells

void Excel::Select(const std::string& address) {
    Model& m = *model_;
    if (!m.active) SimMisuse("no active workbook");
    SheetData* s = m.active->activeSheet;
    RequireWorksheet(s);
    m.SelectOn(s, ParseUserRef(address), true);
}

void Excel::Select(const std::string& book, const std::string& sheet, const std::string& address) {
    ActivateSheet(book, sheet);
    Select(address);
}

void Excel::Edit(const std::string& address, const std::string& text) {
    Model& m = *model_;
    if (!m.active) SimMisuse("no active workbook");
    SheetData* s = m.active->activeSheet;
    RequireWorksheet(s);
    detail::Extent r = ParseUserRef(address);
    if (!r.Single() || r.row1 == 0) SimMisuse("Edit takes one cell");
    if (s->isProtected) SimMisuse("the sheet is protected");
    if (!(r.row1 == s->activeRow && r.col1 == s->activeCol)) m.SelectOn(s, r, false);
    s->cells.Set(r.row1, r.col1, text);  // empty text empties the cell
    auto sh = m.MakeSheet(s);
    auto target = m.MakeRange(s, r);
    m.Raise([&](host::AppEvents& e) { e.SheetChange(sh, target); });
}

void Excel::Edit(const std::string& book, const std::string& sheet, const std::string& address,
                 const std::string& text) {
    ActivateSheet(book, sheet);
    Edit(address, text);
}

namespace {

void MoveLines(Model& m, const std::string& book, const std::string& sheet, bool rows, int32_t at,
               int32_t count, bool insert) {
    SheetData* s = m.Sheet(book, sheet);
    RequireWorksheet(s);
    CheckLines(at, count, rows ? detail::kMaxRows : detail::kMaxColumns);
    if (s->isProtected) SimMisuse("the sheet is protected");
    m.ShiftLines(s, rows, at, insert ? count : -count);
    detail::Extent target =
        rows ? detail::Extent{at, 0, at + count - 1, 0} : detail::Extent{0, at, 0, at + count - 1};
    auto sh = m.MakeSheet(s);
    auto range = m.MakeRange(s, target);
    m.Raise([&](host::AppEvents& e) { e.SheetChange(sh, range); });
}

}  // namespace

void Excel::InsertRows(const std::string& book, const std::string& sheet, int32_t at,
                       int32_t count) {
    MoveLines(*model_, book, sheet, true, at, count, true);
}
void Excel::DeleteRows(const std::string& book, const std::string& sheet, int32_t at,
                       int32_t count) {
    MoveLines(*model_, book, sheet, true, at, count, false);
}
void Excel::InsertColumns(const std::string& book, const std::string& sheet, int32_t at,
                          int32_t count) {
    MoveLines(*model_, book, sheet, false, at, count, true);
}
void Excel::DeleteColumns(const std::string& book, const std::string& sheet, int32_t at,
                          int32_t count) {
    MoveLines(*model_, book, sheet, false, at, count, false);
}

namespace {

void SetLines(std::set<int32_t>& set, int32_t at, int32_t count, int32_t max, bool on) {
    CheckLines(at, count, max);
    for (int32_t i = at; i < at + count; ++i) {
        if (on)
            set.insert(i);
        else
            set.erase(i);
    }
}

SheetData* Worksheet(Model& m, const std::string& book, const std::string& sheet) {
    SheetData* s = m.Sheet(book, sheet);
    RequireWorksheet(s);
    return s;
}

}  // namespace

// Objects that move with cells follow every change of the lines' sizes.
void Excel::HideRows(const std::string& book, const std::string& sheet, int32_t row,
                     int32_t count) {
    SheetData* s = Worksheet(*model_, book, sheet);
    SetLines(s->hiddenRows, row, count, detail::kMaxRows, true);
    model_->PlaceObjects(s, true);
}
void Excel::ShowRows(const std::string& book, const std::string& sheet, int32_t row,
                     int32_t count) {
    SheetData* s = Worksheet(*model_, book, sheet);
    SetLines(s->hiddenRows, row, count, detail::kMaxRows, false);
    model_->PlaceObjects(s, true);
}
void Excel::FilterHideRows(const std::string& book, const std::string& sheet, int32_t row,
                           int32_t count) {
    SheetData* s = Worksheet(*model_, book, sheet);
    SetLines(s->filterRows, row, count, detail::kMaxRows, true);
    model_->PlaceObjects(s, true);
}
void Excel::ClearFilter(const std::string& book, const std::string& sheet) {
    SheetData* s = Worksheet(*model_, book, sheet);
    s->filterRows.clear();
    model_->PlaceObjects(s, true);
}
void Excel::HideColumns(const std::string& book, const std::string& sheet, int32_t column,
                        int32_t count) {
    SheetData* s = Worksheet(*model_, book, sheet);
    SetLines(s->hiddenCols, column, count, detail::kMaxColumns, true);
    model_->PlaceObjects(s, false);
}
void Excel::ShowColumns(const std::string& book, const std::string& sheet, int32_t column,
                        int32_t count) {
    SheetData* s = Worksheet(*model_, book, sheet);
    SetLines(s->hiddenCols, column, count, detail::kMaxColumns, false);
    model_->PlaceObjects(s, false);
}
void Excel::SetRowHeight(const std::string& book, const std::string& sheet, int32_t row,
                         double points) {
    CheckLines(row, 1, detail::kMaxRows);
    if (points < 0 || points > 409) SimMisuse("row height out of range");
    SheetData* s = Worksheet(*model_, book, sheet);
    s->rowHeights[row] = points;
    model_->PlaceObjects(s, true);
}
void Excel::SetColumnWidth(const std::string& book, const std::string& sheet, int32_t column,
                           double points) {
    CheckLines(column, 1, detail::kMaxColumns);
    if (points < 0) SimMisuse("column width out of range");
    SheetData* s = Worksheet(*model_, book, sheet);
    s->colWidths[column] = points;
    model_->PlaceObjects(s, false);
}

void Excel::SetWindowVisible(const std::string& book, bool visible) {
    Model& m = *model_;
    BookData* b = m.Book(book);
    b->windowVisible = visible;
    if (visible && !b->isAddin)
        m.SetActive(b);  // unhiding a window activates it
    else if (!visible && m.active == b)
        m.ActivateSomeOther(b);
}

void Excel::Protect(const std::string& book, const std::string& sheet) {
    model_->Sheet(book, sheet)->isProtected = true;
}
void Excel::Unprotect(const std::string& book, const std::string& sheet) {
    model_->Sheet(book, sheet)->isProtected = false;
}

void Excel::SetIsAddin(const std::string& book, bool isAddin) {
    Model& m = *model_;
    BookData* b = m.Book(book);
    b->isAddin = isAddin;
    if (isAddin && m.active == b) m.ActivateSomeOther(b);
}

void Excel::DefineName(const std::string& book, const std::string& sheet,
                       const std::string& address, const std::string& name) {
    Model& m = *model_;
    SheetData* s = Worksheet(m, book, sheet);
    if (!detail::LooksLikeName(name)) SimMisuse("\"" + name + "\" is not a valid name");
    detail::Extent r = ParseUserRef(address);
    if (r.row1 == 0 || r.col1 == 0) SimMisuse("names refer to cells here");
    // Defining an existing name of the workbook again points it at the new cells, as the
    // host does; sheets' own names of that spelling stay.
    std::erase_if(s->book->names, [&](detail::NameData* n) {
        if (n->scope != nullptr || !detail::SameText(n->name, name)) return false;
        n->alive = false;
        return true;
    });
    m.allNames.push_back(std::make_unique<detail::NameData>());
    detail::NameData* n = m.allNames.back().get();
    n->name = name;
    n->book = s->book;
    n->first = m.AnchorAt(s, r.row1, r.col1);
    n->last = r.Single() ? nullptr : m.AnchorAt(s, r.row2, r.col2);
    s->book->names.push_back(n);
}

namespace {

detail::OleData* LiveOle(Model& m, const std::string& book, const std::string& sheet,
                         size_t index) {
    SheetData* s = Worksheet(m, book, sheet);
    size_t n = 0;
    for (detail::OleData* o : s->oles) {
        if (o->deleted) continue;
        if (n++ == index) return o;
    }
    SimMisuse("no OLE object at that index");
}

}  // namespace

void Excel::DeleteOleObject(const std::string& book, const std::string& sheet, size_t index) {
    LiveOle(*model_, book, sheet, index)->deleted = true;
}

void Excel::MoveOleObject(const std::string& book, const std::string& sheet, size_t index,
                          double left, double top) {
    detail::OleData* o = LiveOle(*model_, book, sheet, index);
    o->desc.left = left;
    o->desc.top = top;
    model_->AnchorObject(o);
}

void Excel::DeleteCustomProperty(const std::string& book, const std::string& name) {
    BookData* b = model_->Book(book);
    for (detail::PropData* p : b->props) {
        if (detail::SameText(p->name, name)) {
            p->alive = false;
            std::erase(b->props, p);
            return;
        }
    }
    SimMisuse("no property named \"" + name + "\"");
}

// ---------------------------------------------------------------- command bars

void Excel::SetEditMode(bool editing) {
    model_->editMode = editing;
    for (CtrlData* c : model_->AllControls())
        if (c->builtIn && c->id == host::mso::kIdHostReady) c->enabled = !editing;
}

bool Excel::ClickControl(const host::Ref<host::CommandBarControl>& control) {
    if (!control) SimMisuse("no control to click");
    Model& m = *model_;
    // The handle's identity is the control's model record.
    auto* c = static_cast<CtrlData*>(const_cast<void*>(control->Identity()));
    bool known = false;
    for (auto& owned : m.allCtrls) known = known || owned.get() == c;
    if (!known) SimMisuse("not a control of this host");
    if (!c->alive || !c->enabled) return false;
    if (c->type == host::mso::kControlPopup) return true;  // opening a menu runs nothing
    // The host raises the click on every sink of every button with the same Id and
    // the same Tag as the one clicked ("To avoid duplicate calls of the same class when
    // triggered with events, define the Tag property unique to the events": Office VBA
    // reference, CommandBarControl.Tag property); custom buttons all have Id 1. Each
    // sink gets the clicked control, and one CancelDefault goes from sink to sink.
    std::vector<std::pair<int, CtrlData*>> sinks;
    for (CtrlData* other : m.AllControls()) {
        if (other->id != c->id || other->tag != c->tag) continue;
        for (auto& [id, h] : other->handlers) sinks.emplace_back(id, other);
    }
    std::sort(sinks.begin(), sinks.end());  // advising order
    bool cancelDefault = false;
    auto self = m.MakeControl(c);
    for (auto [id, owner] : sinks) {
        auto& handlers = owner->handlers;
        auto it = std::find_if(handlers.begin(), handlers.end(),
                               [id = id](auto& p) { return p.first == id; });
        if (it == handlers.end()) continue;
        auto handler = it->second;  // a handler may disconnect itself
        handler(self, cancelDefault);
    }
    if (!cancelDefault && c->alive && c->id == host::mso::kIdDesignMode && c->builtIn)
        m.SetDesignMode(!m.designMode);
    return true;
}

host::Ref<host::CommandBarControl> Excel::FindControlByCaption(const std::string& barName,
                                                               const std::string& caption) const {
    BarData* bar = model_->FindBar(barName);
    if (!bar) return nullptr;
    auto strip = [](std::string s) {
        std::erase(s, '&');
        return s;
    };
    CtrlData* c = model_->FindInBar(bar, [&](CtrlData* c) {
        return c->caption == caption || strip(c->caption) == strip(caption);
    });
    return c ? model_->MakeControl(c) : nullptr;
}

bool Excel::ClickControl(const std::string& barName, const std::string& caption) {
    auto control = FindControlByCaption(barName, caption);
    if (!control) SimMisuse("no control \"" + caption + "\" on bar \"" + barName + "\"");
    return ClickControl(control);
}

std::vector<host::Ref<host::CommandBarControl>> Excel::DesignModeControls() const {
    std::vector<host::Ref<host::CommandBarControl>> out;
    for (CtrlData* c : model_->AllControls())
        if (c->builtIn && c->id == host::mso::kIdDesignMode) out.push_back(model_->MakeControl(c));
    return out;
}

bool Excel::DesignMode() const {
    return model_->designMode;
}

void Excel::Restart() {
    Model& m = *model_;
    while (!m.books.empty()) m.CloseBook(m.books.front());
    std::vector<detail::BarData*> keep;
    for (detail::BarData* b : m.bars) {
        if (b->temporary)
            m.KillBar(b);
        else
            keep.push_back(b);
    }
    m.bars = keep;
    std::vector<CtrlData*> temporary;
    for (CtrlData* c : m.AllControls())
        if (c->temporary) temporary.push_back(c);
    for (CtrlData* c : temporary)
        if (c->alive) m.RemoveControl(c);
    m.SetDesignMode(false);
    SetEditMode(false);
    m.keyBindings.clear();
    m.screenUpdating = true;
}

// ---------------------------------------------------------------- handles for tests

host::Ref<host::Workbook> Excel::WorkbookRef(const std::string& book) const {
    return model_->MakeWorkbook(model_->Book(book));
}

host::Ref<host::Sheet> Excel::SheetRef(const std::string& book, const std::string& sheet) const {
    return model_->MakeSheet(model_->Sheet(book, sheet));
}

host::Ref<host::Range> Excel::RangeRef(const std::string& book, const std::string& sheet,
                                       const std::string& address) const {
    SheetData* s = Worksheet(*model_, book, sheet);
    return model_->MakeRange(s, ParseUserRef(address));
}

// ---------------------------------------------------------------- inspection

WorkbookInfo Excel::Workbook(const std::string& book) const {
    BookData* b = model_->Book(book);
    WorkbookInfo info;
    info.name = b->name;
    info.windowVisible = b->windowVisible;
    info.isAddin = b->isAddin;
    int32_t index = 0;
    for (SheetData* s : b->sheets)
        info.sheets.push_back({s->name, s->kind, ++index, s->visible, s->isProtected});
    return info;
}

std::vector<WorkbookInfo> Excel::WorkbookList() const {
    std::vector<WorkbookInfo> out;
    for (BookData* b : model_->VisibleOrder()) out.push_back(Workbook(b->name));
    for (BookData* b : model_->books)
        if (b->isAddin) out.push_back(Workbook(b->name));
    return out;
}

std::vector<std::string> Excel::WorkbookNames() const {
    std::vector<std::string> out;
    for (const WorkbookInfo& info : WorkbookList()) out.push_back(info.name);
    return out;
}

std::string Excel::ActiveWorkbookName() const {
    return model_->active ? model_->active->name : "";
}

std::string Excel::ActiveSheetName() const {
    return model_->active ? model_->active->activeSheet->name : "";
}

std::string Excel::ActiveCellAddress() const {
    if (!model_->active || !model_->active->activeSheet->IsWorksheet()) return "";
    const SheetData* s = model_->active->activeSheet;
    return detail::FormatA1(detail::Extent{s->activeRow, s->activeCol, s->activeRow, s->activeCol});
}

std::string Excel::SelectionAddress() const {
    if (!model_->active || !model_->active->activeSheet->IsWorksheet()) return "";
    return detail::FormatA1(model_->active->activeSheet->selection);
}

std::string Excel::CellText(const std::string& book, const std::string& sheet,
                            const std::string& address) const {
    SheetData* s = Worksheet(*model_, book, sheet);
    detail::Extent r = ParseUserRef(address);
    return s->cells.Text(r.row1, r.col1);
}

std::vector<OleObjectInfo> Excel::OleObjects(const std::string& book, const std::string& sheet,
                                             bool includeDeleted) const {
    SheetData* s = Worksheet(*model_, book, sheet);
    std::vector<OleObjectInfo> out;
    for (const detail::OleData* o : s->oles) {
        if (o->deleted && !includeDeleted) continue;
        OleObjectInfo info;
        static_cast<OleObjectSpec&>(info) = o->desc;
        info.deleted = o->deleted;
        // A floating object's anchors are not kept up to date: it lies over whatever
        // cell is under it now.
        const bool floating = o->desc.placement == 3;
        const detail::LinePoint row =
            floating ? model_->PointAt(s, true, o->desc.top, false) : o->rows.from;
        const detail::LinePoint col =
            floating ? model_->PointAt(s, false, o->desc.left, false) : o->cols.from;
        info.anchorRow = row.line;
        info.anchorColumn = col.line;
        info.rowOffset = row.offset;
        info.columnOffset = col.offset;
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<PropertySpec> Excel::CustomProperties(const std::string& book) const {
    std::vector<PropertySpec> out;
    for (const detail::PropData* p : model_->Book(book)->props) out.push_back({p->name, p->value});
    return out;
}

std::optional<std::string> Excel::CustomProperty(const std::string& book,
                                                 const std::string& name) const {
    for (const detail::PropData* p : model_->Book(book)->props)
        if (detail::SameText(p->name, name)) return p->value;
    return std::nullopt;
}

std::vector<CommandBarInfo> Excel::CommandBarList() const {
    std::vector<CommandBarInfo> out;
    for (const detail::BarData* b : model_->bars) out.push_back(Model::Inspect(b));
    return out;
}

std::optional<CommandBarInfo> Excel::CommandBar(const std::string& name) const {
    if (const detail::BarData* b = model_->FindBar(name)) return Model::Inspect(b);
    return std::nullopt;
}

KeyBinding Excel::KeyState(const std::string& key) const {
    auto canonical = detail::NormaliseKeyString(key);
    if (!canonical) return KeyBinding::HostDefault;
    auto it = model_->keyBindings.find(*canonical);
    if (it == model_->keyBindings.end()) return KeyBinding::HostDefault;
    return it->second->empty() ? KeyBinding::Silenced : KeyBinding::Procedure;
}

std::optional<std::string> Excel::KeyProcedure(const std::string& key) const {
    auto canonical = detail::NormaliseKeyString(key);
    if (!canonical) return std::nullopt;
    auto it = model_->keyBindings.find(*canonical);
    if (it == model_->keyBindings.end()) return std::nullopt;
    return *it->second;
}

const std::vector<OnKeyCall>& Excel::OnKeyLog() const {
    return model_->onKeyLog;
}
bool Excel::ScreenUpdating() const {
    return model_->screenUpdating;
}
const std::vector<std::string>& Excel::GotoLog() const {
    return model_->gotoLog;
}
int32_t Excel::AdvisedSinks() const {
    return static_cast<int32_t>(model_->sinks.size());
}

// ---------------------------------------------------------------- faults and counts

namespace {

size_t MemberIndex(const std::string& member) {
    for (size_t i = 0; i < detail::kMemberCount; ++i)
        if (member == detail::kMemberNames[i]) return i;
    SimMisuse("unknown host member \"" + member + "\"");
}

}  // namespace

void Excel::FailNext(const std::string& member, int32_t number, std::string description,
                     int32_t skip) {
    size_t i = MemberIndex(member);
    model_->pending[i].push_back({number, std::move(description), skip});
    ++model_->failuresArmed;
}

void Excel::FailAlways(const std::string& member, int32_t number, std::string description) {
    size_t i = MemberIndex(member);
    if (!model_->always[i]) ++model_->failuresArmed;
    model_->always[i] = detail::Failure{number, std::move(description), 0};
}

void Excel::ClearFailures() {
    for (auto& q : model_->pending) q.clear();
    for (auto& a : model_->always) a.reset();
    model_->failuresArmed = 0;
}

int64_t Excel::CallCount(const std::string& member) const {
    return model_->counts[MemberIndex(member)];
}

int64_t Excel::TotalCalls() const {
    return model_->totalCalls;
}

void Excel::ResetCallCounts() {
    model_->counts.fill(0);
    model_->totalCalls = 0;
}

std::vector<std::string> Excel::MemberNames() {
    return {std::begin(detail::kMemberNames), std::end(detail::kMemberNames)};
}

}  // namespace sim
