#pragma once

// sim::Excel - an in-memory spreadsheet application behind the host seam.
//
// The add-in gets Application() and sees only host/host.h. Tests play the user
// through the action members (each raises the events the real host raises, at once,
// to every advised sink) and look at the outcome through the inspection members,
// which never go through the seam and are never counted.
//
// Misuse of the simulator itself (an unknown workbook name in an action, opening a
// second workbook of the same name, an unknown member name for fault injection)
// throws sim::SimError. Refusals the real host makes through its object model are
// host::HostError, raised from the seam.
//
// Member names for counting and fault injection are "<class>.<member>" where the
// class is the one that declares the member in host/host.h: "Range.Address",
// "Sheet.Index" (also for worksheets), "Worksheet.Range", "Application.Range",
// "Application.Goto", "OLEObjects.Add", "OLEObject.SetLeft", "LabelControl.SetCaption",
// "DocumentProperties.Item", "Workbooks.Item" (both overloads), "CommandBars.FindControl",
// "CommandBarControl.State", "CommandBarControl.SetState", "CommandBarControl.AdviseClick",
// "Application.Advise", "AddIn.ProgId"... Identity() is not counted.
//
// Model facts worth knowing when writing tests:
//  - New sheets go at the end of the workbook unless an `after` sheet is given, and
//    become the active sheet.
//  - Add-in workbooks (IsAddin) are left out of Workbooks.Count/Item(n) and are never
//    active, as in the host; Workbooks.Item(name) still finds them.
//  - Hiding the active workbook's window activates the most recently active other
//    workbook with a visible window (or none); Workbook.Activate through the seam may
//    still activate a workbook whose window is hidden, as the host allows.
//  - Ranges, sheets, workbooks, OLE objects, document properties, bars and controls
//    handed out are live: they follow row and column moves and fail with
//    host::err::kDisconnected once their object is gone.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/host.h"
#include "platform/platform.h"
#include "sim/workbook_description.h"

namespace sim {

namespace detail {
struct Model;
}

// Misuse of the simulator's own API (not a host refusal).
class SimError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// Read-only views for tests.

struct SheetInfo {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    int32_t index = 0;     // 1-based among all sheets
    int32_t visible = -1;  // -1, 0, 2
    bool isProtected = false;
};

struct WorkbookInfo {
    std::string name;
    bool windowVisible = true;
    bool isAddin = false;
    std::vector<SheetInfo> sheets;
};

struct OleObjectInfo : OleObjectSpec {
    bool deleted = false;
    // The cell under the top left corner, which the host anchors the object to (kept
    // while its row or column is hidden), and how far in points the corner lies into
    // that cell from the cell's own corner (less while the cell is too small for it).
    int32_t anchorRow = 1;
    int32_t anchorColumn = 1;
    double rowOffset = 0.0;
    double columnOffset = 0.0;
};

struct ControlInfo {
    int32_t id = 1;
    int32_t type = 1;  // 1 button, 10 popup
    std::string caption;
    std::string tag;
    bool beginGroup = false;
    bool enabled = true;
    std::string onAction;
    int32_t style = 0;
    int32_t faceId = 0;
    bool hasPastedFace = false;  // PasteFace took a bitmap from the clipboard
    platform::Bitmap pastedFace;
    int32_t state = 0;
    bool temporary = false;
    bool builtIn = false;
    int32_t clickHandlers = 0;          // click handlers currently advised on it
    std::vector<ControlInfo> controls;  // a popup's items
};

struct CommandBarInfo {
    std::string name;
    int32_t position = 1;  // 1 top, 4 floating...
    int32_t rowIndex = 0;
    int32_t left = 0;
    int32_t top = 0;
    bool visible = false;
    int32_t protection = 0;
    bool temporary = false;
    bool menuBar = false;
    bool builtIn = false;
    std::vector<ControlInfo> controls;
};

// What the host does with a key combination after the OnKey calls so far.
enum class KeyBinding { HostDefault, Silenced, Procedure };

struct OnKeyCall {
    std::string key;
    std::optional<std::string> procedure;
    bool accepted = false;  // false when the host refused the key string
};

class Excel {
  public:
    explicit Excel(std::string version = "11.0");
    ~Excel();
    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    void SetVersion(std::string version);
    // A fixed main-window caption; until then it is "Microsoft Excel - " + the active
    // workbook's name ("Microsoft Excel" with no active workbook).
    void SetCaption(std::string caption);
    std::string Caption() const;

    // The handles given to the add-in.
    host::Ref<host::Application> Application();
    host::Ref<host::AddIn> AddIn(std::string progId = "Tessaly.Connect");

    // The clipboard PasteFace reads (nothing attached: PasteFace fails).
    void AttachClipboard(platform::Clipboard* clipboard);

    // ---- User actions --------------------------------------------------------------

    // File > New: a workbook "Book<n>" (or the given name) with `worksheets` sheets
    // "Sheet1"...; raises NewWorkbook. Returns its name.
    std::string NewWorkbook(std::optional<std::string> name = std::nullopt, int32_t worksheets = 1);
    // File > Open: builds the workbook and raises WorkbookOpen. It becomes active
    // unless it is an add-in or its window is hidden.
    void OpenWorkbook(WorkbookSpec desc);
    // File > Save: raises WorkbookBeforeSave(wb, false, cancel). False when a handler
    // cancelled; otherwise records what was written (see Snapshot) and returns true.
    bool SaveWorkbook(const std::string& book);
    // File > Save As: raises WorkbookBeforeSave(wb, true, cancel); when not cancelled,
    // renames the workbook and records the snapshot under the new name.
    bool SaveWorkbookAs(const std::string& book, const std::string& newName);
    // The workbook as written at its last successful save (kept after closing).
    // Throws SimError when that name was never saved. The reference holds until the
    // next save; the cells are shared with the open workbook's until either changes.
    const WorkbookSpec& Snapshot(const std::string& book) const;
    bool WasSaved(const std::string& book) const;
    // The workbook as it would be written now, without saving or raising anything.
    WorkbookSpec Describe(const std::string& book) const;
    // Closes without asking or raising anything; its handles die.
    void CloseWorkbook(const std::string& book);
    // Renames without saving or raising anything.
    void RenameWorkbook(const std::string& oldName, const std::string& newName);
    void ActivateWorkbook(const std::string& book);

    // Inserts a sheet (at the end, or right after `after`), activates it and raises
    // WorkbookNewSheet. Returns the new sheet's name ("Sheet<n>" / "Chart<n>" when
    // no name is given).
    std::string AddWorksheet(const std::string& book,
                             std::optional<std::string> name = std::nullopt,
                             std::optional<std::string> after = std::nullopt);
    std::string AddChartSheet(const std::string& book,
                              std::optional<std::string> name = std::nullopt,
                              std::optional<std::string> after = std::nullopt);
    // Deleting the last visible sheet is refused (SimError), as the host refuses it.
    void DeleteSheet(const std::string& book, const std::string& sheet);
    void RenameSheet(const std::string& book, const std::string& sheet, const std::string& newName);
    void SetSheetVisible(const std::string& book, const std::string& sheet, int32_t visible);
    // Activates the workbook (as needed) and the sheet; no event is raised.
    void ActivateSheet(const std::string& book, const std::string& sheet);

    // Selects a cell "B3" or a rectangle "B2:D4" (active cell = its first cell) and
    // raises SheetSelectionChange(sheet, selection).
    void Select(const std::string& address);
    void Select(const std::string& book, const std::string& sheet, const std::string& address);
    // Types text into a cell (the active cell moves there) and raises SheetChange.
    void Edit(const std::string& address, const std::string& text);
    void Edit(const std::string& book, const std::string& sheet, const std::string& address,
              const std::string& text);

    // Row and column moves: live ranges, names, hidden flags, sizes, cell texts and
    // OLE objects that move with cells (placement 1 or 2; 3 is free floating) follow;
    // what lay in deleted rows/columns dies. Each raises SheetChange with the affected
    // whole rows/columns as target. Refused (SimError) on a protected sheet.
    void InsertRows(const std::string& book, const std::string& sheet, int32_t at,
                    int32_t count = 1);
    void DeleteRows(const std::string& book, const std::string& sheet, int32_t at,
                    int32_t count = 1);
    void InsertColumns(const std::string& book, const std::string& sheet, int32_t at,
                       int32_t count = 1);
    void DeleteColumns(const std::string& book, const std::string& sheet, int32_t at,
                       int32_t count = 1);

    // Hiding, showing and resizing lines moves the OLE objects that move with cells:
    // each keeps the cell under its top left corner (placement 1 also the one under
    // its bottom right corner, so it sizes too); in a hidden line it sits at the line's
    // start until the line is shown again.
    void HideRows(const std::string& book, const std::string& sheet, int32_t row,
                  int32_t count = 1);
    void ShowRows(const std::string& book, const std::string& sheet, int32_t row,
                  int32_t count = 1);
    // Rows hidden by an autofilter (they also read as Hidden).
    void FilterHideRows(const std::string& book, const std::string& sheet, int32_t row,
                        int32_t count = 1);
    void ClearFilter(const std::string& book, const std::string& sheet);
    void HideColumns(const std::string& book, const std::string& sheet, int32_t column,
                     int32_t count = 1);
    void ShowColumns(const std::string& book, const std::string& sheet, int32_t column,
                     int32_t count = 1);
    void SetRowHeight(const std::string& book, const std::string& sheet, int32_t row,
                      double points);
    void SetColumnWidth(const std::string& book, const std::string& sheet, int32_t column,
                        double points);
    void SetWindowVisible(const std::string& book, bool visible);
    void Protect(const std::string& book, const std::string& sheet);
    void Unprotect(const std::string& book, const std::string& sheet);
    void SetIsAddin(const std::string& book, bool isAddin);
    // Gives a cell (or rectangle) of the sheet a workbook-wide name.
    void DefineName(const std::string& book, const std::string& sheet, const std::string& address,
                    const std::string& name);
    // The user deletes an OLE object by hand (0-based among the sheet's live objects).
    void DeleteOleObject(const std::string& book, const std::string& sheet, size_t index);
    // The user drags an OLE object.
    void MoveOleObject(const std::string& book, const std::string& sheet, size_t index, double left,
                       double top);
    // The user deletes a custom document property in the file's properties dialog.
    void DeleteCustomProperty(const std::string& book, const std::string& name);

    // While true (a cell being edited), every built-in control with id 18 is disabled.
    void SetEditMode(bool editing);

    // A click on a control: when it is alive and enabled, Click(ctrl, cancelDefault)
    // goes to every handler advised on any live button with the same Id and Tag as
    // this one (custom buttons all have Id 1), in advising order, then the host's own
    // action runs unless a handler set cancelDefault (for the design-mode control:
    // design mode toggles and every id-1605 control shows it in State, 0 <-> -1).
    // False when the control could not be clicked.
    bool ClickControl(const host::Ref<host::CommandBarControl>& control);
    // The first control whose caption (with or without its "&") matches, searched in
    // the bar and its popups; nothing when none.
    host::Ref<host::CommandBarControl> FindControlByCaption(const std::string& barName,
                                                            const std::string& caption) const;
    // Clicks that control; SimError when there is none.
    bool ClickControl(const std::string& barName, const std::string& caption);
    // The built-in design-mode controls in bar order ("Visual Basic", "Control Toolbox").
    std::vector<host::Ref<host::CommandBarControl>> DesignModeControls() const;
    bool DesignMode() const;

    // Host exit and start: closes every workbook (no events) and discards temporary
    // command bars and controls; advised sinks stay.
    void Restart();

    // ---- Handles without going through the seam (not counted) ----------------------
    host::Ref<host::Workbook> WorkbookRef(const std::string& book) const;
    host::Ref<host::Sheet> SheetRef(const std::string& book, const std::string& sheet) const;
    host::Ref<host::Range> RangeRef(const std::string& book, const std::string& sheet,
                                    const std::string& address) const;

    // ---- Inspection ----------------------------------------------------------------
    // Open workbooks in position order (add-ins included, after the others).
    std::vector<WorkbookInfo> WorkbookList() const;
    std::vector<std::string> WorkbookNames() const;  // the same, names only
    WorkbookInfo Workbook(const std::string& book) const;
    std::string ActiveWorkbookName() const;  // "" when none
    std::string ActiveSheetName() const;     // "" when none
    std::string ActiveCellAddress() const;   // "$B$3"; "" when none (chart sheet active)
    std::string SelectionAddress() const;    // "$B$2:$D$4"; "" when none
    std::string CellText(const std::string& book, const std::string& sheet,
                         const std::string& address) const;
    // Live OLE objects of a sheet in creation order (with deleted ones when asked).
    std::vector<OleObjectInfo> OleObjects(const std::string& book, const std::string& sheet,
                                          bool includeDeleted = false) const;
    std::vector<PropertySpec> CustomProperties(const std::string& book) const;
    std::optional<std::string> CustomProperty(const std::string& book,
                                              const std::string& name) const;
    std::vector<CommandBarInfo> CommandBarList() const;  // in CommandBars order
    std::optional<CommandBarInfo> CommandBar(const std::string& name) const;
    KeyBinding KeyState(const std::string& key) const;  // key as given to OnKey
    std::optional<std::string> KeyProcedure(const std::string& key) const;
    const std::vector<OnKeyCall>& OnKeyLog() const;
    bool ScreenUpdating() const;
    // Successful Application.Goto targets as "[Book]Sheet!$B$3".
    const std::vector<std::string>& GotoLog() const;
    // Number of sinks advised on the application events.
    int32_t AdvisedSinks() const;

    // ---- Fault injection -----------------------------------------------------------
    // The next call of `member` (after `skip` further calls succeed) raises the error.
    void FailNext(const std::string& member, int32_t number, std::string description,
                  int32_t skip = 0);
    // Every call of `member` raises the error until ClearFailures.
    void FailAlways(const std::string& member, int32_t number, std::string description);
    void ClearFailures();

    // ---- Call counting -------------------------------------------------------------
    int64_t CallCount(const std::string& member) const;
    int64_t TotalCalls() const;
    void ResetCallCounts();
    // Every member name that can be counted or failed.
    static std::vector<std::string> MemberNames();

  private:
    std::shared_ptr<detail::Model> model_;
};

}  // namespace sim
