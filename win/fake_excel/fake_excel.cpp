#include "win/fake_excel/fake_excel.h"

#include "win/common/addin_interfaces.h"
#include "win/common/text.h"
#include "win/fake_excel/fake_object.h"
#include "win/platform/win_platform.h"

namespace tessaly::fake {

namespace {

using host::Ref;

FakeExcel* current = nullptr;

Variant Obj(const ComPtr<IDispatch>& object) {
    return Variant::Object(object.Get());
}

Variant Nothing() {
    return Variant::Object(nullptr);
}

// The fake object of a kind behind an argument the add-in passed back.
template <class T>
T& Unwrap(IDispatch* object) {
    T* fake = dynamic_cast<T*>(FakeObject::From(object));
    if (fake == nullptr) host::Raise(host::err::kTypeMismatch, "Type mismatch");
    return *fake;
}

// The value given to a property assignment, as the member wants it.
Variant Assigned(const Args& a, VARTYPE type) {
    Variant out;
    if (FAILED(VariantChangeType(out.Put(), const_cast<VARIANT*>(&a.Assigned()), 0, type))) {
        host::Raise(host::err::kTypeMismatch, "Type mismatch");
    }
    return out;
}
bool AssignedBool(const Args& a) {
    return V_BOOL(&Assigned(a, VT_BOOL).Get()) != VARIANT_FALSE;
}
int32_t AssignedInt(const Args& a) {
    return V_I4(&Assigned(a, VT_I4).Get());
}
double AssignedDouble(const Args& a) {
    return V_R8(&Assigned(a, VT_R8).Get());
}
std::string AssignedText(const Args& a) {
    Variant v = Assigned(a, VT_BSTR);
    BSTR b = V_BSTR(&v.Get());
    return b ? win::Narrow(std::wstring_view(b, SysStringLen(b))) : std::string();
}

class FakeWorkbook;
class FakeSheet;
class FakeRange;
class FakeCommandBar;
class FakeControl;
class FakeControls;

ComPtr<IDispatch> WrapWorkbook(const Ref<host::Workbook>& wb);
ComPtr<IDispatch> WrapSheet(const Ref<host::Sheet>& sheet);
ComPtr<IDispatch> WrapRange(const Ref<host::Range>& range);
ComPtr<IDispatch> WrapControl(const Ref<host::CommandBarControl>& control);
ComPtr<IDispatch> WrapBar(const Ref<host::CommandBar>& bar);
ComPtr<IDispatch> WrapControls(const Ref<host::CommandBarControls>& controls);
ComPtr<IDispatch> WrapWorkbooks(const Ref<host::Workbooks>& books);
ComPtr<IDispatch> WrapCommandBars(const Ref<host::CommandBars>& bars);

// ---- Application and its events --------------------------------------------------------

// Forwards the simulated host's application events to one connected sink.
class AppEventsBridge final : public host::AppEvents {
  public:
    explicit AppEventsBridge(ComPtr<IDispatch> sink) : sink_(std::move(sink)) {}

    void WorkbookOpen(const Ref<host::Workbook>& wb) override {
        Fire(sink_.Get(), win::dispid::kWorkbookOpen, {Obj(WrapWorkbook(wb)).Get()});
    }
    void WorkbookBeforeSave(const Ref<host::Workbook>& wb, bool saveAsUI, bool& cancel) override {
        VARIANT_BOOL value = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        VARIANT byRef;
        V_VT(&byRef) = VT_BOOL | VT_BYREF;
        V_BOOLREF(&byRef) = &value;
        Variant book = Obj(WrapWorkbook(wb));
        Fire(sink_.Get(), win::dispid::kWorkbookBeforeSave,
             {book.Get(), Variant::Bool(saveAsUI).Get(), byRef});
        cancel = value != VARIANT_FALSE;
    }
    void NewWorkbook(const Ref<host::Workbook>& wb) override {
        Fire(sink_.Get(), win::dispid::kNewWorkbook, {Obj(WrapWorkbook(wb)).Get()});
    }
    void WorkbookNewSheet(const Ref<host::Workbook>& wb, const Ref<host::Sheet>& sh) override {
        Variant book = Obj(WrapWorkbook(wb));
        Variant sheet = Obj(WrapSheet(sh));
        Fire(sink_.Get(), win::dispid::kWorkbookNewSheet, {book.Get(), sheet.Get()});
    }
    void SheetChange(const Ref<host::Sheet>& sh, const Ref<host::Range>& target) override {
        Variant sheet = Obj(WrapSheet(sh));
        Variant range = Obj(WrapRange(target));
        Fire(sink_.Get(), win::dispid::kSheetChange, {sheet.Get(), range.Get()});
    }
    void SheetSelectionChange(const Ref<host::Sheet>& sh, const Ref<host::Range>& target) override {
        Variant sheet = Obj(WrapSheet(sh));
        Variant range = Obj(WrapRange(target));
        Fire(sink_.Get(), win::dispid::kSheetSelectionChange, {sheet.Get(), range.Get()});
    }

  private:
    ComPtr<IDispatch> sink_;
};

// Application.Worksheets: the worksheets of the active workbook, by name.
class FakeActiveWorksheets final : public FakeObject {
  public:
    static constexpr const char* kKind = "ActiveWorksheets";
    explicit FakeActiveWorksheets(Ref<host::Application> app)
        : FakeObject(kKind, app->Identity()), app_(std::move(app)) {
        Member(L"Item",
               [this](const Args& a) { return Obj(WrapSheet(app_->Worksheets(a.Text(0)))); });
    }

  private:
    Ref<host::Application> app_;
};

class FakeApplication final : public FakeObject {
  public:
    static constexpr const char* kKind = "Application";
    explicit FakeApplication(Ref<host::Application> app)
        : FakeObject(kKind, app->Identity()), app_(std::move(app)) {
        Member(L"ActiveWorkbook",
               [this](const Args&) { return Obj(WrapWorkbook(app_->ActiveWorkbook())); });
        Member(L"ActiveSheet", [this](const Args&) { return Obj(WrapSheet(app_->ActiveSheet())); });
        Member(L"ActiveCell", [this](const Args&) { return Obj(WrapRange(app_->ActiveCell())); });
        Member(L"Workbooks", [this](const Args&) { return Obj(WrapWorkbooks(app_->Workbooks())); });
        Member(L"Worksheets", [this](const Args& a) {
            if (a.Has(0)) return Obj(WrapSheet(app_->Worksheets(a.Text(0))));
            return Obj(Wrap<FakeActiveWorksheets>(app_));
        });
        Member(L"Range", [this](const Args& a) { return Obj(WrapRange(app_->Range(a.Text(0)))); });
        Member(L"Goto", [this](const Args& a) {
            app_->Goto(RangeOf(a.Object(0)));
            return Variant();
        });
        Member(L"Version", [this](const Args&) { return Variant::Text(app_->Version()); });
        Member(L"Caption", [this](const Args&) { return Variant::Text(app_->Caption()); });
        Member(L"Name", [](const Args&) { return Variant::Text("Microsoft Excel"); });
        Member(L"ScreenUpdating", nullptr,
               [this](const Args& a) { app_->SetScreenUpdating(AssignedBool(a)); });
        Member(L"OnKey", [this](const Args& a) {
            std::optional<std::string> procedure;
            if (a.Has(1)) procedure = a.Text(1);
            app_->OnKey(a.Text(0), procedure);
            return Variant();
        });
        Member(L"CommandBars",
               [this](const Args&) { return Obj(WrapCommandBars(app_->CommandBars())); });
    }

  protected:
    const IID* Events() const override { return &win::DIID_AppEvents; }
    host::EventConnection Connect(ComPtr<IDispatch> sink) override {
        auto bridge = std::make_shared<AppEventsBridge>(std::move(sink));
        auto connection = std::make_shared<host::EventConnection>(app_->Advise(*bridge));
        return host::EventConnection([bridge, connection] { connection->Reset(); });
    }

  private:
    static Ref<host::Range> RangeOf(IDispatch* object);

    Ref<host::Application> app_;
};

// ---- Workbooks -------------------------------------------------------------------------

class FakeWorkbooks final : public FakeObject {
  public:
    static constexpr const char* kKind = "Workbooks";
    explicit FakeWorkbooks(Ref<host::Workbooks> books)
        : FakeObject(kKind, books->Identity()), books_(std::move(books)) {
        Member(L"Count", [this](const Args&) { return Variant::Int(books_->Count()); });
        Member(L"Item", [this](const Args& a) {
            if (a.IsText(0)) return Obj(WrapWorkbook(books_->Item(a.Text(0))));
            return Obj(WrapWorkbook(books_->Item(a.Int(0))));
        });
    }

  private:
    Ref<host::Workbooks> books_;
};

class FakeWindow final : public FakeObject {
  public:
    static constexpr const char* kKind = "Window";
    explicit FakeWindow(Ref<host::Window> window)
        : FakeObject(kKind, window->Identity()), window_(std::move(window)) {
        Member(L"Visible", [this](const Args&) { return Variant::Bool(window_->Visible()); });
    }

  private:
    Ref<host::Window> window_;
};

// Workbook.Windows: its windows by number.
class FakeWindows final : public FakeObject {
  public:
    static constexpr const char* kKind = "Windows";
    explicit FakeWindows(Ref<host::Workbook> wb)
        : FakeObject(kKind, wb->Identity()), wb_(std::move(wb)) {
        Member(L"Item",
               [this](const Args& a) { return Obj(Wrap<FakeWindow>(wb_->Windows(a.Int(0)))); });
    }

  private:
    Ref<host::Workbook> wb_;
};

class FakeSheets final : public FakeObject {
  public:
    static constexpr const char* kKind = "Sheets";
    explicit FakeSheets(Ref<host::Sheets> sheets)
        : FakeObject(kKind, sheets->Identity()), sheets_(std::move(sheets)) {
        Member(L"Count", [this](const Args&) { return Variant::Int(sheets_->Count()); });
        Member(L"Item", [this](const Args& a) { return Obj(WrapSheet(sheets_->Item(a.Int(0)))); });
    }

  private:
    Ref<host::Sheets> sheets_;
};

class FakeWorksheets final : public FakeObject {
  public:
    static constexpr const char* kKind = "Worksheets";
    explicit FakeWorksheets(Ref<host::Worksheets> sheets)
        : FakeObject(kKind, sheets->Identity()), sheets_(std::move(sheets)) {
        Member(L"Count", [this](const Args&) { return Variant::Int(sheets_->Count()); });
        Member(L"Item", [this](const Args& a) {
            if (a.IsText(0)) return Obj(WrapSheet(sheets_->Item(a.Text(0))));
            return Obj(WrapSheet(sheets_->Item(a.Int(0))));
        });
    }

  private:
    Ref<host::Worksheets> sheets_;
};

class FakeDocumentProperty final : public FakeObject {
  public:
    static constexpr const char* kKind = "DocumentProperty";
    explicit FakeDocumentProperty(Ref<host::DocumentProperty> p)
        : FakeObject(kKind, p->Identity()), p_(std::move(p)) {
        Member(L"Value", [this](const Args&) { return Variant::Text(p_->Value()); });
        Member(L"Delete", [this](const Args&) {
            p_->Delete();
            return Variant();
        });
    }

  private:
    Ref<host::DocumentProperty> p_;
};

class FakeDocumentProperties final : public FakeObject {
  public:
    static constexpr const char* kKind = "DocumentProperties";
    explicit FakeDocumentProperties(Ref<host::DocumentProperties> p)
        : FakeObject(kKind, p->Identity()), p_(std::move(p)) {
        Member(L"Item", [this](const Args& a) {
            return Obj(Wrap<FakeDocumentProperty>(p_->Item(a.Text(0))));
        });
        Member(L"Add", [this](const Args& a) {
            return Obj(
                Wrap<FakeDocumentProperty>(p_->Add(a.Text(0), a.Bool(1), a.Int(2), a.Text(3))));
        });
    }

  private:
    Ref<host::DocumentProperties> p_;
};

class FakeWorkbook final : public FakeObject {
  public:
    static constexpr const char* kKind = "Workbook";
    explicit FakeWorkbook(Ref<host::Workbook> wb)
        : FakeObject(kKind, wb->Identity()), wb_(std::move(wb)) {
        Member(L"Name", [this](const Args&) { return Variant::Text(wb_->Name()); });
        Member(L"IsAddin", [this](const Args&) { return Variant::Bool(wb_->IsAddin()); });
        Member(L"Windows", [this](const Args& a) {
            if (a.Has(0)) return Obj(Wrap<FakeWindow>(wb_->Windows(a.Int(0))));
            return Obj(Wrap<FakeWindows>(wb_));
        });
        Member(L"Worksheets",
               [this](const Args&) { return Obj(Wrap<FakeWorksheets>(wb_->Worksheets())); });
        Member(L"Sheets", [this](const Args&) { return Obj(Wrap<FakeSheets>(wb_->Sheets())); });
        Member(L"CustomDocumentProperties", [this](const Args&) {
            return Obj(Wrap<FakeDocumentProperties>(wb_->CustomDocumentProperties()));
        });
        Member(L"Activate", [this](const Args&) {
            wb_->Activate();
            return Variant();
        });
    }

  private:
    Ref<host::Workbook> wb_;
};

// ---- Sheets, ranges and OLE objects ----------------------------------------------------

class FakeName final : public FakeObject {
  public:
    static constexpr const char* kKind = "Name";
    explicit FakeName(Ref<host::Name> n) : FakeObject(kKind, n->Identity()), n_(std::move(n)) {
        Member(L"NameLocal", [this](const Args&) { return Variant::Text(n_->NameLocal()); });
    }

  private:
    Ref<host::Name> n_;
};

class FakeRange final : public FakeObject {
  public:
    static constexpr const char* kKind = "Range";
    explicit FakeRange(Ref<host::Range> r) : FakeObject(kKind, r->Identity()), r_(std::move(r)) {
        Member(L"Address", [this](const Args&) { return Variant::Text(r_->Address()); });
        Member(L"Row", [this](const Args&) { return Variant::Int(r_->Row()); });
        Member(L"Column", [this](const Args&) { return Variant::Int(r_->Column()); });
        Member(L"Left", [this](const Args&) { return Variant::Double(r_->Left()); });
        Member(L"Top", [this](const Args&) { return Variant::Double(r_->Top()); });
        Member(L"Hidden", [this](const Args&) { return Variant::Bool(r_->Hidden()); });
        Member(L"Parent", [this](const Args&) { return Obj(WrapSheet(r_->Parent())); });
        Member(L"Worksheet", [this](const Args&) { return Obj(WrapSheet(r_->Worksheet())); });
        Member(L"Application",
               [this](const Args&) { return Obj(Wrap<FakeApplication>(r_->Application())); });
        Member(L"Name", [this](const Args&) { return Obj(Wrap<FakeName>(r_->Name())); });
        Member(L"Activate", [this](const Args&) {
            r_->Activate();
            return Variant();
        });
    }
    const Ref<host::Range>& Handle() const { return r_; }

  private:
    Ref<host::Range> r_;
};

Ref<host::Range> FakeApplication::RangeOf(IDispatch* object) {
    if (object == nullptr) host::Raise(host::err::kHostRefused, "Reference is not valid.");
    return Unwrap<FakeRange>(object).Handle();
}

// Worksheet.Rows or .Columns: whole lines by number.
class FakeLines final : public FakeObject {
  public:
    static constexpr const char* kKind = "Lines";
    FakeLines(Ref<host::Worksheet> ws, bool rows)
        : FakeObject(rows ? "Rows" : "Columns", ws->Identity()), ws_(std::move(ws)), rows_(rows) {
        Member(L"Item", [this](const Args& a) {
            return Obj(WrapRange(rows_ ? ws_->Rows(a.Int(0)) : ws_->Columns(a.Int(0))));
        });
    }

  private:
    Ref<host::Worksheet> ws_;
    bool rows_;
};

ComPtr<IDispatch> WrapLines(const Ref<host::Worksheet>& ws, bool rows) {
    if (FakeObject* found = FindObject(rows ? "Rows" : "Columns", ws->Identity())) {
        return ComPtr<IDispatch>(found);
    }
    return ComPtr<IDispatch>::Adopt(new FakeLines(ws, rows));
}

class FakeLabel final : public FakeObject {
  public:
    static constexpr const char* kKind = "Label";
    explicit FakeLabel(Ref<host::LabelControl> l)
        : FakeObject(kKind, l->Identity()), l_(std::move(l)) {
        Member(L"AutoSize", nullptr, [this](const Args& a) { l_->SetAutoSize(AssignedBool(a)); });
        Member(L"FontName", nullptr, [this](const Args& a) { l_->SetFontName(AssignedText(a)); });
        Member(L"FontSize", nullptr, [this](const Args& a) { l_->SetFontSize(AssignedDouble(a)); });
        Member(L"ForeColor", nullptr, [this](const Args& a) { l_->SetForeColor(AssignedInt(a)); });
        Member(L"Caption", nullptr, [this](const Args& a) { l_->SetCaption(AssignedText(a)); });
        Member(L"BackStyle", nullptr, [this](const Args& a) { l_->SetBackStyle(AssignedInt(a)); });
    }

  private:
    Ref<host::LabelControl> l_;
};

class FakeFill final : public FakeObject {
  public:
    static constexpr const char* kKind = "FillFormat";
    explicit FakeFill(Ref<host::OLEObject> o) : FakeObject(kKind, o->Identity()), o_(std::move(o)) {
        // msoTrue is -1 and msoFalse 0.
        Member(L"Visible", nullptr,
               [this](const Args& a) { o_->SetShapeRangeFillVisible(AssignedInt(a) != 0); });
    }

  private:
    Ref<host::OLEObject> o_;
};

class FakeShapeRange final : public FakeObject {
  public:
    static constexpr const char* kKind = "ShapeRange";
    explicit FakeShapeRange(Ref<host::OLEObject> o)
        : FakeObject(kKind, o->Identity()), o_(std::move(o)) {
        Member(L"Fill", [this](const Args&) { return Obj(Wrap<FakeFill>(o_)); });
    }

  private:
    Ref<host::OLEObject> o_;
};

class FakeOLEObject final : public FakeObject {
  public:
    static constexpr const char* kKind = "OLEObject";
    explicit FakeOLEObject(Ref<host::OLEObject> o)
        : FakeObject(kKind, o->Identity()), o_(std::move(o)) {
        Member(
            L"Left", [this](const Args&) { return Variant::Double(o_->Left()); },
            [this](const Args& a) { o_->SetLeft(AssignedDouble(a)); });
        Member(
            L"Top", [this](const Args&) { return Variant::Double(o_->Top()); },
            [this](const Args& a) { o_->SetTop(AssignedDouble(a)); });
        Member(L"Placement", nullptr, [this](const Args& a) { o_->SetPlacement(AssignedInt(a)); });
        Member(L"PrintObject", nullptr,
               [this](const Args& a) { o_->SetPrintObject(AssignedBool(a)); });
        Member(L"Locked", nullptr, [this](const Args& a) { o_->SetLocked(AssignedBool(a)); });
        Member(L"ShapeRange", [this](const Args&) { return Obj(Wrap<FakeShapeRange>(o_)); });
        Member(L"Object", [this](const Args&) { return Obj(Wrap<FakeLabel>(o_->Object())); });
        Member(L"Delete", [this](const Args&) {
            o_->Delete();
            return Variant();
        });
    }

  private:
    Ref<host::OLEObject> o_;
};

class FakeOLEObjects final : public FakeObject {
  public:
    static constexpr const char* kKind = "OLEObjects";
    explicit FakeOLEObjects(Ref<host::OLEObjects> o)
        : FakeObject(kKind, o->Identity()), o_(std::move(o)) {
        // Add(ClassType, Filename, Link, DisplayAsIcon, IconFileName, IconIndex, IconLabel,
        //     Left, Top, Width, Height)
        Member(L"Add", [this](const Args& a) {
            return Obj(
                Wrap<FakeOLEObject>(o_->Add(a.Text(0), a.Has(2) && a.Bool(2), a.Has(3) && a.Bool(3),
                                            a.Double(7), a.Double(8), a.Double(9), a.Double(10))));
        });
    }

  private:
    Ref<host::OLEObjects> o_;
};

class FakeSheet final : public FakeObject {
  public:
    static constexpr const char* kKind = "Sheet";
    explicit FakeSheet(Ref<host::Sheet> s)
        : FakeObject(kKind, s->Identity()), s_(std::move(s)), ws_(s_->AsWorksheet()) {
        Member(L"Name", [this](const Args&) { return Variant::Text(s_->Name()); });
        Member(L"Index", [this](const Args&) { return Variant::Int(s_->Index()); });
        Member(L"Visible", [this](const Args&) { return Variant::Int(s_->Visible()); });
        Member(L"Parent", [this](const Args&) { return Obj(WrapWorkbook(s_->Parent())); });
        Member(L"Activate", [this](const Args&) {
            s_->Activate();
            return Variant();
        });
        if (!ws_) return;  // a chart sheet
        Member(L"Rows", [this](const Args& a) {
            if (a.Has(0)) return Obj(WrapRange(ws_->Rows(a.Int(0))));
            return Obj(WrapLines(ws_, true));
        });
        Member(L"Columns", [this](const Args& a) {
            if (a.Has(0)) return Obj(WrapRange(ws_->Columns(a.Int(0))));
            return Obj(WrapLines(ws_, false));
        });
        Member(L"Range", [this](const Args& a) { return Obj(WrapRange(ws_->Range(a.Text(0)))); });
        Member(L"OLEObjects",
               [this](const Args&) { return Obj(Wrap<FakeOLEObjects>(ws_->OLEObjects())); });
    }

  protected:
    // A worksheet answers for Excel's worksheet interface; a chart sheet does not.
    bool Has(REFIID iid) const override { return ws_ && IsEqualIID(iid, win::IID__Worksheet); }

  private:
    Ref<host::Sheet> s_;
    Ref<host::Worksheet> ws_;
};

// ---- Command bars ----------------------------------------------------------------------

// FindControls: the controls found, as a collection of their own.
class FakeControlList final : public FakeObject {
  public:
    static constexpr const char* kKind = "FoundControls";
    explicit FakeControlList(std::vector<Ref<host::CommandBarControl>> list)
        : FakeObject(kKind, this), list_(std::move(list)) {
        Member(L"Count",
               [this](const Args&) { return Variant::Int(static_cast<int32_t>(list_.size())); });
        Member(L"Item", [this](const Args& a) {
            const int32_t index = a.Int(0);
            if (index < 1 || index > static_cast<int32_t>(list_.size())) {
                host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
            }
            return Obj(WrapControl(list_[static_cast<size_t>(index - 1)]));
        });
    }

  private:
    std::vector<Ref<host::CommandBarControl>> list_;
};

class FakeControls final : public FakeObject {
  public:
    static constexpr const char* kKind = "CommandBarControls";
    explicit FakeControls(Ref<host::CommandBarControls> c)
        : FakeObject(kKind, c->Identity()), c_(std::move(c)) {
        // Add(Type, Id, Parameter, Before, Temporary)
        Member(L"Add", [this](const Args& a) {
            return Obj(WrapControl(c_->Add(a.Has(0) ? a.Int(0) : 1, a.Has(4) && a.Bool(4))));
        });
        Member(L"Count", [this](const Args&) { return Variant::Int(c_->Count()); });
        Member(L"Item", [this](const Args& a) { return Obj(WrapControl(c_->Item(a.Int(0)))); });
    }

  private:
    Ref<host::CommandBarControls> c_;
};

class FakeCommandBar final : public FakeObject {
  public:
    static constexpr const char* kKind = "CommandBar";
    explicit FakeCommandBar(Ref<host::CommandBar> b)
        : FakeObject(kKind, b->Identity()), b_(std::move(b)) {
        Member(L"Name", [this](const Args&) { return Variant::Text(b_->Name()); });
        Member(L"Controls", [this](const Args&) { return Obj(WrapControls(b_->Controls())); });
        // FindControl(Type, Id, Tag, Visible, Recursive): the add-in looks by tag.
        Member(L"FindControl",
               [this](const Args& a) { return Obj(WrapControl(b_->FindControlByTag(a.Text(2)))); });
        Member(L"Delete", [this](const Args&) {
            b_->Delete();
            return Variant();
        });
        Member(
            L"Position", [this](const Args&) { return Variant::Int(b_->Position()); },
            [this](const Args& a) { b_->SetPosition(AssignedInt(a)); });
        Member(
            L"RowIndex", [this](const Args&) { return Variant::Int(b_->RowIndex()); },
            [this](const Args& a) { b_->SetRowIndex(AssignedInt(a)); });
        Member(
            L"Left", [this](const Args&) { return Variant::Int(b_->Left()); },
            [this](const Args& a) { b_->SetLeft(AssignedInt(a)); });
        Member(
            L"Top", [this](const Args&) { return Variant::Int(b_->Top()); },
            [this](const Args& a) { b_->SetTop(AssignedInt(a)); });
        Member(
            L"Visible", [this](const Args&) { return Variant::Bool(b_->Visible()); },
            [this](const Args& a) { b_->SetVisible(AssignedBool(a)); });
        Member(L"Protection", nullptr,
               [this](const Args& a) { b_->SetProtection(AssignedInt(a)); });
    }
    const Ref<host::CommandBar>& Handle() const { return b_; }

  private:
    Ref<host::CommandBar> b_;
};

class FakeControl final : public FakeObject {
  public:
    static constexpr const char* kKind = "CommandBarControl";
    explicit FakeControl(Ref<host::CommandBarControl> c)
        : FakeObject(kKind, c->Identity()), c_(std::move(c)) {
        Member(L"Id", [this](const Args&) { return Variant::Int(c_->Id()); });
        Member(L"Type", [this](const Args&) { return Variant::Int(c_->Type()); });
        Member(
            L"Caption", [this](const Args&) { return Variant::Text(c_->Caption()); },
            [this](const Args& a) { c_->SetCaption(AssignedText(a)); });
        Member(
            L"Tag", [this](const Args&) { return Variant::Text(c_->Tag()); },
            [this](const Args& a) { c_->SetTag(AssignedText(a)); });
        Member(
            L"BeginGroup", [this](const Args&) { return Variant::Bool(c_->BeginGroup()); },
            [this](const Args& a) { c_->SetBeginGroup(AssignedBool(a)); });
        Member(
            L"Enabled", [this](const Args&) { return Variant::Bool(c_->Enabled()); },
            [this](const Args& a) { c_->SetEnabled(AssignedBool(a)); });
        Member(
            L"OnAction", [this](const Args&) { return Variant::Text(c_->OnAction()); },
            [this](const Args& a) { c_->SetOnAction(AssignedText(a)); });
        Member(L"Delete", [this](const Args&) {
            c_->Delete();
            return Variant();
        });
        Member(L"Copy", [this](const Args& a) {
            return Obj(WrapControl(c_->Copy(Unwrap<FakeCommandBar>(a.Object(0)).Handle())));
        });
        Member(L"CommandBar", [this](const Args&) { return Obj(WrapBar(c_->CommandBar())); });
        Member(L"Controls", [this](const Args&) { return Obj(WrapControls(c_->Controls())); });
        Member(
            L"Style", [this](const Args&) { return Variant::Int(c_->Style()); },
            [this](const Args& a) { c_->SetStyle(AssignedInt(a)); });
        Member(
            L"FaceId", [this](const Args&) { return Variant::Int(c_->FaceId()); },
            [this](const Args& a) { c_->SetFaceId(AssignedInt(a)); });
        Member(L"PasteFace", [this](const Args&) {
            // The face comes from Windows' clipboard, where the add-in put it.
            sim::SimClipboard& clipboard = FakeExcel::Current().Clipboard();
            clipboard.Clear();
            if (auto bitmap = win::ReadClipboardBitmap(nullptr)) clipboard.PutBitmap(*bitmap);
            c_->PasteFace();
            return Variant();
        });
        Member(
            L"State", [this](const Args&) { return Variant::Int(c_->State()); },
            [this](const Args& a) { c_->SetState(AssignedInt(a)); });
    }

  protected:
    const IID* Events() const override { return &win::DIID__CommandBarButtonEvents; }
    host::EventConnection Connect(ComPtr<IDispatch> sink) override {
        return c_->AdviseClick(
            [sink](const Ref<host::CommandBarControl>& ctrl, bool& cancelDefault) {
                VARIANT_BOOL value = cancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
                VARIANT byRef;
                V_VT(&byRef) = VT_BOOL | VT_BYREF;
                V_BOOLREF(&byRef) = &value;
                Variant control = Obj(WrapControl(ctrl));
                Fire(sink.Get(), win::dispid::kButtonClick, {control.Get(), byRef});
                cancelDefault = value != VARIANT_FALSE;
            });
    }

  private:
    Ref<host::CommandBarControl> c_;
};

class FakeCommandBars final : public FakeObject {
  public:
    static constexpr const char* kKind = "CommandBars";
    explicit FakeCommandBars(Ref<host::CommandBars> b)
        : FakeObject(kKind, b->Identity()), b_(std::move(b)) {
        Member(L"Item", [this](const Args& a) {
            if (a.IsText(0)) return Obj(WrapBar(b_->Item(a.Text(0))));
            return Obj(WrapBar(b_->Item(a.Int(0))));
        });
        // Add(Name, Position, MenuBar, Temporary)
        Member(L"Add", [this](const Args& a) {
            return Obj(WrapBar(b_->Add(a.Has(0) ? a.Text(0) : "", a.Has(1) ? a.Int(1) : 1,
                                       a.Has(2) && a.Bool(2), a.Has(3) && a.Bool(3))));
        });
        // FindControl(Type, Id, Tag, Visible) and FindControls(the same), by id or by tag.
        Member(L"FindControl", [this](const Args& a) {
            if (a.Has(1)) return Obj(WrapControl(b_->FindControl(a.Int(1))));
            return Obj(WrapControl(b_->FindControlByTag(a.Text(2))));
        });
        Member(L"FindControls", [this](const Args& a) {
            auto found = b_->FindControls(a.Int(1));
            if (!found) return Nothing();
            return Obj(ComPtr<IDispatch>::Adopt(new FakeControlList(std::move(*found))));
        });
    }

  private:
    Ref<host::CommandBars> b_;
};

ComPtr<IDispatch> WrapWorkbook(const Ref<host::Workbook>& wb) {
    return Wrap<FakeWorkbook>(wb);
}
ComPtr<IDispatch> WrapSheet(const Ref<host::Sheet>& sheet) {
    return Wrap<FakeSheet>(sheet);
}
ComPtr<IDispatch> WrapRange(const Ref<host::Range>& range) {
    return Wrap<FakeRange>(range);
}
ComPtr<IDispatch> WrapControl(const Ref<host::CommandBarControl>& control) {
    return Wrap<FakeControl>(control);
}
ComPtr<IDispatch> WrapBar(const Ref<host::CommandBar>& bar) {
    return Wrap<FakeCommandBar>(bar);
}
ComPtr<IDispatch> WrapControls(const Ref<host::CommandBarControls>& controls) {
    return Wrap<FakeControls>(controls);
}
ComPtr<IDispatch> WrapWorkbooks(const Ref<host::Workbooks>& books) {
    return Wrap<FakeWorkbooks>(books);
}
ComPtr<IDispatch> WrapCommandBars(const Ref<host::CommandBars>& bars) {
    return Wrap<FakeCommandBars>(bars);
}

}  // namespace

FakeExcel::FakeExcel(const std::string& version) : excel_(version) {
    excel_.AttachClipboard(&clipboard_);
    current = this;
}

FakeExcel::~FakeExcel() {
    if (current == this) current = nullptr;
}

FakeExcel& FakeExcel::Current() {
    return *current;
}

win::ComPtr<IDispatch> FakeExcel::Application() {
    return Wrap<FakeApplication>(excel_.Application());
}

win::ComPtr<IDispatch> FakeExcel::ControlObject(const host::Ref<host::CommandBarControl>& control) {
    return WrapControl(control);
}

}  // namespace tessaly::fake
