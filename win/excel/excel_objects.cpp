// Excel's and Office's objects behind the host seam. Each wrapper class stands for one
// interface of the host and calls its members by their names. Optional arguments the
// add-in leaves out are passed as "missing" in their declared positions:
//   CommandBars.Add(Name, Position, MenuBar, Temporary)
//   CommandBars.FindControl(Type, Id, Tag, Visible), FindControls(the same)
//   CommandBar.FindControl(Type, Id, Tag, Visible, Recursive)
//   CommandBarControls.Add(Type, Id, Parameter, Before, Temporary)
//   CommandBarControl.Copy(Bar, Before)
//   OLEObjects.Add(ClassType, Filename, Link, DisplayAsIcon, IconFileName, IconIndex,
//                  IconLabel, Left, Top, Width, Height)
//   DocumentProperties.Add(Name, LinkToContent, Type, Value, LinkSource)
//   Application.OnKey(Key, Procedure), Application.Goto(Reference, Scroll)

#include <memory>

#include "host/required.h"
#include "win/common/addin_interfaces.h"
#include "win/excel/excel_host.h"
#include "win/excel/late_bound.h"

namespace tessaly::win {

namespace {

using host::Ref;

// msoTrue and msoFalse, Office's three-state Booleans.
constexpr int32_t kMsoTrue = -1;
constexpr int32_t kMsoFalse = 0;

template <class W>
Ref<W> WrapOrNothing(const ComPtr<IDispatch>& object) {
    if (!object) return nullptr;
    return std::make_shared<W>(object);
}

// Members that answer with an object whenever they succeed (a failure is an error,
// never Nothing): collections, Add, Item, Copy. Nothing from one of them fails here as
// the next call on it would in VB (91), so that no caller is handed a handle it had no
// reason to test.
template <class W>
Ref<W> WrapObject(const ComPtr<IDispatch>& object) {
    return host::Required(WrapOrNothing<W>(object));
}

class XlWorkbook;
class XlWorksheet;
class XlRange;
class XlCommandBar;
class XlControl;
class XlControls;

// ---- Application -------------------------------------------------------------------

class XlApplication final : public Late<host::Application> {
  public:
    explicit XlApplication(ComPtr<IDispatch> d) : Late(std::move(d), "_Application") {}

    host::EventConnection Advise(host::AppEvents& sink) override {
        return AdviseAppEvents(Dispatch(), sink);
    }
    Ref<host::Workbook> ActiveWorkbook() override {
        return ExcelWorkbook(ToObject(Get(L"ActiveWorkbook")));
    }
    Ref<host::Sheet> ActiveSheet() override { return ExcelSheet(ToObject(Get(L"ActiveSheet"))); }
    Ref<host::Range> ActiveCell() override { return ExcelRange(ToObject(Get(L"ActiveCell"))); }
    Ref<host::Workbooks> Workbooks() override;
    Ref<host::Worksheet> Worksheets(const std::string& name) override;
    Ref<host::Range> Range(const std::string& text) override {
        return ExcelRange(ToObject(Get(L"Range", {Variant::Text(text)})));
    }
    void Goto(const Ref<host::Range>& reference) override {
        Call(L"Goto", {Variant::Object(DispatchOf(reference))});
    }
    std::string Version() override { return ToText(Get(L"Version")); }
    std::string Caption() override { return ToText(Get(L"Caption")); }
    void SetScreenUpdating(bool on) override { Put(L"ScreenUpdating", Variant::Bool(on)); }
    void OnKey(const std::string& key, const std::optional<std::string>& procedure) override {
        if (procedure) {
            Call(L"OnKey", {Variant::Text(key), Variant::Text(*procedure)});
        } else {
            Call(L"OnKey", {Variant::Text(key)});
        }
    }
    Ref<host::CommandBars> CommandBars() override;
};

class XlAddIn final : public Late<host::AddIn> {
  public:
    explicit XlAddIn(ComPtr<IDispatch> d) : Late(std::move(d), "COMAddIn") {}
    std::string ProgId() override { return ToText(Get(L"ProgId")); }
};

// ---- Workbooks and windows ---------------------------------------------------------

class XlWorkbooks final : public Late<host::Workbooks> {
  public:
    explicit XlWorkbooks(ComPtr<IDispatch> d) : Late(std::move(d), "Workbooks") {}
    int32_t Count() override { return ToInt32(Get(L"Count")); }
    Ref<host::Workbook> Item(int32_t index) override {
        return ExcelWorkbook(ToObject(Get(L"Item", {Variant::Int(index)})));
    }
    Ref<host::Workbook> Item(const std::string& name) override {
        return ExcelWorkbook(ToObject(Get(L"Item", {Variant::Text(name)})));
    }
};

class XlWindow final : public Late<host::Window> {
  public:
    explicit XlWindow(ComPtr<IDispatch> d) : Late(std::move(d), "Window") {}
    bool Visible() override { return ToBool(Get(L"Visible")); }
};

class XlSheets final : public Late<host::Sheets> {
  public:
    explicit XlSheets(ComPtr<IDispatch> d) : Late(std::move(d), "Sheets") {}
    int32_t Count() override { return ToInt32(Get(L"Count")); }
    Ref<host::Sheet> Item(int32_t index) override {
        return ExcelSheet(ToObject(Get(L"Item", {Variant::Int(index)})));
    }
};

Ref<host::Worksheet> WorksheetOrNothing(const ComPtr<IDispatch>& object);

class XlWorksheets final : public Late<host::Worksheets> {
  public:
    explicit XlWorksheets(ComPtr<IDispatch> d) : Late(std::move(d), "Sheets") {}
    int32_t Count() override { return ToInt32(Get(L"Count")); }
    Ref<host::Worksheet> Item(int32_t index) override {
        return WorksheetOrNothing(ToObject(Get(L"Item", {Variant::Int(index)})));
    }
    Ref<host::Worksheet> Item(const std::string& name) override {
        return WorksheetOrNothing(ToObject(Get(L"Item", {Variant::Text(name)})));
    }
};

class XlDocumentProperty final : public Late<host::DocumentProperty> {
  public:
    explicit XlDocumentProperty(ComPtr<IDispatch> d) : Late(std::move(d), "DocumentProperty") {}
    std::string Value() override { return ToText(Get(L"Value")); }
    void Delete() override { Call(L"Delete"); }
};

class XlDocumentProperties final : public Late<host::DocumentProperties> {
  public:
    explicit XlDocumentProperties(ComPtr<IDispatch> d) : Late(std::move(d), "DocumentProperties") {}
    Ref<host::DocumentProperty> Item(const std::string& name) override {
        return WrapOrNothing<XlDocumentProperty>(ToObject(Get(L"Item", {Variant::Text(name)})));
    }
    Ref<host::DocumentProperty> Add(const std::string& name, bool linkToContent, int32_t type,
                                    const std::string& value) override {
        return WrapOrNothing<XlDocumentProperty>(
            ToObject(Call(L"Add", {Variant::Text(name), Variant::Bool(linkToContent),
                                   Variant::Int(type), Variant::Text(value)})));
    }
};

class XlWorkbook final : public Late<host::Workbook> {
  public:
    explicit XlWorkbook(ComPtr<IDispatch> d) : Late(std::move(d), "_Workbook") {}
    std::string Name() override { return ToText(Get(L"Name")); }
    bool IsAddin() override { return ToBool(Get(L"IsAddin")); }
    Ref<host::Window> Windows(int32_t index) override {
        LateBound windows(ToObject(Get(L"Windows")), "Windows");
        return WrapOrNothing<XlWindow>(ToObject(windows.Get(L"Item", {Variant::Int(index)})));
    }
    Ref<host::Worksheets> Worksheets() override {
        return WrapOrNothing<XlWorksheets>(ToObject(Get(L"Worksheets")));
    }
    Ref<host::Sheets> Sheets() override {
        return WrapOrNothing<XlSheets>(ToObject(Get(L"Sheets")));
    }
    Ref<host::DocumentProperties> CustomDocumentProperties() override {
        return WrapOrNothing<XlDocumentProperties>(ToObject(Get(L"CustomDocumentProperties")));
    }
    void Activate() override { Call(L"Activate"); }
};

// ---- Sheets, ranges, OLE objects ---------------------------------------------------

// The members every sheet has, for worksheets and chart sheets alike.
template <class Base>
class SheetMembers : public Late<Base> {
  public:
    SheetMembers(ComPtr<IDispatch> d, const char* interfaceName)
        : Late<Base>(std::move(d), interfaceName) {}
    std::string Name() override { return ToText(this->Get(L"Name")); }
    int32_t Index() override { return ToInt32(this->Get(L"Index")); }
    int32_t Visible() override { return ToInt32(this->Get(L"Visible")); }
    Ref<host::Workbook> Parent() override { return ExcelWorkbook(ToObject(this->Get(L"Parent"))); }
    void Activate() override { this->Call(L"Activate"); }
};

class XlChartSheet final : public SheetMembers<host::Sheet> {
  public:
    explicit XlChartSheet(ComPtr<IDispatch> d) : SheetMembers(std::move(d), "_Chart") {}
    Ref<host::Worksheet> AsWorksheet() override { return nullptr; }
};

class XlName final : public Late<host::Name> {
  public:
    explicit XlName(ComPtr<IDispatch> d) : Late(std::move(d), "Name") {}
    std::string NameLocal() override { return ToText(Get(L"NameLocal")); }
};

class XlLabel final : public Late<host::LabelControl> {
  public:
    explicit XlLabel(ComPtr<IDispatch> d) : Late(std::move(d), "Label") {}
    void SetAutoSize(bool v) override { Put(L"AutoSize", Variant::Bool(v)); }
    void SetFontName(const std::string& v) override { Put(L"FontName", Variant::Text(v)); }
    void SetFontSize(double v) override { Put(L"FontSize", Variant::Double(v)); }
    void SetForeColor(int32_t v) override { Put(L"ForeColor", Variant::Int(v)); }
    void SetCaption(const std::string& v) override { Put(L"Caption", Variant::Text(v)); }
    void SetBackStyle(int32_t v) override { Put(L"BackStyle", Variant::Int(v)); }
};

class XlOLEObject final : public Late<host::OLEObject> {
  public:
    explicit XlOLEObject(ComPtr<IDispatch> d) : Late(std::move(d), "OLEObject") {}
    double Left() override { return ToDouble(Get(L"Left")); }
    double Top() override { return ToDouble(Get(L"Top")); }
    void SetLeft(double v) override { Put(L"Left", Variant::Double(v)); }
    void SetTop(double v) override { Put(L"Top", Variant::Double(v)); }
    void SetPlacement(int32_t v) override { Put(L"Placement", Variant::Int(v)); }
    void SetPrintObject(bool v) override { Put(L"PrintObject", Variant::Bool(v)); }
    void SetLocked(bool v) override { Put(L"Locked", Variant::Bool(v)); }
    void SetShapeRangeFillVisible(bool v) override {
        LateBound shapes(ToObject(Get(L"ShapeRange")), "ShapeRange");
        LateBound fill(ToObject(shapes.Get(L"Fill")), "FillFormat");
        fill.Put(L"Visible", Variant::Int(v ? kMsoTrue : kMsoFalse));
    }
    Ref<host::LabelControl> Object() override {
        return WrapOrNothing<XlLabel>(ToObject(Get(L"Object")));
    }
    void Delete() override { Call(L"Delete"); }
};

class XlOLEObjects final : public Late<host::OLEObjects> {
  public:
    explicit XlOLEObjects(ComPtr<IDispatch> d) : Late(std::move(d), "OLEObjects") {}
    Ref<host::OLEObject> Add(const std::string& classType, bool link, bool displayAsIcon,
                             double left, double top, double width, double height) override {
        return WrapOrNothing<XlOLEObject>(ToObject(
            Call(L"Add", {Variant::Text(classType), Variant::Missing(), Variant::Bool(link),
                          Variant::Bool(displayAsIcon), Variant::Missing(), Variant::Missing(),
                          Variant::Missing(), Variant::Double(left), Variant::Double(top),
                          Variant::Double(width), Variant::Double(height)})));
    }
};

class XlWorksheet final : public SheetMembers<host::Worksheet> {
  public:
    explicit XlWorksheet(ComPtr<IDispatch> d) : SheetMembers(std::move(d), "_Worksheet") {}
    Ref<host::Worksheet> AsWorksheet() override {
        return std::make_shared<XlWorksheet>(DispatchPtr());
    }
    Ref<host::Range> Rows(int32_t row) override { return Line(L"Rows", row); }
    Ref<host::Range> Columns(int32_t column) override { return Line(L"Columns", column); }
    Ref<host::Range> Range(const std::string& address) override {
        return ExcelRange(ToObject(Get(L"Range", {Variant::Text(address)})));
    }
    Ref<host::OLEObjects> OLEObjects() override {
        return WrapOrNothing<XlOLEObjects>(ToObject(Get(L"OLEObjects")));
    }

  private:
    // Rows(r) is Rows.Item(r): the r-th whole row of the sheet.
    Ref<host::Range> Line(const wchar_t* which, int32_t index) {
        LateBound lines(ToObject(Get(which)), "Range");
        return ExcelRange(ToObject(lines.Get(L"Item", {Variant::Int(index)})));
    }
};

Ref<host::Worksheet> WorksheetOrNothing(const ComPtr<IDispatch>& object) {
    return WrapOrNothing<XlWorksheet>(object);
}

class XlRange final : public Late<host::Range> {
  public:
    explicit XlRange(ComPtr<IDispatch> d) : Late(std::move(d), "Range") {}
    std::string Address() override { return ToText(Get(L"Address")); }
    int32_t Row() override { return ToInt32(Get(L"Row")); }
    int32_t Column() override { return ToInt32(Get(L"Column")); }
    double Left() override { return ToDouble(Get(L"Left")); }
    double Top() override { return ToDouble(Get(L"Top")); }
    bool Hidden() override { return ToBool(Get(L"Hidden")); }
    Ref<host::Worksheet> Parent() override { return WorksheetOrNothing(ToObject(Get(L"Parent"))); }
    Ref<host::Worksheet> Worksheet() override {
        return WorksheetOrNothing(ToObject(Get(L"Worksheet")));
    }
    Ref<host::Application> Application() override {
        return WrapOrNothing<XlApplication>(ToObject(Get(L"Application")));
    }
    Ref<host::Name> Name() override { return WrapOrNothing<XlName>(ToObject(Get(L"Name"))); }
    void Activate() override { Call(L"Activate"); }
};

// ---- Command bars ------------------------------------------------------------------

class XlControls final : public Late<host::CommandBarControls> {
  public:
    explicit XlControls(ComPtr<IDispatch> d) : Late(std::move(d), "CommandBarControls") {}
    Ref<host::CommandBarControl> Add(int32_t type, bool temporary) override {
        return host::Required(ExcelControl(
            ToObject(Call(L"Add", {Variant::Int(type), Variant::Missing(), Variant::Missing(),
                                   Variant::Missing(), Variant::Bool(temporary)}))));
    }
    int32_t Count() override { return ToInt32(Get(L"Count")); }
    Ref<host::CommandBarControl> Item(int32_t index) override {
        return host::Required(ExcelControl(ToObject(Get(L"Item", {Variant::Int(index)}))));
    }
};

class XlCommandBar final : public Late<host::CommandBar> {
  public:
    explicit XlCommandBar(ComPtr<IDispatch> d) : Late(std::move(d), "CommandBar") {}
    std::string Name() override { return ToText(Get(L"Name")); }
    Ref<host::CommandBarControls> Controls() override {
        return WrapObject<XlControls>(ToObject(Get(L"Controls")));
    }
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        return ExcelControl(ToObject(
            Call(L"FindControl", {Variant::Missing(), Variant::Missing(), Variant::Text(tag)})));
    }
    void Delete() override { Call(L"Delete"); }
    int32_t Position() override { return ToInt32(Get(L"Position")); }
    void SetPosition(int32_t v) override { Put(L"Position", Variant::Int(v)); }
    int32_t RowIndex() override { return ToInt32(Get(L"RowIndex")); }
    void SetRowIndex(int32_t v) override { Put(L"RowIndex", Variant::Int(v)); }
    int32_t Left() override { return ToInt32(Get(L"Left")); }
    void SetLeft(int32_t v) override { Put(L"Left", Variant::Int(v)); }
    int32_t Top() override { return ToInt32(Get(L"Top")); }
    void SetTop(int32_t v) override { Put(L"Top", Variant::Int(v)); }
    bool Visible() override { return ToBool(Get(L"Visible")); }
    void SetVisible(bool v) override { Put(L"Visible", Variant::Bool(v)); }
    void SetProtection(int32_t v) override { Put(L"Protection", Variant::Int(v)); }
};

class XlControl final : public Late<host::CommandBarControl> {
  public:
    explicit XlControl(ComPtr<IDispatch> d) : Late(std::move(d), "CommandBarControl") {}
    int32_t Id() override { return ToInt32(Get(L"Id")); }
    int32_t Type() override { return ToInt32(Get(L"Type")); }
    std::string Caption() override { return ToText(Get(L"Caption")); }
    void SetCaption(const std::string& v) override { Put(L"Caption", Variant::Text(v)); }
    std::string Tag() override { return ToText(Get(L"Tag")); }
    void SetTag(const std::string& v) override { Put(L"Tag", Variant::Text(v)); }
    bool BeginGroup() override { return ToBool(Get(L"BeginGroup")); }
    void SetBeginGroup(bool v) override { Put(L"BeginGroup", Variant::Bool(v)); }
    bool Enabled() override { return ToBool(Get(L"Enabled")); }
    void SetEnabled(bool v) override { Put(L"Enabled", Variant::Bool(v)); }
    std::string OnAction() override { return ToText(Get(L"OnAction")); }
    void SetOnAction(const std::string& v) override { Put(L"OnAction", Variant::Text(v)); }
    void Delete() override { Call(L"Delete"); }
    Ref<host::CommandBarControl> Copy(const Ref<host::CommandBar>& bar) override {
        return host::Required(
            ExcelControl(ToObject(Call(L"Copy", {Variant::Object(DispatchOf(bar))}))));
    }
    Ref<host::CommandBar> CommandBar() override {
        return WrapObject<XlCommandBar>(ToObject(Get(L"CommandBar")));
    }
    Ref<host::CommandBarControls> Controls() override {
        return WrapObject<XlControls>(ToObject(Get(L"Controls")));
    }
    int32_t Style() override { return ToInt32(Get(L"Style")); }
    void SetStyle(int32_t v) override { Put(L"Style", Variant::Int(v)); }
    int32_t FaceId() override { return ToInt32(Get(L"FaceId")); }
    void SetFaceId(int32_t v) override { Put(L"FaceId", Variant::Int(v)); }
    void PasteFace() override { Call(L"PasteFace"); }
    int32_t State() override { return ToInt32(Get(L"State")); }
    void SetState(int32_t v) override { Put(L"State", Variant::Int(v)); }
    host::EventConnection AdviseClick(ClickHandler handler) override {
        return AdviseButtonClick(Dispatch(), std::move(handler));
    }
};

class XlCommandBars final : public Late<host::CommandBars> {
  public:
    explicit XlCommandBars(ComPtr<IDispatch> d) : Late(std::move(d), "_CommandBars") {}
    Ref<host::CommandBar> Item(int32_t index) override {
        return WrapObject<XlCommandBar>(ToObject(Get(L"Item", {Variant::Int(index)})));
    }
    Ref<host::CommandBar> Item(const std::string& name) override {
        return WrapObject<XlCommandBar>(ToObject(Get(L"Item", {Variant::Text(name)})));
    }
    Ref<host::CommandBar> Add(const std::string& name, int32_t position, bool menuBar,
                              bool temporary) override {
        return WrapObject<XlCommandBar>(
            ToObject(Call(L"Add", {Variant::Text(name), Variant::Int(position),
                                   Variant::Bool(menuBar), Variant::Bool(temporary)})));
    }
    Ref<host::CommandBarControl> FindControl(int32_t id) override {
        return ExcelControl(ToObject(Call(L"FindControl", {Variant::Missing(), Variant::Int(id)})));
    }
    Ref<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        return ExcelControl(ToObject(
            Call(L"FindControl", {Variant::Missing(), Variant::Missing(), Variant::Text(tag)})));
    }
    std::optional<std::vector<Ref<host::CommandBarControl>>> FindControls(int32_t id) override {
        ComPtr<IDispatch> found =
            ToObject(Call(L"FindControls", {Variant::Missing(), Variant::Int(id)}));
        if (!found) return std::nullopt;
        XlControls controls(found);
        std::vector<Ref<host::CommandBarControl>> all;
        const int32_t count = controls.Count();
        for (int32_t i = 1; i <= count; ++i) all.push_back(controls.Item(i));
        return all;
    }
};

Ref<host::Workbooks> XlApplication::Workbooks() {
    return WrapObject<XlWorkbooks>(ToObject(Get(L"Workbooks")));
}

Ref<host::Worksheet> XlApplication::Worksheets(const std::string& name) {
    LateBound sheets(ToObject(Get(L"Worksheets")), "Sheets");
    return WorksheetOrNothing(ToObject(sheets.Get(L"Item", {Variant::Text(name)})));
}

Ref<host::CommandBars> XlApplication::CommandBars() {
    return WrapObject<XlCommandBars>(ToObject(Get(L"CommandBars")));
}

}  // namespace

host::Ref<host::Application> ExcelApplication(const ComPtr<IDispatch>& application) {
    return WrapOrNothing<XlApplication>(application);
}

host::Ref<host::AddIn> ExcelAddIn(const ComPtr<IDispatch>& addIn) {
    return WrapOrNothing<XlAddIn>(addIn);
}

host::Ref<host::Workbook> ExcelWorkbook(const ComPtr<IDispatch>& workbook) {
    return WrapOrNothing<XlWorkbook>(workbook);
}

host::Ref<host::Sheet> ExcelSheet(const ComPtr<IDispatch>& sheet) {
    if (!sheet) return nullptr;
    // As VB's TypeOf: a worksheet answers for the worksheet's interface.
    if (sheet.As<IUnknown>(IID__Worksheet)) return std::make_shared<XlWorksheet>(sheet);
    return std::make_shared<XlChartSheet>(sheet);
}

host::Ref<host::Range> ExcelRange(const ComPtr<IDispatch>& range) {
    return WrapOrNothing<XlRange>(range);
}

host::Ref<host::CommandBarControl> ExcelControl(const ComPtr<IDispatch>& control) {
    return WrapOrNothing<XlControl>(control);
}

}  // namespace tessaly::win
