// The handles the add-in holds: application, workbooks, sheets, ranges, OLE objects
// and document properties, each a thin view on the model that counts its calls.

#include <algorithm>
#include <cmath>

#include "sim/model.h"
#include "text/references.h"

namespace sim::detail {

namespace {

using host::Ref;
using M = Member;

class Handle {
  public:
    explicit Handle(std::shared_ptr<Model> m) : m_(std::move(m)) {}

  protected:
    std::shared_ptr<Model> m_;
};

// ---------------------------------------------------------------- application

class AppImpl : public host::Application, Handle {
  public:
    using Handle::Handle;
    const void* Identity() const override { return m_.get(); }

    host::EventConnection Advise(host::AppEvents& sink) override {
        m_->Enter(M::Application_Advise);
        int id = m_->nextSinkId++;
        m_->sinks.emplace_back(id, &sink);
        std::weak_ptr<Model> weak = m_;
        return host::EventConnection([weak, id] {
            if (auto m = weak.lock()) {
                auto& s = m->sinks;
                s.erase(std::remove_if(s.begin(), s.end(), [id](auto& p) { return p.first == id; }),
                        s.end());
            }
        });
    }
    Ref<host::Workbook> ActiveWorkbook() override {
        m_->Enter(M::Application_ActiveWorkbook);
        return m_->active ? m_->MakeWorkbook(m_->active) : nullptr;
    }
    Ref<host::Sheet> ActiveSheet() override {
        m_->Enter(M::Application_ActiveSheet);
        return m_->active ? m_->MakeSheet(m_->active->activeSheet) : nullptr;
    }
    Ref<host::Range> ActiveCell() override {
        m_->Enter(M::Application_ActiveCell);
        if (!m_->active) return nullptr;
        SheetData* s = m_->active->activeSheet;
        if (!s->IsWorksheet()) return nullptr;
        return m_->MakeRange(m_->AnchorAt(s, s->activeRow, s->activeCol), nullptr);
    }
    Ref<host::Workbooks> Workbooks() override;
    Ref<host::Worksheet> Worksheets(const std::string& name) override {
        m_->Enter(M::Application_Worksheets);
        if (!m_->active) Refuse("Method 'Worksheets' of object '_Global' failed");
        SheetData* s = m_->FindSheet(m_->active, name);
        if (!s || !s->IsWorksheet()) OutOfRange();
        return m_->MakeWorksheet(s);
    }
    Ref<host::Range> Range(const std::string& text) override {
        m_->Enter(M::Application_Range);
        if (!m_->active || !m_->active->activeSheet->IsWorksheet())
            Refuse("Method 'Range' of object '_Global' failed");
        SheetData* target = nullptr;
        auto ref = m_->Resolve(m_->active->activeSheet, text, true, &target);
        if (!ref) Refuse("Method 'Range' of object '_Global' failed");
        return m_->MakeRange(target, *ref);
    }
    void Goto(const Ref<host::Range>& reference) override;
    std::string Version() override {
        m_->Enter(M::Application_Version);
        return m_->version;
    }
    std::string Caption() override {
        m_->Enter(M::Application_Caption);
        return CaptionOf(*m_);
    }
    void SetScreenUpdating(bool on) override {
        m_->Enter(M::Application_SetScreenUpdating);
        m_->screenUpdating = on;
    }
    void OnKey(const std::string& key, const std::optional<std::string>& procedure) override {
        m_->Enter(M::Application_OnKey);
        auto canonical = NormaliseKeyString(key);
        m_->onKeyLog.push_back({key, procedure, canonical.has_value()});
        if (!canonical) Refuse("Method 'OnKey' of object '_Application' failed");
        if (procedure)
            m_->keyBindings[*canonical] = procedure;
        else
            m_->keyBindings.erase(*canonical);
    }
    Ref<host::CommandBars> CommandBars() override;

    static std::string CaptionOf(const Model& m) {
        if (m.fixedCaption) return *m.fixedCaption;
        return m.active ? "Microsoft Excel - " + m.active->name : "Microsoft Excel";
    }
};

class AddInImpl : public host::AddIn, Handle {
  public:
    AddInImpl(std::shared_ptr<Model> m, std::string progId)
        : Handle(std::move(m)), progId_(std::move(progId)) {}
    const void* Identity() const override { return &m_->addinTag; }
    std::string ProgId() override {
        m_->Enter(M::AddIn_ProgId);
        return progId_;
    }

  private:
    std::string progId_;
};

// ---------------------------------------------------------------- workbooks

class WorkbooksImpl : public host::Workbooks, Handle {
  public:
    using Handle::Handle;
    const void* Identity() const override { return &m_->workbooksTag; }
    int32_t Count() override {
        m_->Enter(M::Workbooks_Count);
        int32_t n = 0;
        for (BookData* b : m_->books) n += b->isAddin ? 0 : 1;
        return n;
    }
    Ref<host::Workbook> Item(int32_t index) override {
        m_->Enter(M::Workbooks_Item);
        int32_t n = 0;
        for (BookData* b : m_->books) {
            if (b->isAddin) continue;
            if (++n == index) return m_->MakeWorkbook(b);
        }
        OutOfRange();
    }
    Ref<host::Workbook> Item(const std::string& name) override {
        m_->Enter(M::Workbooks_Item);
        BookData* b = m_->FindBook(name);
        if (!b) OutOfRange();
        return m_->MakeWorkbook(b);
    }
};

class BookHandle : protected Handle {
  public:
    BookHandle(std::shared_ptr<Model> m, BookData* b) : Handle(std::move(m)), b_(b) {}

  protected:
    void Check() const {
        if (!b_->alive) Disconnected();
    }
    BookData* b_;
};

class WindowImpl : public host::Window, BookHandle {
  public:
    using BookHandle::BookHandle;
    const void* Identity() const override { return &b_->windowTag; }
    bool Visible() override {
        m_->Enter(M::Window_Visible);
        Check();
        return b_->windowVisible;
    }
};

class SheetsImpl : public host::Sheets, BookHandle {
  public:
    using BookHandle::BookHandle;
    const void* Identity() const override { return &b_->sheetsTag; }
    int32_t Count() override {
        m_->Enter(M::Sheets_Count);
        Check();
        return static_cast<int32_t>(b_->sheets.size());
    }
    Ref<host::Sheet> Item(int32_t index) override {
        m_->Enter(M::Sheets_Item);
        Check();
        if (index < 1 || index > static_cast<int32_t>(b_->sheets.size())) OutOfRange();
        return m_->MakeSheet(b_->sheets[index - 1]);
    }
};

class WorksheetsImpl : public host::Worksheets, BookHandle {
  public:
    using BookHandle::BookHandle;
    const void* Identity() const override { return &b_->worksheetsTag; }
    int32_t Count() override {
        m_->Enter(M::Worksheets_Count);
        Check();
        return static_cast<int32_t>(std::count_if(b_->sheets.begin(), b_->sheets.end(),
                                                  [](SheetData* s) { return s->IsWorksheet(); }));
    }
    Ref<host::Worksheet> Item(int32_t index) override {
        m_->Enter(M::Worksheets_Item);
        Check();
        int32_t n = 0;
        for (SheetData* s : b_->sheets)
            if (s->IsWorksheet() && ++n == index) return m_->MakeWorksheet(s);
        OutOfRange();
    }
    Ref<host::Worksheet> Item(const std::string& name) override {
        m_->Enter(M::Worksheets_Item);
        Check();
        SheetData* s = m_->FindSheet(b_, name);
        if (!s || !s->IsWorksheet()) OutOfRange();
        return m_->MakeWorksheet(s);
    }
};

class DocPropertyImpl : public host::DocumentProperty, Handle {
  public:
    DocPropertyImpl(std::shared_ptr<Model> m, PropData* p) : Handle(std::move(m)), p_(p) {}
    const void* Identity() const override { return p_; }
    std::string Value() override {
        m_->Enter(M::DocumentProperty_Value);
        Check();
        return p_->value;
    }
    void Delete() override {
        m_->Enter(M::DocumentProperty_Delete);
        Check();
        p_->alive = false;
        auto& v = p_->book->props;
        v.erase(std::remove(v.begin(), v.end(), p_), v.end());
    }

  private:
    void Check() const {
        if (!p_->alive || !p_->book->alive) Disconnected();
    }
    PropData* p_;
};

class DocPropertiesImpl : public host::DocumentProperties, BookHandle {
  public:
    using BookHandle::BookHandle;
    const void* Identity() const override { return &b_->propsTag; }
    Ref<host::DocumentProperty> Item(const std::string& name) override {
        m_->Enter(M::DocumentProperties_Item);
        Check();
        for (PropData* p : b_->props)
            if (SameText(p->name, name)) return std::make_shared<DocPropertyImpl>(m_, p);
        InvalidCall("Invalid procedure call or argument");
    }
    Ref<host::DocumentProperty> Add(const std::string& name, bool linkToContent, int32_t type,
                                    const std::string& value) override {
        m_->Enter(M::DocumentProperties_Add);
        Check();
        const std::string failed = "Method 'Add' of object 'DocumentProperties' failed";
        if (name.empty() || Utf8Length(name) > 255) host::Raise(host::err::kUnspecified, failed);
        if (linkToContent || type != host::xl::kPropertyTypeString)
            host::Raise(host::err::kUnspecified, failed);
        // The host keeps at most 255 characters of a text property; refusing longer text
        // keeps a caller from believing a cut value was stored whole.
        if (Utf8Length(value) > 255) host::Raise(host::err::kUnspecified, failed);
        for (PropData* p : b_->props)
            if (SameText(p->name, name)) host::Raise(host::err::kUnspecified, failed);
        m_->allProps.push_back(std::make_unique<PropData>(PropData{name, value, b_, true}));
        b_->props.push_back(m_->allProps.back().get());
        return std::make_shared<DocPropertyImpl>(m_, b_->props.back());
    }
};

class WorkbookImpl : public host::Workbook, BookHandle {
  public:
    using BookHandle::BookHandle;
    const void* Identity() const override { return b_; }
    std::string Name() override {
        m_->Enter(M::Workbook_Name);
        Check();
        return b_->name;
    }
    bool IsAddin() override {
        m_->Enter(M::Workbook_IsAddin);
        Check();
        return b_->isAddin;
    }
    Ref<host::Window> Windows(int32_t index) override {
        m_->Enter(M::Workbook_Windows);
        Check();
        if (index != 1) OutOfRange();
        return std::make_shared<WindowImpl>(m_, b_);
    }
    Ref<host::Worksheets> Worksheets() override {
        m_->Enter(M::Workbook_Worksheets);
        Check();
        return std::make_shared<WorksheetsImpl>(m_, b_);
    }
    Ref<host::Sheets> Sheets() override {
        m_->Enter(M::Workbook_Sheets);
        Check();
        return std::make_shared<SheetsImpl>(m_, b_);
    }
    Ref<host::DocumentProperties> CustomDocumentProperties() override {
        m_->Enter(M::Workbook_CustomDocumentProperties);
        Check();
        return std::make_shared<DocPropertiesImpl>(m_, b_);
    }
    void Activate() override {
        m_->Enter(M::Workbook_Activate);
        Check();
        if (b_->isAddin) Refuse("Activate method of Workbook class failed");
        m_->SetActive(b_);
    }
};

// ---------------------------------------------------------------- sheets

template <class Base>
class SheetCommon : public Base, protected Handle {
  public:
    SheetCommon(std::shared_ptr<Model> m, SheetData* s) : Handle(std::move(m)), s_(s) {}
    const void* Identity() const override { return s_; }
    std::string Name() override {
        m_->Enter(M::Sheet_Name);
        Check();
        return s_->name;
    }
    int32_t Index() override {
        m_->Enter(M::Sheet_Index);
        Check();
        auto& v = s_->book->sheets;
        return static_cast<int32_t>(std::find(v.begin(), v.end(), s_) - v.begin()) + 1;
    }
    int32_t Visible() override {
        m_->Enter(M::Sheet_Visible);
        Check();
        return s_->visible;
    }
    Ref<host::Workbook> Parent() override {
        m_->Enter(M::Sheet_Parent);
        Check();
        return m_->MakeWorkbook(s_->book);
    }
    void Activate() override {
        m_->Enter(M::Sheet_Activate);
        Check();
        if (m_->active != s_->book || s_->visible != host::xl::kSheetVisible)
            Refuse(std::string("Activate method of ") +
                   (s_->IsWorksheet() ? "Worksheet" : "Chart") + " class failed");
        s_->book->activeSheet = s_;
    }

  protected:
    void Check() const {
        if (!s_->Alive()) Disconnected();
    }
    SheetData* s_;
};

class ChartSheetImpl : public SheetCommon<host::Sheet> {
  public:
    using SheetCommon::SheetCommon;
    Ref<host::Worksheet> AsWorksheet() override {
        m_->Enter(M::Sheet_AsWorksheet);
        Check();
        return nullptr;
    }
};

class OLEObjectImpl;

class OLEObjectsImpl : public host::OLEObjects, Handle {
  public:
    OLEObjectsImpl(std::shared_ptr<Model> m, SheetData* s) : Handle(std::move(m)), s_(s) {}
    const void* Identity() const override { return &s_->olesTag; }
    Ref<host::OLEObject> Add(const std::string& classType, bool link, bool displayAsIcon,
                             double left, double top, double width, double height) override;

  private:
    SheetData* s_;
};

class WorksheetImpl : public SheetCommon<host::Worksheet>,
                      public std::enable_shared_from_this<WorksheetImpl> {
  public:
    using SheetCommon::SheetCommon;
    Ref<host::Worksheet> AsWorksheet() override {
        m_->Enter(M::Sheet_AsWorksheet);
        Check();
        return shared_from_this();
    }
    Ref<host::Range> Rows(int32_t row) override {
        m_->Enter(M::Worksheet_Rows);
        Check();
        if (row < 1 || row > kMaxRows) Refuse("Application-defined or object-defined error");
        return m_->MakeRange(s_, detail::Extent{row, 0, row, 0});
    }
    Ref<host::Range> Columns(int32_t column) override {
        m_->Enter(M::Worksheet_Columns);
        Check();
        if (column < 1 || column > kMaxColumns)
            Refuse("Application-defined or object-defined error");
        return m_->MakeRange(s_, detail::Extent{0, column, 0, column});
    }
    Ref<host::Range> Range(const std::string& address) override {
        m_->Enter(M::Worksheet_Range);
        Check();
        SheetData* target = nullptr;
        auto ref = m_->Resolve(s_, address, false, &target);
        if (!ref) Refuse("Method 'Range' of object '_Worksheet' failed");
        return m_->MakeRange(target, *ref);
    }
    Ref<host::OLEObjects> OLEObjects() override {
        m_->Enter(M::Worksheet_OLEObjects);
        Check();
        return std::make_shared<OLEObjectsImpl>(m_, s_);
    }
};

// ---------------------------------------------------------------- ranges

class NameImpl : public host::Name, Handle {
  public:
    NameImpl(std::shared_ptr<Model> m, NameData* n) : Handle(std::move(m)), n_(n) {}
    const void* Identity() const override { return n_; }
    std::string NameLocal() override {
        m_->Enter(M::Name_NameLocal);
        if (!n_->alive || !n_->book->alive) Disconnected();
        // A name local to a sheet is spelled with its sheet, as the host lists it: worksheet
        // names are "names defined with the "WorksheetName!" prefix" (Worksheet.Names,
        // https://learn.microsoft.com/office/vba/api/excel.worksheet.names).
        return n_->scope != nullptr ? tessaly::SheetPrefix(n_->scope->name) + n_->name : n_->name;
    }

  private:
    NameData* n_;
};

}  // namespace

// Declared outside the anonymous namespace so Goto can recognise its argument.
class RangeImpl : public host::Range, Handle {
  public:
    RangeImpl(std::shared_ptr<Model> m, Anchor* first, Anchor* last)
        : Handle(std::move(m)), first_(first), last_(last) {}
    const void* Identity() const override {
        return last_ ? static_cast<const void*>(m_->AreaOf(first_, last_)) : first_;
    }
    std::string Address() override {
        m_->Enter(M::Range_Address);
        Check();
        return FormatA1(Bounds());
    }
    int32_t Row() override {
        m_->Enter(M::Range_Row);
        Check();
        return first_->row == 0 ? 1 : first_->row;
    }
    int32_t Column() override {
        m_->Enter(M::Range_Column);
        Check();
        return first_->col == 0 ? 1 : first_->col;
    }
    double Left() override {
        m_->Enter(M::Range_Left);
        Check();
        return m_->LeftOf(first_->sheet, first_->col == 0 ? 1 : first_->col);
    }
    double Top() override {
        m_->Enter(M::Range_Top);
        Check();
        return m_->TopOf(first_->sheet, first_->row == 0 ? 1 : first_->row);
    }
    bool Hidden() override {
        m_->Enter(M::Range_Hidden);
        Check();
        detail::Extent r = Bounds();
        SheetData* s = first_->sheet;
        if (r.col1 == 0) {
            for (int32_t row = r.row1; row <= r.row2; ++row)
                if (!s->hiddenRows.count(row) && !s->filterRows.count(row)) return false;
            return true;
        }
        if (r.row1 == 0) {
            for (int32_t col = r.col1; col <= r.col2; ++col)
                if (!s->hiddenCols.count(col)) return false;
            return true;
        }
        Refuse("Unable to get the Hidden property of the Range class");
    }
    Ref<host::Worksheet> Parent() override {
        m_->Enter(M::Range_Parent);
        Check();
        return m_->MakeWorksheet(first_->sheet);
    }
    Ref<host::Worksheet> Worksheet() override {
        m_->Enter(M::Range_Worksheet);
        Check();
        return m_->MakeWorksheet(first_->sheet);
    }
    Ref<host::Application> Application() override {
        m_->Enter(M::Range_Application);
        return m_->MakeApplication();
    }
    Ref<host::Name> Name() override {
        m_->Enter(M::Range_Name);
        Check();
        // The sheet's own name first, as the host answers, then the workbook's, then any.
        NameData* found = nullptr;
        int rank = 3;
        for (NameData* n : first_->sheet->book->names) {
            if (!n->alive || n->first != first_ || n->last != last_) continue;
            const int r = n->scope == first_->sheet ? 0 : n->scope == nullptr ? 1 : 2;
            if (r < rank) found = n, rank = r;
        }
        if (found) return std::make_shared<NameImpl>(m_, found);
        Refuse("Application-defined or object-defined error");
    }
    void Activate() override {
        m_->Enter(M::Range_Activate);
        Check();
        SheetData* s = first_->sheet;
        if (m_->active != s->book || s->book->activeSheet != s)
            Refuse("Activate method of Range class failed");
        detail::Extent r = Bounds();
        const detail::Extent& sel = s->selection;
        bool inside = r.Single() && r.row1 != 0 && r.col1 != 0 &&
                      (sel.row1 == 0 || (r.row1 >= sel.row1 && r.row1 <= sel.row2)) &&
                      (sel.col1 == 0 || (r.col1 >= sel.col1 && r.col1 <= sel.col2));
        if (inside) {
            // Within the selection only the active cell moves; the selection stays.
            s->activeRow = r.row1;
            s->activeCol = r.col1;
        } else {
            m_->SelectOn(s, r, true);
        }
    }

    bool Alive() const {
        return Model::AnchorAlive(first_) && (!last_ || Model::AnchorAlive(last_));
    }
    detail::Extent Bounds() const {
        const Anchor* last = last_ ? last_ : first_;
        return detail::Extent{first_->row, first_->col, last->row, last->col};
    }
    SheetData* Sheet() const { return first_->sheet; }

  private:
    void Check() const {
        if (!Alive()) Disconnected();
    }
    Anchor* first_;
    Anchor* last_;
};

namespace {

// ---------------------------------------------------------------- OLE objects

class LabelImpl : public host::LabelControl, Handle {
  public:
    LabelImpl(std::shared_ptr<Model> m, OleData* o) : Handle(std::move(m)), o_(o) {}
    const void* Identity() const override { return &o_->labelTag; }
    void SetAutoSize(bool v) override {
        m_->Enter(M::LabelControl_SetAutoSize);
        Check();
        o_->desc.label.autoSize = v;
        Fit();
    }
    void SetFontName(const std::string& v) override {
        m_->Enter(M::LabelControl_SetFontName);
        Check();
        o_->desc.label.fontName = v;
        Fit();
    }
    void SetFontSize(double v) override {
        m_->Enter(M::LabelControl_SetFontSize);
        Check();
        if (v <= 0 || v > 2047) InvalidCall("Invalid property value.");
        o_->desc.label.fontSize = v;
        Fit();
    }
    void SetForeColor(int32_t v) override {
        m_->Enter(M::LabelControl_SetForeColor);
        Check();
        o_->desc.label.foreColor = v;
    }
    void SetCaption(const std::string& v) override {
        m_->Enter(M::LabelControl_SetCaption);
        Check();
        o_->desc.label.caption = v;
        Fit();
    }
    void SetBackStyle(int32_t v) override {
        m_->Enter(M::LabelControl_SetBackStyle);
        Check();
        if (v != 0 && v != 1) InvalidCall("Invalid property value.");
        o_->desc.label.backStyle = v;
    }

  private:
    void Check() const {
        if (o_->deleted || !o_->sheet->Alive()) Disconnected();
    }
    // An auto-sized label takes the size of its text, roughly as the control measures it.
    void Fit() {
        const LabelSpec& l = o_->desc.label;
        if (!l.autoSize) return;
        o_->desc.width =
            std::round((static_cast<double>(Utf8Length(l.caption)) * l.fontSize * 0.6 + 3.0) *
                       4.0) /
            4.0;
        o_->desc.height = std::round((l.fontSize * 1.2 + 2.0) * 4.0) / 4.0;
        m_->AnchorFarEdges(o_);
    }
    OleData* o_;
};

class OLEObjectImpl : public host::OLEObject, Handle {
  public:
    OLEObjectImpl(std::shared_ptr<Model> m, OleData* o) : Handle(std::move(m)), o_(o) {}
    const void* Identity() const override { return o_; }
    double Left() override {
        m_->Enter(M::OLEObject_Left);
        Check();
        return o_->desc.left;
    }
    double Top() override {
        m_->Enter(M::OLEObject_Top);
        Check();
        return o_->desc.top;
    }
    void SetLeft(double v) override {
        m_->Enter(M::OLEObject_SetLeft);
        CheckChangeable("Left");
        o_->desc.left = v;
        m_->AnchorObject(o_, false);
    }
    void SetTop(double v) override {
        m_->Enter(M::OLEObject_SetTop);
        CheckChangeable("Top");
        o_->desc.top = v;
        m_->AnchorObject(o_, true);
    }
    void SetPlacement(int32_t v) override {
        m_->Enter(M::OLEObject_SetPlacement);
        CheckChangeable("Placement");
        if (v < 1 || v > 3) Refuse("Unable to set the Placement property of the OLEObject class");
        const int32_t was = o_->desc.placement;
        o_->desc.placement = v;
        // A floating object's anchors went stale while it floated, and only one that
        // sizes with cells keeps its far edges up to date.
        if (was == 3 && v != 3)
            m_->AnchorObject(o_);
        else if (was == 2 && v == 1)
            m_->AnchorFarEdges(o_);
    }
    void SetPrintObject(bool v) override {
        m_->Enter(M::OLEObject_SetPrintObject);
        CheckChangeable("PrintObject");
        o_->desc.printObject = v;
    }
    void SetLocked(bool v) override {
        m_->Enter(M::OLEObject_SetLocked);
        CheckChangeable("Locked");
        o_->desc.locked = v;
    }
    void SetShapeRangeFillVisible(bool v) override {
        m_->Enter(M::OLEObject_SetShapeRangeFillVisible);
        CheckChangeable("Visible");
        o_->desc.fillVisible = v;
    }
    Ref<host::LabelControl> Object() override {
        m_->Enter(M::OLEObject_Object);
        Check();
        return std::make_shared<LabelImpl>(m_, o_);
    }
    void Delete() override {
        m_->Enter(M::OLEObject_Delete);
        Check();
        if (o_->sheet->isProtected) Refuse("Delete method of OLEObject class failed");
        o_->deleted = true;
    }

  private:
    void Check() const {
        if (o_->deleted || !o_->sheet->Alive()) Disconnected();
    }
    // A protected sheet keeps its objects as they are.
    void CheckChangeable(const char* property) const {
        Check();
        if (o_->sheet->isProtected)
            Refuse(std::string("Unable to set the ") + property +
                   " property of the OLEObject class");
    }
    OleData* o_;
};

Ref<host::OLEObject> OLEObjectsImpl::Add(const std::string& classType, bool /*link*/,
                                         bool /*displayAsIcon*/, double left, double top,
                                         double width, double height) {
    m_->Enter(M::OLEObjects_Add);
    if (!s_->Alive()) Disconnected();
    if (s_->isProtected) Refuse("Unable to get the Add property of the OLEObjects class");
    if (!SameText(classType, "Forms.Label.1")) Refuse("Cannot insert object.");
    m_->allOles.push_back(std::make_unique<OleData>());
    OleData* o = m_->allOles.back().get();
    o->sheet = s_;
    o->desc.classType = "Forms.Label.1";
    o->desc.left = left;
    o->desc.top = top;
    o->desc.width = width;
    o->desc.height = height;
    m_->AnchorObject(o);
    s_->oles.push_back(o);
    return std::make_shared<OLEObjectImpl>(m_, o);
}

}  // namespace

// ---------------------------------------------------------------- application parts

Ref<host::CommandBars> AppImpl::CommandBars() {
    m_->Enter(M::Application_CommandBars);
    return m_->MakeCommandBars();
}

Ref<host::Workbooks> AppImpl::Workbooks() {
    m_->Enter(M::Application_Workbooks);
    return std::make_shared<WorkbooksImpl>(m_);
}

void AppImpl::Goto(const Ref<host::Range>& reference) {
    m_->Enter(M::Application_Goto);
    if (!reference) host::Raise(host::err::kObjectRequired, "Object required");
    auto* range = dynamic_cast<RangeImpl*>(reference.get());
    if (!range) host::Raise(host::err::kTypeMismatch, "Type mismatch");
    if (!range->Alive()) Disconnected();
    SheetData* s = range->Sheet();
    BookData* b = s->book;
    if (b->isAddin || !b->windowVisible || s->visible != host::xl::kSheetVisible)
        Refuse("Method 'Goto' of object '_Application' failed");
    m_->SetActive(b);
    b->activeSheet = s;
    detail::Extent r = range->Bounds();
    m_->gotoLog.push_back("[" + b->name + "]" + s->name + "!" + FormatA1(r));
    m_->SelectOn(s, r, true);
}

// ---------------------------------------------------------------- factories

Ref<host::Application> Model::MakeApplication() {
    return std::make_shared<AppImpl>(Self());
}

Ref<host::AddIn> Model::MakeAddIn(std::string progId) {
    return std::make_shared<AddInImpl>(Self(), std::move(progId));
}

Ref<host::Workbook> Model::MakeWorkbook(BookData* b) {
    return std::make_shared<WorkbookImpl>(Self(), b);
}

Ref<host::Sheet> Model::MakeSheet(SheetData* s) {
    if (s->IsWorksheet()) return std::make_shared<WorksheetImpl>(Self(), s);
    return std::make_shared<ChartSheetImpl>(Self(), s);
}

Ref<host::Worksheet> Model::MakeWorksheet(SheetData* s) {
    return std::make_shared<WorksheetImpl>(Self(), s);
}

Ref<host::Range> Model::MakeRange(Anchor* first, Anchor* last) {
    return std::make_shared<RangeImpl>(Self(), first, last);
}

Ref<host::Range> Model::MakeRange(SheetData* s, const detail::Extent& r) {
    Anchor* first = AnchorAt(s, r.row1, r.col1);
    Anchor* last = r.Single() ? nullptr : AnchorAt(s, r.row2, r.col2);
    return MakeRange(first, last);
}

std::string CaptionText(const Model& m) {
    return AppImpl::CaptionOf(m);
}

}  // namespace sim::detail
