// Calc's objects behind the host seam. Every member runs its UNO calls inside UnoCall,
// so a refusal reaches the core as host::HostError.

#include "calc/calc_host.h"

#include <cstdio>

#include <osl/process.h>
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyAttribute.hpp>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XPropertyContainer.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/DocumentEvent.hpp>
#include <com/sun/star/document/XDocumentEventBroadcaster.hpp>
#include <com/sun/star/document/XDocumentEventListener.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/drawing/FillStyle.hpp>
#include <com/sun/star/drawing/LineStyle.hpp>
#include <com/sun/star/drawing/TextHorizontalAdjust.hpp>
#include <com/sun/star/drawing/TextVerticalAdjust.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPages.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XGlobalEventBroadcaster.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XModel2.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/frame/theGlobalEventBroadcaster.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XModifyBroadcaster.hpp>
#include <com/sun/star/util/XModifyListener.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <com/sun/star/view/XSelectionChangeListener.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase3.hxx>
#include <rtl/ref.hxx>
#include <rtl/uri.hxx>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "calc/command_bars.h"
#include "calc/uno_calls.h"
#include "host/required.h"
#include "text/references.h"

namespace tessaly::calc {

namespace {

namespace uno = css::uno;
using host::Ref;
using uno::Reference;
using uno::Sequence;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

using Model = Reference<css::frame::XModel>;

int g_addinDepth = 0;

[[noreturn]] void Refuse(const std::string& what) {
    host::Raise(host::err::kHostRefused, what);
}

const void* IdentityOf(const Reference<uno::XInterface>& object) {
    return Reference<uno::XInterface>(object, UNO_QUERY).get();
}

bool IsSpreadsheet(const Reference<uno::XInterface>& object) {
    return Reference<css::sheet::XSpreadsheetDocument>(object, UNO_QUERY).is();
}

Reference<css::container::XIndexAccess> SheetsOf(const Model& model) {
    Reference<css::sheet::XSpreadsheetDocument> doc(model, UNO_QUERY_THROW);
    return Reference<css::container::XIndexAccess>(doc->getSheets(), UNO_QUERY_THROW);
}

// The document's view; nothing for a document without one.
Reference<css::frame::XController> ControllerOf(const Model& model) {
    return model->getCurrentController();
}

// Calc keeps positions in 1/100 mm; the other host speaks points.
double Points(sal_Int32 hundredthMm) {
    return hundredthMm * 72.0 / 2540.0;
}
sal_Int32 HundredthMm(double points) {
    return static_cast<sal_Int32>(points * 2540.0 / 72.0 + (points >= 0 ? 0.5 : -0.5));
}

bool SameAsciiText(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        return up(x) == up(y);
    });
}

Ref<host::Workbook> WorkbookOf(const Model& model);
Ref<host::Worksheet> WorksheetOf(const Model& model, Reference<css::sheet::XSpreadsheet> sheet);
enum class RangeKind { Cells, Row, Column };
Ref<host::Range> RangeOf(const Model& model, Reference<css::table::XCellRange> range,
                         RangeKind kind = RangeKind::Cells);

std::weak_ptr<host::Application> g_application;

// ---- Document properties ---------------------------------------------------------

class UserProperty final : public host::DocumentProperty {
  public:
    UserProperty(Reference<css::beans::XPropertyContainer> c, OUString name)
        : c_(std::move(c)), name_(std::move(name)) {}
    const void* Identity() const override { return IdentityOf(c_); }
    std::string Value() override {
        return UnoCall([&] {
            Reference<css::beans::XPropertySet> set(c_, UNO_QUERY_THROW);
            OUString text;
            if (!(set->getPropertyValue(name_) >>= text))
                host::Raise(host::err::kTypeMismatch, "Type mismatch");
            return Utf8(text);
        });
    }
    void Delete() override {
        UnoCall([&] { c_->removeProperty(name_); });
    }

  private:
    Reference<css::beans::XPropertyContainer> c_;
    OUString name_;
};

// The user-defined properties: what Calc writes to .xlsx as custom properties and
// reads back from them. Names are found without regard to ASCII case, as the other
// host finds them.
class UserProperties final : public host::DocumentProperties {
  public:
    // The container is asked for once, under UnoCall: Identity may not fail.
    explicit UserProperties(Model model)
        : model_(std::move(model)), container_(UnoCall([&] { return Container(); })) {}
    const void* Identity() const override { return IdentityOf(container_); }
    Ref<host::DocumentProperty> Item(const std::string& name) override {
        return UnoCall([&]() -> Ref<host::DocumentProperty> {
            auto container = Container();
            Reference<css::beans::XPropertySet> set(container, UNO_QUERY_THROW);
            for (const auto& p : set->getPropertySetInfo()->getProperties()) {
                if (SameAsciiText(Utf8(p.Name), name))
                    return std::make_shared<UserProperty>(container, p.Name);
            }
            host::Raise(5, "Invalid procedure call or argument");
        });
    }
    Ref<host::DocumentProperty> Add(const std::string& name, bool linkToContent, int32_t type,
                                    const std::string& value) override {
        return UnoCall([&]() -> Ref<host::DocumentProperty> {
            if (linkToContent || type != host::xl::kPropertyTypeString)
                Refuse("Only text properties that are not linked can be added");
            auto container = Container();
            container->addProperty(Uno(name), css::beans::PropertyAttribute::REMOVABLE,
                                   uno::Any(Uno(value)));
            return std::make_shared<UserProperty>(container, Uno(name));
        });
    }

  private:
    Reference<css::beans::XPropertyContainer> Container() const {
        Reference<css::document::XDocumentPropertiesSupplier> s(model_, UNO_QUERY_THROW);
        return s->getDocumentProperties()->getUserDefinedProperties();
    }
    Model model_;
    Reference<css::beans::XPropertyContainer> container_;
};

// ---- Marks: a small text shape over its cell ---------------------------------------

// Calc's API adds and removes shapes on a protected sheet, where its users cannot; the
// marks keep to what the user may do, and are refused there as the other host refuses
// them (1004).
void RefuseOnProtectedSheet(const Reference<css::sheet::XSpreadsheet>& sheet) {
    Reference<css::util::XProtectable> protectable(sheet, UNO_QUERY);
    if (protectable.is() && protectable->isProtected()) Refuse("The sheet is protected");
}

class ShapeLabel final : public host::LabelControl {
  public:
    explicit ShapeLabel(Reference<css::drawing::XShape> shape) : shape_(std::move(shape)) {}
    const void* Identity() const override { return IdentityOf(shape_); }
    void SetAutoSize(bool v) override {
        Set("TextAutoGrowWidth", uno::Any(v));
        Set("TextAutoGrowHeight", uno::Any(v));
    }
    void SetFontName(const std::string& v) override { Set("CharFontName", uno::Any(Uno(v))); }
    void SetFontSize(double v) override { Set("CharHeight", uno::Any(static_cast<float>(v))); }
    // 0x00BBGGRR in, 0x00RRGGBB for Calc.
    void SetForeColor(int32_t v) override {
        const sal_Int32 rgb = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
        Set("CharColor", uno::Any(rgb));
    }
    void SetCaption(const std::string& v) override {
        UnoCall([&] {
            Reference<css::text::XTextRange> text(shape_, UNO_QUERY_THROW);
            text->setString(Uno(v));
        });
    }
    void SetBackStyle(int32_t v) override {
        Set("FillStyle",
            uno::Any(v == 0 ? css::drawing::FillStyle_NONE : css::drawing::FillStyle_SOLID));
    }

  private:
    void Set(const char* name, const uno::Any& value) {
        UnoCall([&] {
            Reference<css::beans::XPropertySet> p(shape_, UNO_QUERY_THROW);
            p->setPropertyValue(OUString::createFromAscii(name), value);
        });
    }
    Reference<css::drawing::XShape> shape_;
};

class MarkShape final : public host::OLEObject {
  public:
    MarkShape(Reference<css::drawing::XShape> shape, Reference<css::drawing::XDrawPage> page,
              Reference<css::sheet::XSpreadsheet> sheet)
        : shape_(std::move(shape)), page_(std::move(page)), sheet_(std::move(sheet)) {}
    const void* Identity() const override { return IdentityOf(shape_); }
    double Left() override {
        return UnoCall([&] { return Points(Live()->getPosition().X); });
    }
    double Top() override {
        return UnoCall([&] { return Points(Live()->getPosition().Y); });
    }
    void SetLeft(double v) override {
        UnoCall([&] {
            auto p = Live()->getPosition();
            p.X = HundredthMm(v);
            shape_->setPosition(p);
        });
    }
    void SetTop(double v) override {
        UnoCall([&] {
            auto p = Live()->getPosition();
            p.Y = HundredthMm(v);
            shape_->setPosition(p);
        });
    }
    // A mark stays anchored to its sheet, not to its cell: Calc 7.4 then writes an .ods
    // without end when cell-anchored shapes are removed as the save begins, which is when
    // the add-in takes its marks off. It is put back at its cell at the next refresh.
    void SetPlacement(int32_t) override { Live(); }
    void SetPrintObject(bool v) override { Set("Printable", uno::Any(v)); }
    // A mark is never moved by hand: Calc's "protected position" is the nearest it has
    // to an unlocked control, and the shape is left free so that users can remove it.
    void SetLocked(bool) override { Live(); }
    void SetShapeRangeFillVisible(bool v) override {
        Set("FillStyle",
            uno::Any(v ? css::drawing::FillStyle_SOLID : css::drawing::FillStyle_NONE));
        Set("LineStyle",
            uno::Any(v ? css::drawing::LineStyle_SOLID : css::drawing::LineStyle_NONE));
    }
    Ref<host::LabelControl> Object() override {
        return UnoCall([&] { return std::make_shared<ShapeLabel>(Live()); });
    }
    void Delete() override {
        UnoCall([&] {
            RefuseOnProtectedSheet(sheet_);
            Reference<css::drawing::XShapes> shapes(page_, UNO_QUERY_THROW);
            shapes->remove(Live());
            deleted_ = true;
        });
    }

  private:
    const Reference<css::drawing::XShape>& Live() {
        if (deleted_ || !OnPage()) Refuse("The mark has been deleted");
        return shape_;
    }
    bool OnPage() {
        const sal_Int32 n = page_->getCount();
        for (sal_Int32 i = 0; i < n; ++i) {
            Reference<css::drawing::XShape> s(page_->getByIndex(i), UNO_QUERY);
            if (IdentityOf(s) == IdentityOf(shape_)) return true;
        }
        return false;
    }
    void Set(const char* name, const uno::Any& value) {
        UnoCall([&] {
            Reference<css::beans::XPropertySet> p(Live(), UNO_QUERY_THROW);
            p->setPropertyValue(OUString::createFromAscii(name), value);
        });
    }
    Reference<css::drawing::XShape> shape_;
    Reference<css::drawing::XDrawPage> page_;
    Reference<css::sheet::XSpreadsheet> sheet_;
    bool deleted_ = false;
};

// The marks of one sheet. Calc has no label control; a text shape with the label's
// caption, font and colour stands in for it.
class SheetShapes final : public host::OLEObjects {
  public:
    SheetShapes(Model model, Reference<css::sheet::XSpreadsheet> sheet)
        : model_(std::move(model)), sheet_(std::move(sheet)) {}
    const void* Identity() const override { return IdentityOf(sheet_); }
    Ref<host::OLEObject> Add(const std::string& classType, bool, bool, double left, double top,
                             double width, double height) override {
        return UnoCall([&]() -> Ref<host::OLEObject> {
            if (classType != "Forms.Label.1") Refuse("Only marks can be added");
            RefuseOnProtectedSheet(sheet_);
            Reference<css::lang::XMultiServiceFactory> factory(model_, UNO_QUERY_THROW);
            Reference<css::drawing::XShape> shape(
                factory->createInstance("com.sun.star.drawing.TextShape"), UNO_QUERY_THROW);
            // The draw page of a sheet is the document's page with the sheet's index.
            Reference<css::drawing::XDrawPagesSupplier> pages(model_, UNO_QUERY_THROW);
            Reference<css::sheet::XCellRangeAddressable> where(sheet_, UNO_QUERY_THROW);
            Reference<css::drawing::XDrawPage> page(
                pages->getDrawPages()->getByIndex(where->getRangeAddress().Sheet), UNO_QUERY_THROW);
            page->add(shape);
            // A label that sizes itself grows to the right and down from where it is put;
            // a text shape grows from its centre unless told so.
            Reference<css::beans::XPropertySet> props(shape, UNO_QUERY_THROW);
            props->setPropertyValue("TextHorizontalAdjust",
                                    uno::Any(css::drawing::TextHorizontalAdjust_LEFT));
            props->setPropertyValue("TextVerticalAdjust",
                                    uno::Any(css::drawing::TextVerticalAdjust_TOP));
            shape->setPosition(css::awt::Point(HundredthMm(left), HundredthMm(top)));
            shape->setSize(css::awt::Size(HundredthMm(width), HundredthMm(height)));
            return std::make_shared<MarkShape>(shape, page, sheet_);
        });
    }

  private:
    Model model_;
    Reference<css::sheet::XSpreadsheet> sheet_;
};

// ---- Ranges ------------------------------------------------------------------------

class CalcRange final : public host::Range {
  public:
    CalcRange(Model model, Reference<css::table::XCellRange> range, RangeKind kind)
        : model_(std::move(model)), range_(std::move(range)), kind_(kind) {}
    const void* Identity() const override { return IdentityOf(range_); }

    std::string Address() override {
        return UnoCall([&] {
            const auto a = Addr();
            const std::string first =
                "$" + ColumnLetters(a.StartColumn + 1) + "$" + std::to_string(a.StartRow + 1);
            if (kind_ == RangeKind::Row)
                return "$" + std::to_string(a.StartRow + 1) + ":$" + std::to_string(a.EndRow + 1);
            if (kind_ == RangeKind::Column)
                return "$" + ColumnLetters(a.StartColumn + 1) + ":$" +
                       ColumnLetters(a.EndColumn + 1);
            if (a.StartColumn == a.EndColumn && a.StartRow == a.EndRow) return first;
            return first + ":$" + ColumnLetters(a.EndColumn + 1) + "$" +
                   std::to_string(a.EndRow + 1);
        });
    }
    int32_t Row() override {
        return UnoCall([&] { return Addr().StartRow + 1; });
    }
    int32_t Column() override {
        return UnoCall([&] { return Addr().StartColumn + 1; });
    }
    double Left() override {
        return UnoCall([&] { return Points(Placed().X); });
    }
    double Top() override {
        return UnoCall([&] { return Points(Placed().Y); });
    }
    // Rows hidden by hand and rows a filter hides are both invisible to Calc.
    bool Hidden() override {
        return UnoCall([&] {
            if (kind_ == RangeKind::Cells)
                Refuse("Unable to get the Hidden property of the Range class");
            Reference<css::beans::XPropertySet> p(range_, UNO_QUERY_THROW);
            bool visible = true;
            p->getPropertyValue("IsVisible") >>= visible;
            return !visible;
        });
    }
    Ref<host::Worksheet> Parent() override { return Worksheet(); }
    Ref<host::Worksheet> Worksheet() override {
        return UnoCall([&] {
            Reference<css::sheet::XSpreadsheet> sheet(SheetsOf(model_)->getByIndex(Addr().Sheet),
                                                      UNO_QUERY_THROW);
            return WorksheetOf(model_, sheet);
        });
    }
    Ref<host::Application> Application() override { return host::Required(g_application.lock()); }
    // The named range that refers to exactly this cell: the sheet's own names first, then
    // the document's, then those local to another sheet, as the other host answers; a
    // sheet's name is spelled with its sheet ("North!Start"). A sheet's names are its
    // "NamedRanges" property (a css.sheet.XNamedRanges, as the document's).
    Ref<host::Name> Name() override {
        return UnoCall([&]() -> Ref<host::Name> {
            const auto mine = Addr();
            auto sheets = SheetsOf(model_);
            auto namesOf = [](const Reference<uno::XInterface>& owner) {
                Reference<css::beans::XPropertySet> p(owner, UNO_QUERY_THROW);
                Reference<css::container::XIndexAccess> names;
                try {
                    names.set(p->getPropertyValue("NamedRanges"), UNO_QUERY);
                } catch (const css::beans::UnknownPropertyException&) {
                }  // an office without names of sheets
                return names;
            };
            auto sheetNames = [&](sal_Int32 index) -> Ref<host::Name> {
                Reference<css::container::XNamed> sheet(sheets->getByIndex(index), UNO_QUERY_THROW);
                return NameOf(namesOf(sheet), mine, SheetPrefix(Utf8(sheet->getName())));
            };
            if (auto found = sheetNames(mine.Sheet)) return found;
            if (auto found = NameOf(namesOf(model_), mine, "")) return found;
            for (sal_Int32 i = 0; i < sheets->getCount(); ++i)
                if (i != mine.Sheet)
                    if (auto found = sheetNames(i)) return found;
            Refuse("The cell has no name of its own");
        });
    }
    // Selects the cell in its document's view, on its sheet.
    void Activate() override {
        UnoCall([&] {
            auto controller = ControllerOf(model_);
            if (!controller.is()) Refuse("The document has no view");
            Reference<css::sheet::XSpreadsheetView> view(controller, UNO_QUERY_THROW);
            Reference<css::sheet::XSpreadsheet> sheet(SheetsOf(model_)->getByIndex(Addr().Sheet),
                                                      UNO_QUERY_THROW);
            if (IdentityOf(view->getActiveSheet()) != IdentityOf(sheet))
                view->setActiveSheet(sheet);
            Reference<css::view::XSelectionSupplier> selection(controller, UNO_QUERY_THROW);
            selection->select(uno::Any(range_));
        });
    }

    const Model& DocumentModel() const { return model_; }

  private:
    class NamedCell final : public host::Name {
      public:
        NamedCell(std::string name, Reference<uno::XInterface> object)
            : name_(std::move(name)), object_(std::move(object)) {}
        const void* Identity() const override { return IdentityOf(object_); }
        std::string NameLocal() override { return name_; }

      private:
        std::string name_;
        Reference<uno::XInterface> object_;
    };

    static Ref<host::Name> NameOf(const Reference<css::container::XIndexAccess>& names,
                                  const css::table::CellRangeAddress& mine,
                                  const std::string& prefix) {
        for (sal_Int32 i = 0; names.is() && i < names->getCount(); ++i) {
            Reference<css::sheet::XCellRangeReferrer> referrer(names->getByIndex(i), UNO_QUERY);
            if (!referrer.is()) continue;
            Reference<css::sheet::XCellRangeAddressable> cells;
            try {
                cells.set(referrer->getReferredCells(), UNO_QUERY);
            } catch (const uno::RuntimeException&) {
                continue;  // a name that is not a range
            }
            if (!cells.is()) continue;
            const auto a = cells->getRangeAddress();
            if (a.Sheet == mine.Sheet && a.StartColumn == mine.StartColumn &&
                a.EndColumn == mine.EndColumn && a.StartRow == mine.StartRow &&
                a.EndRow == mine.EndRow) {
                Reference<css::container::XNamed> named(referrer, UNO_QUERY_THROW);
                return std::make_shared<NamedCell>(prefix + Utf8(named->getName()), referrer);
            }
        }
        return nullptr;
    }

    css::table::CellRangeAddress Addr() const {
        Reference<css::sheet::XCellRangeAddressable> a(range_, UNO_QUERY_THROW);
        model_->getURL();  // a closed document answers for none of its cells
        return a->getRangeAddress();
    }
    css::awt::Point Placed() const {
        Reference<css::beans::XPropertySet> p(range_, UNO_QUERY_THROW);
        css::awt::Point point;
        p->getPropertyValue("Position") >>= point;
        return point;
    }
    Model model_;
    Reference<css::table::XCellRange> range_;
    RangeKind kind_;
};

Ref<host::Range> RangeOf(const Model& model, Reference<css::table::XCellRange> range,
                         RangeKind kind) {
    if (!range.is()) return nullptr;
    return std::make_shared<CalcRange>(model, std::move(range), kind);
}

// ---- Sheets ------------------------------------------------------------------------

// Every Calc sheet is a worksheet: Calc has no chart sheets.
class CalcSheet final : public host::Worksheet {
  public:
    CalcSheet(Model model, Reference<css::sheet::XSpreadsheet> sheet)
        : model_(std::move(model)), sheet_(std::move(sheet)) {}
    const void* Identity() const override { return IdentityOf(sheet_); }
    std::string Name() override {
        return UnoCall([&] {
            Reference<css::container::XNamed> n(sheet_, UNO_QUERY_THROW);
            return Utf8(n->getName());
        });
    }
    int32_t Index() override {
        return UnoCall([&] {
            Reference<css::sheet::XCellRangeAddressable> a(sheet_, UNO_QUERY_THROW);
            return static_cast<int32_t>(a->getRangeAddress().Sheet) + 1;
        });
    }
    // Calc hides a sheet one way only; there is no "very hidden".
    int32_t Visible() override {
        return UnoCall([&] {
            Reference<css::beans::XPropertySet> p(sheet_, UNO_QUERY_THROW);
            bool visible = true;
            p->getPropertyValue("IsVisible") >>= visible;
            return visible ? host::xl::kSheetVisible : host::xl::kSheetHidden;
        });
    }
    Ref<host::Workbook> Parent() override { return WorkbookOf(model_); }
    void Activate() override {
        UnoCall([&] {
            auto controller = ControllerOf(model_);
            if (!controller.is()) Refuse("The document has no view");
            Reference<css::sheet::XSpreadsheetView> view(controller, UNO_QUERY_THROW);
            view->setActiveSheet(sheet_);
        });
    }
    Ref<host::Worksheet> AsWorksheet() override {
        return std::make_shared<CalcSheet>(model_, sheet_);
    }
    Ref<host::Range> Rows(int32_t row) override {
        return UnoCall([&] {
            Reference<css::table::XColumnRowRange> crr(sheet_, UNO_QUERY_THROW);
            Reference<css::table::XCellRange> r(crr->getRows()->getByIndex(row - 1),
                                                UNO_QUERY_THROW);
            return RangeOf(model_, r, RangeKind::Row);
        });
    }
    Ref<host::Range> Columns(int32_t column) override {
        return UnoCall([&] {
            Reference<css::table::XColumnRowRange> crr(sheet_, UNO_QUERY_THROW);
            Reference<css::table::XCellRange> c(crr->getColumns()->getByIndex(column - 1),
                                                UNO_QUERY_THROW);
            return RangeOf(model_, c, RangeKind::Column);
        });
    }
    Ref<host::Range> Range(const std::string& address) override {
        return UnoCall([&] {
            Reference<css::table::XCellRange> r(sheet_, UNO_QUERY_THROW);
            return RangeOf(model_, r->getCellRangeByName(Uno(address)));
        });
    }
    Ref<host::OLEObjects> OLEObjects() override {
        return std::make_shared<SheetShapes>(model_, sheet_);
    }

  private:
    Model model_;
    Reference<css::sheet::XSpreadsheet> sheet_;
};

Ref<host::Worksheet> WorksheetOf(const Model& model, Reference<css::sheet::XSpreadsheet> sheet) {
    if (!sheet.is()) return nullptr;
    return std::make_shared<CalcSheet>(model, std::move(sheet));
}

// Both views of a document's sheets, which differ only in the type of Item.
class CalcSheets {
  public:
    // The collection is asked for once, under UnoCall: Identity may not fail.
    explicit CalcSheets(Model model)
        : model_(std::move(model)), sheets_(UnoCall([&] { return SheetsOf(model_); })) {}
    const void* Identity() const { return IdentityOf(sheets_); }
    int32_t Count() {
        return UnoCall([&] { return SheetsOf(model_)->getCount(); });
    }
    Ref<host::Worksheet> Item(int32_t index) {
        return UnoCall([&] {
            if (index < 1) host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
            Reference<css::sheet::XSpreadsheet> s(SheetsOf(model_)->getByIndex(index - 1),
                                                  UNO_QUERY_THROW);
            return WorksheetOf(model_, s);
        });
    }
    Ref<host::Worksheet> Item(const std::string& name) {
        return UnoCall([&] {
            Reference<css::container::XNameAccess> byName(SheetsOf(model_), UNO_QUERY_THROW);
            Reference<css::sheet::XSpreadsheet> s(byName->getByName(Uno(name)), UNO_QUERY_THROW);
            return WorksheetOf(model_, s);
        });
    }

  private:
    Model model_;
    Reference<css::container::XIndexAccess> sheets_;
};

class AllSheets final : public host::Sheets {
  public:
    explicit AllSheets(std::shared_ptr<CalcSheets> s) : s_(std::move(s)) {}
    const void* Identity() const override { return s_->Identity(); }
    int32_t Count() override { return s_->Count(); }
    Ref<host::Sheet> Item(int32_t index) override { return s_->Item(index); }

  private:
    std::shared_ptr<CalcSheets> s_;
};

class SheetList final : public host::Worksheets {
  public:
    explicit SheetList(std::shared_ptr<CalcSheets> s) : s_(std::move(s)) {}
    const void* Identity() const override { return s_->Identity(); }
    int32_t Count() override { return s_->Count(); }
    Ref<host::Worksheet> Item(int32_t index) override { return s_->Item(index); }
    Ref<host::Worksheet> Item(const std::string& name) override { return s_->Item(name); }

  private:
    std::shared_ptr<CalcSheets> s_;
};

// ---- Documents ---------------------------------------------------------------------

}  // namespace

bool OfficeIsHeadless() {
    static const bool headless = [] {
        const sal_uInt32 count = osl_getCommandArgCount();
        for (sal_uInt32 i = 0; i < count; ++i) {
            rtl_uString* arg = nullptr;
            osl_getCommandArg(i, &arg);
            const OUString text(arg, SAL_NO_ACQUIRE);
            if (text == "--headless" || text == "-headless") return true;
        }
        return false;
    }();
    return headless;
}

namespace {

// In a headless office every document counts as shown (none can be). Otherwise a
// document whose frame is not visible was loaded hidden by a program, which Calc offers
// its users no way to do or undo.
class CalcWindow final : public host::Window {
  public:
    explicit CalcWindow(Model model) : model_(std::move(model)) {}
    const void* Identity() const override { return IdentityOf(model_); }
    bool Visible() override {
        return UnoCall([&] {
            auto controller = ControllerOf(model_);
            if (!controller.is()) return false;
            if (OfficeIsHeadless()) return true;
            Reference<css::awt::XWindow2> window(controller->getFrame()->getContainerWindow(),
                                                 UNO_QUERY);
            return window.is() && window->isVisible();
        });
    }

  private:
    Model model_;
};

// The document's file name as the title bar shows it; a document never saved has
// the title Calc gives it ("Untitled 1").
std::string DocumentName(const Model& model) {
    const OUString url = model->getURL();
    if (!url.isEmpty()) {
        const OUString last = url.copy(url.lastIndexOf('/') + 1);
        return Utf8(rtl::Uri::decode(last, rtl_UriDecodeWithCharset, RTL_TEXTENCODING_UTF8));
    }
    Reference<css::frame::XTitle> title(model, UNO_QUERY);
    return title.is() ? Utf8(title->getTitle()) : std::string();
}

class CalcWorkbook final : public host::Workbook {
  public:
    explicit CalcWorkbook(Model model) : model_(std::move(model)) {}
    const void* Identity() const override { return IdentityOf(model_); }
    std::string Name() override {
        return UnoCall([&] { return DocumentName(Live()); });
    }
    // Calc's add-ins are not documents.
    bool IsAddin() override {
        Live();
        return false;
    }
    Ref<host::Window> Windows(int32_t index) override {
        if (index != 1) host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
        return std::make_shared<CalcWindow>(model_);
    }
    Ref<host::Worksheets> Worksheets() override {
        return std::make_shared<SheetList>(std::make_shared<CalcSheets>(Live()));
    }
    Ref<host::Sheets> Sheets() override {
        return std::make_shared<AllSheets>(std::make_shared<CalcSheets>(Live()));
    }
    Ref<host::DocumentProperties> CustomDocumentProperties() override {
        return std::make_shared<UserProperties>(Live());
    }
    void Activate() override {
        UnoCall([&] {
            auto controller = ControllerOf(Live());
            if (!controller.is()) Refuse("The document has no view");
            controller->getFrame()->activate();
        });
    }

  private:
    const Model& Live() {
        UnoCall([&] { model_->getURL(); });
        return model_;
    }
    Model model_;
};

Ref<host::Workbook> WorkbookOf(const Model& model) {
    if (!model.is()) return nullptr;
    return std::make_shared<CalcWorkbook>(model);
}

// The spreadsheet documents with a view, in the order of their frames.
std::vector<Model> SpreadsheetModels(const Reference<css::frame::XDesktop2>& desktop) {
    std::vector<Model> models;
    Reference<css::container::XIndexAccess> frames(desktop->getFrames(), UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
        Reference<css::frame::XFrame> frame(frames->getByIndex(i), UNO_QUERY);
        if (!frame.is()) continue;
        auto controller = frame->getController();
        if (!controller.is()) continue;
        Model model = controller->getModel();
        // A document shown in two windows (Window > New Window) is one workbook, as the
        // other host's Workbooks counts it once.
        if (!IsSpreadsheet(model)) continue;
        if (std::none_of(models.begin(), models.end(),
                         [&](const Model& m) { return IdentityOf(m) == IdentityOf(model); }))
            models.push_back(model);
    }
    return models;
}

class CalcWorkbooks final : public host::Workbooks {
  public:
    explicit CalcWorkbooks(Reference<css::frame::XDesktop2> desktop)
        : desktop_(std::move(desktop)) {}
    const void* Identity() const override { return IdentityOf(desktop_); }
    int32_t Count() override {
        return UnoCall([&] { return static_cast<int32_t>(SpreadsheetModels(desktop_).size()); });
    }
    Ref<host::Workbook> Item(int32_t index) override {
        return UnoCall([&] {
            auto models = SpreadsheetModels(desktop_);
            if (index < 1 || index > static_cast<int32_t>(models.size()))
                host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
            return WorkbookOf(models[index - 1]);
        });
    }
    Ref<host::Workbook> Item(const std::string& name) override {
        return UnoCall([&] {
            for (const Model& m : SpreadsheetModels(desktop_))
                if (SameAsciiText(DocumentName(m), name)) return WorkbookOf(m);
            host::Raise(host::err::kSubscriptOutOfRange, "Subscript out of range");
        });
    }

  private:
    Reference<css::frame::XDesktop2> desktop_;
};

// ---- Events ------------------------------------------------------------------------

class EventBridge;

// One listener object for every source: document events, edits, selection changes.
class Listener final : public cppu::WeakImplHelper3<css::document::XDocumentEventListener,
                                                    css::util::XModifyListener,
                                                    css::view::XSelectionChangeListener> {
  public:
    explicit Listener(EventBridge* bridge) : bridge_(bridge) {}
    void Detach() { bridge_ = nullptr; }
    void SAL_CALL documentEventOccured(const css::document::DocumentEvent& event) override;
    void SAL_CALL modified(const css::lang::EventObject& event) override;
    void SAL_CALL selectionChanged(const css::lang::EventObject& event) override;
    void SAL_CALL disposing(const css::lang::EventObject& event) override;

  private:
    EventBridge* bridge_;
};

class EventBridge {
    // The add-in's code is running; the command states are sent once it is done.
    class Delivery {
      public:
        explicit Delivery(EventBridge& b) : b_(b) {}
        ~Delivery() {
            scope_.reset();
            if (b_.afterEvent_) b_.afterEvent_();
        }

      private:
        EventBridge& b_;
        std::optional<AddinScope> scope_{std::in_place};
    };

  public:
    EventBridge(Reference<uno::XComponentContext> context, Reference<css::frame::XDesktop2> desktop,
                host::AppEvents& sink, std::function<void()> afterEvent)
        : context_(std::move(context)),
          desktop_(std::move(desktop)),
          sink_(sink),
          afterEvent_(std::move(afterEvent)) {
        listener_ = new Listener(this);
        keep_ = static_cast<cppu::OWeakObject*>(listener_);
        broadcaster_ = css::frame::theGlobalEventBroadcaster::get(context_);
        broadcaster_->addDocumentEventListener(listener_);
        // A failure here must not leave the listener registered with a bridge never made.
        try {
            for (const Model& m : SpreadsheetModels(desktop_)) Watch(m);
        } catch (...) {
        }
    }
    ~EventBridge() {
        listener_->Detach();
        try {
            broadcaster_->removeDocumentEventListener(listener_);
        } catch (const uno::Exception&) {
        }
        for (auto& [key, w] : watched_) Unwatch(w);
    }

    void DocumentEvent(const css::document::DocumentEvent& e) {
        Model model(e.Source, UNO_QUERY);
        if (!IsSpreadsheet(model)) return;
        const OUString& name = e.EventName;
        // One of its views closed: the document stays, followed in its other views. The
        // office says "OnUnload" after "OnViewClosed" when no other visible view of the
        // document is left, which in a headless office (every view hidden) is at every
        // view: the document is forgotten once no view of it is followed. A view that
        // reports no selection (print preview) leaves the document unwatched until the
        // next view is made.
        if (name == "OnViewClosed") {
            StopFollowing(model, e.ViewController);
            return;
        }
        if (name == "OnUnload") {
            if (auto found = watched_.find(IdentityOf(model));
                found != watched_.end() && found->second.selections.empty())
                Forget(model);
            return;
        }
        // A save changes the document's modified state, which Calc reports as an edit.
        if (name == "OnSave" || name == "OnSaveAs" || name == "OnCopyTo")
            saving_.insert(IdentityOf(model));
        if (name.endsWith("Done") || name.endsWith("Failed")) saving_.erase(IdentityOf(model));
        if (name == "OnViewCreated" || name == "OnLoadFinished" || name == "OnCreate")
            Watch(model, e.ViewController);
        if (AddinScope::Active()) return;
        Delivery delivery(*this);
        // "OnLoad" and "OnNew" come only once a document is shown; a document loaded
        // hidden has just the events of its making, which every document has once.
        if (name == "OnLoadFinished") {
            sink_.WorkbookOpen(WorkbookOf(model));
        } else if (name == "OnCreate") {
            sink_.NewWorkbook(WorkbookOf(model));
        } else if (name == "OnSave" || name == "OnSaveAs" || name == "OnCopyTo") {
            // A document event cannot stop the save: Cancel is not read.
            bool cancel = false;
            sink_.WorkbookBeforeSave(WorkbookOf(model), name != "OnSave", cancel);
        }
    }

    void Modified(const css::lang::EventObject& e) {
        Model model(e.Source, UNO_QUERY);
        if (!model.is() || AddinScope::Active() || saving_.count(IdentityOf(model))) return;
        // The document becoming unmodified (after a save) is no edit.
        Reference<css::util::XModifiable> modifiable(model, UNO_QUERY);
        if (modifiable.is() && !modifiable->isModified()) return;
        Delivery delivery(*this);
        auto found = watched_.find(IdentityOf(model));
        try {
            Reference<css::sheet::XSpreadsheetView> view(ControllerOf(model), UNO_QUERY);
            if (!view.is()) return;
            Ref<host::Worksheet> sheet = WorksheetOf(model, view->getActiveSheet());
            const sal_Int32 sheets = SheetsOf(model)->getCount();
            // Calc reports a new sheet as an edit; the other host has an event for it.
            if (found != watched_.end() && sheets > found->second.sheetCount) {
                found->second.sheetCount = sheets;
                sink_.WorkbookNewSheet(WorkbookOf(model), sheet);
                return;
            }
            if (found != watched_.end()) found->second.sheetCount = sheets;
            sink_.SheetChange(sheet, SelectionStart(model));
        } catch (const uno::Exception&) {
        }
    }

    void SelectionChanged(const css::lang::EventObject& e) {
        if (AddinScope::Active()) return;
        Delivery delivery(*this);
        Reference<css::frame::XController> controller(e.Source, UNO_QUERY);
        if (!controller.is()) return;
        try {
            Model model = controller->getModel();
            Reference<css::sheet::XSpreadsheetView> view(controller, UNO_QUERY);
            if (!view.is()) return;
            auto target = SelectionStart(model, controller);
            if (!target) return;  // a shape or a chart is selected, not cells
            sink_.SheetSelectionChange(WorksheetOf(model, view->getActiveSheet()), target);
        } catch (const uno::Exception&) {
        }
    }

    // The first cell of the view's selection: Calc's API does not give the cell cursor
    // inside a selection of several cells.
    // `view`: the view whose selection it is; the document's current one when not given.
    static Ref<host::Range> SelectionStart(const Model& model,
                                           Reference<css::frame::XController> view = {}) {
        auto controller = view.is() ? view : ControllerOf(model);
        if (!controller.is()) return nullptr;
        Reference<css::view::XSelectionSupplier> s(controller, UNO_QUERY);
        if (!s.is()) return nullptr;
        uno::Any selection = s->getSelection();
        css::table::CellRangeAddress a;
        Reference<css::sheet::XCellRangeAddressable> range(selection, UNO_QUERY);
        Reference<css::sheet::XSheetCellRangeContainer> ranges(selection, UNO_QUERY);
        if (range.is()) {
            a = range->getRangeAddress();
        } else if (ranges.is() && ranges->getRangeAddresses().hasElements()) {
            a = ranges->getRangeAddresses()[0];
        } else {
            return nullptr;
        }
        Reference<css::table::XCellRange> sheet(SheetsOf(model)->getByIndex(a.Sheet),
                                                UNO_QUERY_THROW);
        return RangeOf(model, sheet->getCellRangeByPosition(a.StartColumn, a.StartRow,
                                                            a.StartColumn, a.StartRow));
    }

    // Whatever an office object says as it goes away: a document or a view of one.
    void Disposing(const css::lang::EventObject& e) {
        const void* source = IdentityOf(e.Source);
        if (auto found = watched_.find(source); found != watched_.end()) {
            watched_.erase(found);  // a disposed document takes its listeners with it
            saving_.erase(source);
            return;
        }
        for (auto& [key, w] : watched_)
            std::erase_if(w.selections, [&](const auto& s) { return IdentityOf(s) == source; });
    }

  private:
    struct Watched {
        Model model;
        // Every view of the document: a selection change in any of them is the user's.
        std::vector<Reference<css::view::XSelectionSupplier>> selections;
        sal_Int32 sheetCount = 0;
    };

    static std::vector<Reference<css::frame::XController>> ViewsOf(const Model& model) {
        std::vector<Reference<css::frame::XController>> views;
        Reference<css::frame::XModel2> all(model, UNO_QUERY);
        if (all.is()) {
            Reference<css::container::XEnumeration> each = all->getControllers();
            while (each.is() && each->hasMoreElements()) {
                Reference<css::frame::XController> view(each->nextElement(), UNO_QUERY);
                if (view.is()) views.push_back(view);
            }
        }
        if (views.empty() && ControllerOf(model).is()) views.push_back(ControllerOf(model));
        return views;
    }

    // `view`: a view just made, which the document may not list yet.
    void Watch(const Model& model, const Reference<uno::XInterface>& view = {}) {
        try {
            Watched& w = watched_[IdentityOf(model)];
            if (!w.model.is()) {
                w.model = model;
                Reference<css::util::XModifyBroadcaster> m(model, UNO_QUERY);
                if (m.is()) m->addModifyListener(listener_);
                w.sheetCount = SheetsOf(model)->getCount();
            }
            auto views = ViewsOf(model);
            if (Reference<css::frame::XController> made(view, UNO_QUERY); made.is())
                views.push_back(made);
            for (const auto& each : views) {
                Reference<css::view::XSelectionSupplier> s(each, UNO_QUERY);
                if (!s.is() ||
                    std::any_of(w.selections.begin(), w.selections.end(),
                                [&](const auto& t) { return IdentityOf(t) == IdentityOf(s); }))
                    continue;
                s->addSelectionChangeListener(listener_);
                w.selections.push_back(s);
            }
        } catch (const uno::Exception&) {
        }
    }
    void StopFollowing(const Model& model, const Reference<uno::XInterface>& view) {
        auto found = watched_.find(IdentityOf(model));
        if (found == watched_.end() || !view.is()) return;
        std::erase_if(found->second.selections, [&](const auto& s) {
            if (IdentityOf(s) != IdentityOf(view)) return false;
            try {
                s->removeSelectionChangeListener(listener_);
            } catch (const uno::Exception&) {
            }
            return true;
        });
    }
    void Unwatch(Watched& w) {
        for (const auto& s : w.selections) {
            try {
                s->removeSelectionChangeListener(listener_);
            } catch (const uno::Exception&) {
            }
        }
        try {
            Reference<css::util::XModifyBroadcaster> m(w.model, UNO_QUERY);
            if (m.is()) m->removeModifyListener(listener_);
        } catch (const uno::Exception&) {
        }
    }
    void Forget(const Model& model) {
        auto found = watched_.find(IdentityOf(model));
        if (found == watched_.end()) return;
        Unwatch(found->second);
        watched_.erase(found);
        saving_.erase(IdentityOf(model));
    }

    Reference<uno::XComponentContext> context_;
    Reference<css::frame::XDesktop2> desktop_;
    host::AppEvents& sink_;
    std::function<void()> afterEvent_;
    Listener* listener_;
    Reference<uno::XInterface> keep_;  // holds listener_
    Reference<css::frame::XGlobalEventBroadcaster> broadcaster_;
    std::map<const void*, Watched> watched_;
    std::set<const void*> saving_;
};

void Listener::documentEventOccured(const css::document::DocumentEvent& event) {
    Shielded("document event", [&] {
        if (bridge_) bridge_->DocumentEvent(event);
    });
}
void Listener::modified(const css::lang::EventObject& event) {
    Shielded("modified event", [&] {
        if (bridge_) bridge_->Modified(event);
    });
}
void Listener::selectionChanged(const css::lang::EventObject& event) {
    Shielded("selection change", [&] {
        if (bridge_) bridge_->SelectionChanged(event);
    });
}
void Listener::disposing(const css::lang::EventObject& event) {
    Shielded("disposing", [&] {
        if (bridge_) bridge_->Disposing(event);
    });
}

// ---- The application ---------------------------------------------------------------

class CalcApplication final : public host::Application {
  public:
    CalcApplication(Reference<uno::XComponentContext> context, CommandBarsModel& bars,
                    std::function<void()> afterEvent)
        : context_(std::move(context)), bars_(bars), afterEvent_(std::move(afterEvent)) {
        desktop_ = css::frame::Desktop::create(context_);
    }
    const void* Identity() const override { return IdentityOf(desktop_); }

    host::EventConnection Advise(host::AppEvents& sink) override {
        auto bridge = UnoCall(
            [&] { return std::make_shared<EventBridge>(context_, desktop_, sink, afterEvent_); });
        return host::EventConnection([bridge]() mutable { bridge.reset(); });
    }
    Ref<host::Workbook> ActiveWorkbook() override {
        return UnoCall([&] { return WorkbookOf(ActiveModel()); });
    }
    Ref<host::Sheet> ActiveSheet() override {
        return UnoCall([&]() -> Ref<host::Sheet> {
            Model model = ActiveModel();
            if (!model.is()) return nullptr;
            Reference<css::sheet::XSpreadsheetView> view(ControllerOf(model), UNO_QUERY);
            if (!view.is()) return nullptr;
            return WorksheetOf(model, view->getActiveSheet());
        });
    }
    Ref<host::Range> ActiveCell() override {
        return UnoCall([&]() -> Ref<host::Range> {
            Model model = ActiveModel();
            if (!model.is()) return nullptr;
            return EventBridge::SelectionStart(model);
        });
    }
    Ref<host::Workbooks> Workbooks() override { return std::make_shared<CalcWorkbooks>(desktop_); }
    Ref<host::Worksheet> Worksheets(const std::string& name) override {
        auto book = host::Required(ActiveWorkbook());
        return host::Required(book->Worksheets())->Item(name);
    }
    Ref<host::Range> Range(const std::string& text) override {
        auto sheet = host::Required(host::Required(ActiveSheet())->AsWorksheet());
        return sheet->Range(text);
    }
    // The cell's document comes to the front, its sheet is shown and the cell selected.
    void Goto(const Ref<host::Range>& reference) override {
        auto* range = dynamic_cast<CalcRange*>(host::Required(reference).get());
        if (range == nullptr) host::Raise(host::err::kTypeMismatch, "Type mismatch");
        UnoCall([&] {
            auto controller = ControllerOf(range->DocumentModel());
            if (!controller.is()) Refuse("The document has no view");
            controller->getFrame()->activate();
        });
        range->Activate();
    }
    std::string Version() override { return kCalcHostVersion; }
    std::string Caption() override {
        return UnoCall([&] {
            Reference<css::frame::XFrame> frame = desktop_->getActiveFrame();
            Reference<css::frame::XTitle> title(frame, UNO_QUERY);
            return title.is() ? Utf8(title->getTitle()) : std::string("LibreOffice");
        });
    }
    // Calc redraws after each call of the add-in anyway; there is no switch to hold.
    void SetScreenUpdating(bool) override {}
    // Keys are the extension's accelerators, not a per-call binding: recorded only.
    void OnKey(const std::string& key, const std::optional<std::string>& procedure) override {
        keys_[key] = procedure;
    }
    Ref<host::CommandBars> CommandBars() override { return bars_.Bars(); }

  private:
    Model ActiveModel() {
        Reference<uno::XInterface> current = desktop_->getCurrentComponent();
        Model model(current, UNO_QUERY);
        if (IsSpreadsheet(model)) return model;
        return {};
    }

    Reference<uno::XComponentContext> context_;
    Reference<css::frame::XDesktop2> desktop_;
    CommandBarsModel& bars_;
    std::function<void()> afterEvent_;
    std::map<std::string, std::optional<std::string>> keys_;
};

}  // namespace

AddinScope::AddinScope() {
    ++g_addinDepth;
}
AddinScope::~AddinScope() {
    --g_addinDepth;
}
bool AddinScope::Active() {
    return g_addinDepth > 0;
}

host::Ref<host::Application> MakeApplication(const Reference<uno::XComponentContext>& context,
                                             CommandBarsModel& bars,
                                             std::function<void()> afterEvent) {
    auto app = UnoCall(
        [&] { return std::make_shared<CalcApplication>(context, bars, std::move(afterEvent)); });
    g_application = app;
    return app;
}

std::string ConfigurationText(const Reference<uno::XComponentContext>& context,
                              const std::string& nodePath, const std::string& name) {
    try {
        auto provider = css::configuration::theDefaultProvider::get(context);
        css::beans::NamedValue path("nodepath", uno::Any(Uno(nodePath)));
        const uno::Any arg(path);
        Reference<css::container::XNameAccess> node(
            provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess",
                                                  Sequence<uno::Any>(&arg, 1)),
            UNO_QUERY_THROW);
        OUString value;
        node->getByName(Uno(name)) >>= value;
        return Utf8(value);
    } catch (const uno::Exception&) {
        return {};
    }
}

}  // namespace tessaly::calc
