#pragma once

// The simulated host's inner model, shared by sim::Excel (the user's side) and the
// handles given to the add-in (the object model's side). Not a public header.
//
// Model objects are never freed while the model lives: a closed workbook, a deleted
// sheet or control is only marked dead, so handles can keep raw pointers and fail
// cleanly when asked. Handles hold the model itself alive.

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/host.h"
#include "platform/platform.h"
#include "sim/cell_table.h"
#include "sim/excel.h"
#include "sim/members.h"
#include "sim/workbook_description.h"
#include "text/references.h"

namespace sim::detail {

inline constexpr int32_t kMaxRows = 1048576;
inline constexpr int32_t kMaxColumns = 16384;
inline constexpr double kDefaultRowHeight = 15.0;
inline constexpr double kDefaultColumnWidth = 48.0;

struct BookData;
struct SheetData;

// A tracked position on a sheet: a cell, a whole row (column 0) or a whole column
// (row 0). There is at most one live anchor per position, which gives ranges their
// identity; it moves with inserted and deleted rows and columns.
struct Anchor {
    SheetData* sheet = nullptr;
    int32_t row = 0;
    int32_t col = 0;
    bool alive = true;
};

// A rectangle between two anchors; exists only to give the range an identity.
struct Area {
    Anchor* first = nullptr;
    Anchor* last = nullptr;
};

// A parsed reference: first and last corner (last == first for one cell); a row
// of 0 means whole columns, a column of 0 whole rows.
struct Extent {
    int32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
    bool Single() const { return row1 == row2 && col1 == col2; }
};

struct NameData {
    std::string name;
    Anchor* first = nullptr;
    Anchor* last = nullptr;  // nullptr for one cell
    BookData* book = nullptr;
    SheetData* scope = nullptr;  // the sheet of a local name; nullptr for the workbook's
    bool alive = true;
};

// A point along the rows or the columns of a sheet, held as the line it lies in and
// its distance in points from that line's start. The point stays on its line while
// the line is hidden (it then sits at the line's start) and while other lines are
// hidden, resized, inserted or deleted.
struct LinePoint {
    int32_t line = 1;
    double offset = 0.0;
};

// An object's anchor along one axis: the lines under its first and its far edge.
struct ObjectSpan {
    LinePoint from;
    LinePoint to;
};

struct OleData {
    OleObjectSpec desc;
    SheetData* sheet = nullptr;
    bool deleted = false;
    char labelTag = 0;  // identity of the label control inside
    // The cells under the top left and bottom right corners, as the host anchors the
    // object. Objects that move with cells (placement 1 and 2) take their position
    // from `from`, and those that also size with them (1) their size from `to`;
    // free-floating ones (3) ignore both, and get new ones when they stop floating.
    ObjectSpan rows, cols;
};

struct PropData {
    std::string name;
    std::string value;
    BookData* book = nullptr;
    bool alive = true;
};

struct SheetData {
    BookData* book = nullptr;
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    int32_t visible = -1;
    bool isProtected = false;
    bool alive = true;
    std::set<int32_t> hiddenRows, hiddenCols, filterRows;
    std::map<int32_t, double> rowHeights, colWidths;
    CellTable cells;
    std::unordered_map<uint64_t, Anchor*> anchors;  // live anchors by position
    std::map<std::pair<Anchor*, Anchor*>, Area*> areas;
    std::vector<OleData*> oles;  // creation order, deleted ones included
    // The remembered selection; the active cell lies inside it.
    int32_t activeRow = 1, activeCol = 1;
    Extent selection{1, 1, 1, 1};
    char olesTag = 0;
    SheetSpec::SourceMark source;  // handed back to the file writer as it came

    bool Alive() const;
    bool IsWorksheet() const { return kind == SheetKind::Worksheet; }
};

struct BookData {
    std::string name;
    bool windowVisible = true;
    bool isAddin = false;
    bool alive = true;
    std::vector<SheetData*> sheets;  // tab order
    SheetData* activeSheet = nullptr;
    std::vector<PropData*> props;  // live ones, in order of addition
    std::vector<NameData*> names;  // live ones
    char windowTag = 0, sheetsTag = 0, worksheetsTag = 0, propsTag = 0;
};

struct BarData;

struct CtrlData {
    int32_t id = 1;
    int32_t type = host::mso::kControlButton;
    std::string caption, tag, onAction;
    bool beginGroup = false;
    bool enabled = true;
    int32_t style = 0;
    int32_t faceId = 0;
    std::optional<platform::Bitmap> face;
    int32_t state = 0;
    bool temporary = false;
    bool builtIn = false;
    bool alive = true;
    BarData* parent = nullptr;
    BarData* popupBar = nullptr;  // popups only
    std::vector<std::pair<int, host::CommandBarControl::ClickHandler>> handlers;
};

struct BarData {
    std::string name;
    int32_t position = host::mso::kBarTop;
    int32_t rowIndex = 0;
    int32_t left = 0, top = 0;
    bool visible = false;
    int32_t protection = 0;
    bool temporary = false;
    bool menuBar = false;
    bool builtIn = false;
    bool alive = true;
    std::vector<CtrlData*> controls;
    CtrlData* owner = nullptr;  // the popup whose bar this is
    char controlsTag = 0;
};

struct Failure {
    int32_t number = 0;
    std::string description;
    int32_t skip = 0;
};

enum class SelectMode { Select, ActivateCell };

struct Model : std::enable_shared_from_this<Model> {
    Model();

    // ---- settings of the application
    std::string version = "11.0";
    std::optional<std::string> fixedCaption;
    bool screenUpdating = true;
    platform::Clipboard* clipboard = nullptr;
    bool designMode = false;
    bool editMode = false;
    std::vector<std::string> gotoLog;
    std::vector<OnKeyCall> onKeyLog;
    std::map<std::string, std::optional<std::string>> keyBindings;  // normalised key
    char workbooksTag = 0, commandBarsTag = 0, addinTag = 0;
    int32_t nextBookNumber = 1;

    // ---- arenas: everything ever made, alive or not
    std::deque<std::unique_ptr<BookData>> allBooks;
    std::deque<std::unique_ptr<SheetData>> allSheets;
    std::deque<std::unique_ptr<Anchor>> allAnchors;
    std::deque<std::unique_ptr<Area>> allAreas;
    std::deque<std::unique_ptr<NameData>> allNames;
    std::deque<std::unique_ptr<OleData>> allOles;
    std::deque<std::unique_ptr<PropData>> allProps;
    std::deque<std::unique_ptr<BarData>> allBars;
    std::deque<std::unique_ptr<CtrlData>> allCtrls;

    // ---- state
    std::vector<BookData*> books;  // open, in open order
    BookData* active = nullptr;
    std::vector<BookData*> recent;                   // most recently active first
    std::vector<BarData*> bars;                      // top-level bars in CommandBars order
    std::map<std::string, WorkbookSpec> savedFiles;  // by workbook name at save time

    // ---- events
    int nextSinkId = 1;
    std::vector<std::pair<int, host::AppEvents*>> sinks;

    // ---- calls
    std::array<int64_t, kMemberCount> counts{};
    int64_t totalCalls = 0;
    std::array<std::deque<Failure>, kMemberCount> pending;
    std::array<std::optional<Failure>, kMemberCount> always;
    int failuresArmed = 0;

    // Counts a call and raises an injected failure for it.
    void Enter(Member m) {
        ++counts[static_cast<size_t>(m)];
        ++totalCalls;
        if (failuresArmed > 0) CheckFailure(m);
    }
    void CheckFailure(Member m);

    // ---- lookups (SimError when absent)
    BookData* FindBook(const std::string& name) const;  // case-insensitive, open ones
    BookData* Book(const std::string& name) const;
    SheetData* FindSheet(BookData* book, const std::string& name) const;
    SheetData* Sheet(const std::string& book, const std::string& sheet) const;
    std::vector<BookData*> VisibleOrder() const;  // Workbooks collection order (no add-ins)

    // ---- geometry
    double RowHeight(const SheetData* s, int32_t row) const;  // 0 when hidden
    double ColumnWidth(const SheetData* s, int32_t col) const;
    double TopOf(const SheetData* s, int32_t row) const;
    double LeftOf(const SheetData* s, int32_t col) const;
    // The line holding a point at `position` points (zero-size lines hold none). A point
    // on the boundary of two lines lies in the later one, or with `farEdge` (the far
    // edge of an object) in the earlier one.
    LinePoint PointAt(const SheetData* s, bool rows, double position, bool farEdge) const;

    // ---- OLE objects anchored to cells
    // Anchors the object where it is now, along one axis or both.
    void AnchorObject(OleData* o, bool rows);
    void AnchorObject(OleData* o);
    // Anchors only the far edge along both axes, after a change of size.
    void AnchorFarEdges(OleData* o);
    // Places the sheet's objects that move with cells from their anchors, after rows
    // (or columns) were hidden, shown, resized, inserted or deleted.
    void PlaceObjects(SheetData* s, bool rows);

    // ---- anchors and ranges
    Anchor* AnchorAt(SheetData* s, int32_t row, int32_t col);
    Area* AreaOf(Anchor* first, Anchor* last);
    static bool AnchorAlive(const Anchor* a) { return a->alive && a->sheet->Alive(); }
    // Resolves text the host accepts as a reference on this sheet; nullopt otherwise.
    std::optional<Extent> Resolve(SheetData* s, const std::string& text, bool namesOfAnySheet,
                                  SheetData** target) const;
    void RebuildAnchorIndex(SheetData* s);

    // ---- activation and selection
    void SetActive(BookData* book);  // also keeps the recent list
    void ActivateSomeOther(BookData* leaving);
    // Moves the selection on the active sheet; raises SheetSelectionChange when asked.
    void SelectOn(SheetData* s, const Extent& ref, bool raise);

    // ---- building
    // The workbook by value and the sheet's cells apart: a read workbook's cells move
    // into the host instead of being copied.
    BookData* BuildBook(WorkbookSpec desc);
    SheetData* NewSheet(BookData* book, const SheetSpec& desc, CellTable cells);
    WorkbookSpec Describe(const BookData* book) const;
    void CloseBook(BookData* book);
    // Inserts (count > 0) or deletes (count < 0) rows or columns at `at`.
    void ShiftLines(SheetData* s, bool rows, int32_t at, int32_t count);

    // ---- events
    template <class F>
    void Raise(F&& deliver) {
        std::vector<int> ids;
        ids.reserve(sinks.size());
        for (auto& [id, sink] : sinks) ids.push_back(id);
        for (int id : ids) {
            for (auto& [sid, sink] : sinks) {
                if (sid == id) {
                    deliver(*sink);
                    break;
                }
            }
        }
    }

    // ---- handles
    std::shared_ptr<Model> Self() { return shared_from_this(); }
    host::Ref<host::Application> MakeApplication();
    host::Ref<host::Workbook> MakeWorkbook(BookData* b);
    host::Ref<host::Sheet> MakeSheet(SheetData* s);
    host::Ref<host::Worksheet> MakeWorksheet(SheetData* s);
    host::Ref<host::Range> MakeRange(Anchor* first, Anchor* last);
    host::Ref<host::Range> MakeRange(SheetData* s, const Extent& ref);
    host::Ref<host::CommandBars> MakeCommandBars();
    host::Ref<host::CommandBar> MakeBar(BarData* b);
    host::Ref<host::CommandBarControl> MakeControl(CtrlData* c);
    host::Ref<host::AddIn> MakeAddIn(std::string progId);

    // ---- command bars
    void BuildBuiltInBars();
    BarData* NewBar(const std::string& name);
    CtrlData* NewControl(BarData* bar, int32_t type, bool temporary);
    CtrlData* CopyControl(const CtrlData* from, BarData* to);
    void KillControl(CtrlData* c);
    void KillBar(BarData* b);
    void RemoveControl(CtrlData* c);  // deletes it from its bar
    BarData* FindBar(const std::string& name) const;
    // Depth-first over bars in order and popups inside; stops when `visit` is true.
    template <class Visit>
    CtrlData* FindInBar(BarData* bar, Visit&& visit) const {
        for (CtrlData* c : bar->controls) {
            if (visit(c)) return c;
            if (c->popupBar)
                if (CtrlData* found = FindInBar(c->popupBar, visit)) return found;
        }
        return nullptr;
    }
    template <class Visit>
    CtrlData* FindInAllBars(Visit&& visit) const {
        for (BarData* bar : bars)
            if (CtrlData* found = FindInBar(bar, visit)) return found;
        return nullptr;
    }
    std::vector<CtrlData*> AllControls() const;
    void SetDesignMode(bool on);
    static ControlInfo Inspect(const CtrlData* c);
    static CommandBarInfo Inspect(const BarData* b);
};

// ---- helpers shared by the model files

std::string CaptionText(const Model& m);  // the main window's title now

[[noreturn]] void Refuse(const std::string& what);       // host error 1004
[[noreturn]] void Disconnected();                        // the object is gone
[[noreturn]] void NotSupported();                        // 438
[[noreturn]] void OutOfRange();                          // 9
[[noreturn]] void InvalidCall(const std::string& what);  // 5
[[noreturn]] void SimMisuse(const std::string& what);    // SimError

std::string Upper(std::string s);
bool SameText(const std::string& a, const std::string& b);  // case-insensitive (ASCII)
size_t Utf8Length(const std::string& s);

// A1 references.
using tessaly::ColumnLetters;
std::optional<Extent> ParseA1(const std::string& text);
std::string FormatA1(const Extent& ref);
bool LooksLikeName(const std::string& text);

// Host key strings for OnKey: the canonical form, or nullopt when the host refuses it.
std::optional<std::string> NormaliseKeyString(const std::string& key);

inline uint64_t PositionKey(int32_t row, int32_t col) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(row)) << 32) | static_cast<uint32_t>(col);
}

}  // namespace sim::detail
