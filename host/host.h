#pragma once

// The spreadsheet host as the add-in sees it: exactly the object-model members the
// add-in calls, with the host's own names. Every member may throw host::HostError.
// Handles are shared pointers to live host objects; "nothing" is a null pointer.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/event_connection.h"
#include "host/host_error.h"

namespace host {

class Application;
class Workbook;
class Workbooks;
class Window;
class Sheet;
class Sheets;
class Worksheet;
class Worksheets;
class Range;
class Name;
class OLEObject;
class OLEObjects;
class LabelControl;
class DocumentProperty;
class DocumentProperties;
class CommandBars;
class CommandBar;
class CommandBarControls;
class CommandBarControl;

template <class T>
using Ref = std::shared_ptr<T>;

// Every host object can tell whether two handles denote the same host object.
class Object {
  public:
    virtual ~Object() = default;
    virtual const void* Identity() const = 0;
};

inline bool SameObject(const Object* a, const Object* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->Identity() == b->Identity();
}
template <class A, class B>
bool SameObject(const Ref<A>& a, const Ref<B>& b) {
    return SameObject(static_cast<const Object*>(a.get()), static_cast<const Object*>(b.get()));
}

// Host constants the add-in passes as numbers.
namespace xl {
inline constexpr int32_t kSheetVisible = -1;
inline constexpr int32_t kSheetHidden = 0;
inline constexpr int32_t kSheetVeryHidden = 2;
inline constexpr int32_t kMoveAndSize = 1;
inline constexpr int32_t kPropertyTypeString = 4;
}  // namespace xl

namespace mso {
inline constexpr int32_t kControlButton = 1;
inline constexpr int32_t kControlPopup = 10;
inline constexpr int32_t kButtonIcon = 1;
inline constexpr int32_t kButtonIconAndCaption = 3;
inline constexpr int32_t kBarTop = 1;
inline constexpr int32_t kBarFloating = 4;
inline constexpr int32_t kBarRowLast = -1;
inline constexpr int32_t kBarNoCustomize = 1;
inline constexpr int32_t kButtonUp = 0;
inline constexpr int32_t kButtonDown = -1;
// Built-in control ids the add-in relies on.
inline constexpr int32_t kIdHostReady = 18;
inline constexpr int32_t kIdDesignMode = 1605;
}  // namespace mso

// The application's six events, delivered synchronously while the host waits.
class AppEvents {
  public:
    virtual ~AppEvents() = default;
    virtual void WorkbookOpen(const Ref<Workbook>& wb) = 0;
    virtual void WorkbookBeforeSave(const Ref<Workbook>& wb, bool saveAsUI, bool& cancel) = 0;
    virtual void NewWorkbook(const Ref<Workbook>& wb) = 0;
    virtual void WorkbookNewSheet(const Ref<Workbook>& wb, const Ref<Sheet>& sh) = 0;
    virtual void SheetChange(const Ref<Sheet>& sh, const Ref<Range>& target) = 0;
    virtual void SheetSelectionChange(const Ref<Sheet>& sh, const Ref<Range>& target) = 0;
};

// The host's object for this add-in, handed to the connection handler.
class AddIn : public Object {
  public:
    virtual std::string ProgId() = 0;
};

class Application : public Object {
  public:
    // The sink stays connected while the returned connection lives.
    virtual EventConnection Advise(AppEvents& sink) = 0;

    virtual Ref<Workbook> ActiveWorkbook() = 0;
    virtual Ref<Sheet> ActiveSheet() = 0;
    virtual Ref<host::Range> ActiveCell() = 0;
    virtual Ref<host::Workbooks> Workbooks() = 0;
    // Worksheets(name) of the active workbook.
    virtual Ref<Worksheet> Worksheets(const std::string& name) = 0;
    // Range(text) on the active sheet.
    virtual Ref<host::Range> Range(const std::string& text) = 0;
    virtual void Goto(const Ref<host::Range>& reference) = 0;
    virtual std::string Version() = 0;
    virtual std::string Caption() = 0;
    virtual void SetScreenUpdating(bool on) = 0;
    // Procedure "" silences the key combination; no procedure gives it back to the host.
    virtual void OnKey(const std::string& key, const std::optional<std::string>& procedure) = 0;
    virtual Ref<host::CommandBars> CommandBars() = 0;
};

class Workbooks : public Object {
  public:
    virtual int32_t Count() = 0;
    virtual Ref<Workbook> Item(int32_t index) = 0;  // 1-based
    virtual Ref<Workbook> Item(const std::string& name) = 0;
};

class Window : public Object {
  public:
    virtual bool Visible() = 0;
};

class Workbook : public Object {
  public:
    virtual std::string Name() = 0;
    virtual bool IsAddin() = 0;
    virtual Ref<Window> Windows(int32_t index) = 0;
    virtual Ref<host::Worksheets> Worksheets() = 0;  // worksheets only
    virtual Ref<host::Sheets> Sheets() = 0;          // all sheets, chart sheets included
    virtual Ref<DocumentProperties> CustomDocumentProperties() = 0;
    virtual void Activate() = 0;
};

class Sheets : public Object {
  public:
    virtual int32_t Count() = 0;
    virtual Ref<Sheet> Item(int32_t index) = 0;  // 1-based, all sheets
};

class Worksheets : public Object {
  public:
    virtual int32_t Count() = 0;
    virtual Ref<Worksheet> Item(int32_t index) = 0;  // 1-based, worksheets only
    virtual Ref<Worksheet> Item(const std::string& name) = 0;
};

// Any sheet: a worksheet or a chart sheet.
class Sheet : public Object {
  public:
    virtual std::string Name() = 0;
    virtual int32_t Index() = 0;    // 1-based among all sheets
    virtual int32_t Visible() = 0;  // xl::kSheetVisible, kSheetHidden, kSheetVeryHidden
    virtual Ref<Workbook> Parent() = 0;
    virtual void Activate() = 0;
    // The same sheet as a worksheet, or nothing for a chart sheet.
    virtual Ref<Worksheet> AsWorksheet() = 0;
};

class Worksheet : public Sheet {
  public:
    virtual Ref<host::Range> Rows(int32_t row) = 0;
    virtual Ref<host::Range> Columns(int32_t column) = 0;
    // Fails for text the host does not accept as an address.
    virtual Ref<host::Range> Range(const std::string& address) = 0;
    virtual Ref<host::OLEObjects> OLEObjects() = 0;
};

class Range : public Object {
  public:
    virtual std::string Address() = 0;  // absolute A1 form, "$B$3"
    virtual int32_t Row() = 0;
    virtual int32_t Column() = 0;
    virtual double Left() = 0;  // points
    virtual double Top() = 0;
    virtual bool Hidden() = 0;  // for whole rows and columns
    virtual Ref<host::Worksheet> Parent() = 0;
    virtual Ref<host::Worksheet> Worksheet() = 0;
    virtual Ref<host::Application> Application() = 0;
    // Fails when the cell has no defined name of its own.
    virtual Ref<host::Name> Name() = 0;
    virtual void Activate() = 0;
};

class Name : public Object {
  public:
    virtual std::string NameLocal() = 0;
};

class OLEObjects : public Object {
  public:
    virtual Ref<OLEObject> Add(const std::string& classType, bool link, bool displayAsIcon,
                               double left, double top, double width, double height) = 0;
};

class OLEObject : public Object {
  public:
    virtual double Left() = 0;
    virtual double Top() = 0;
    virtual void SetLeft(double v) = 0;
    virtual void SetTop(double v) = 0;
    virtual void SetPlacement(int32_t v) = 0;
    virtual void SetPrintObject(bool v) = 0;
    virtual void SetLocked(bool v) = 0;
    virtual void SetShapeRangeFillVisible(bool v) = 0;  // ShapeRange.Fill.Visible
    // The control inside; fails once the object has been deleted.
    virtual Ref<LabelControl> Object() = 0;
    virtual void Delete() = 0;
};

// The label control of class "Forms.Label.1".
class LabelControl : public host::Object {
  public:
    virtual void SetAutoSize(bool v) = 0;
    virtual void SetFontName(const std::string& v) = 0;
    virtual void SetFontSize(double v) = 0;
    virtual void SetForeColor(int32_t v) = 0;
    virtual void SetCaption(const std::string& v) = 0;
    virtual void SetBackStyle(int32_t v) = 0;
};

class DocumentProperties : public Object {
  public:
    // Fails when no property has that name.
    virtual Ref<DocumentProperty> Item(const std::string& name) = 0;
    virtual Ref<DocumentProperty> Add(const std::string& name, bool linkToContent, int32_t type,
                                      const std::string& value) = 0;
};

class DocumentProperty : public Object {
  public:
    virtual std::string Value() = 0;
    virtual void Delete() = 0;
};

// Command bars.

class CommandBars : public Object {
  public:
    virtual Ref<CommandBar> Item(int32_t index) = 0;  // 1 = worksheet menu bar
    virtual Ref<CommandBar> Item(const std::string& name) = 0;
    virtual Ref<CommandBar> Add(const std::string& name, int32_t position, bool menuBar,
                                bool temporary) = 0;
    // First match or nothing.
    virtual Ref<CommandBarControl> FindControl(int32_t id) = 0;
    virtual Ref<CommandBarControl> FindControlByTag(const std::string& tag) = 0;
    // All matches, or nothing when there is none.
    virtual std::optional<std::vector<Ref<CommandBarControl>>> FindControls(int32_t id) = 0;
};

class CommandBar : public Object {
  public:
    virtual std::string Name() = 0;
    virtual Ref<CommandBarControls> Controls() = 0;
    virtual Ref<CommandBarControl> FindControlByTag(const std::string& tag) = 0;
    virtual void Delete() = 0;
    virtual int32_t Position() = 0;
    virtual void SetPosition(int32_t v) = 0;
    virtual int32_t RowIndex() = 0;
    virtual void SetRowIndex(int32_t v) = 0;
    virtual int32_t Left() = 0;
    virtual void SetLeft(int32_t v) = 0;
    virtual int32_t Top() = 0;
    virtual void SetTop(int32_t v) = 0;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool v) = 0;
    virtual void SetProtection(int32_t v) = 0;
};

class CommandBarControls : public Object {
  public:
    // Appended at the end.
    virtual Ref<CommandBarControl> Add(int32_t type, bool temporary) = 0;
    virtual int32_t Count() = 0;
    virtual Ref<CommandBarControl> Item(int32_t index) = 0;  // 1-based
};

// A control as the host hands it out, late bound: members of buttons and popups
// fail with err::kNotSupported on a control of the other kind.
class CommandBarControl : public Object {
  public:
    using ClickHandler =
        std::function<void(const Ref<CommandBarControl>& ctrl, bool& cancelDefault)>;

    virtual int32_t Id() = 0;
    virtual int32_t Type() = 0;
    virtual std::string Caption() = 0;
    virtual void SetCaption(const std::string& v) = 0;
    virtual std::string Tag() = 0;
    virtual void SetTag(const std::string& v) = 0;
    virtual bool BeginGroup() = 0;
    virtual void SetBeginGroup(bool v) = 0;
    virtual bool Enabled() = 0;
    virtual void SetEnabled(bool v) = 0;
    virtual std::string OnAction() = 0;
    virtual void SetOnAction(const std::string& v) = 0;
    virtual void Delete() = 0;
    // The copy is appended to the bar and keeps caption, face and OnAction.
    virtual Ref<CommandBarControl> Copy(const Ref<host::CommandBar>& bar) = 0;

    // Popup members.
    virtual Ref<host::CommandBar> CommandBar() = 0;
    virtual Ref<CommandBarControls> Controls() = 0;

    // Button members.
    virtual int32_t Style() = 0;
    virtual void SetStyle(int32_t v) = 0;
    virtual int32_t FaceId() = 0;
    virtual void SetFaceId(int32_t v) = 0;
    virtual void PasteFace() = 0;  // takes the bitmap on the clipboard
    virtual int32_t State() = 0;
    virtual void SetState(int32_t v) = 0;
    // Click, raised before the host's own action.
    virtual EventConnection AdviseClick(ClickHandler handler) = 0;
};

}  // namespace host
