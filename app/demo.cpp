#include "app/demo.h"

#include <memory>

#include "addin/Connect.h"
#include "app/bar_view.h"
#include "bookmarks/clsBMs.h"
#include "platform/linux/locale_country.h"
#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace app {

namespace {

constexpr const char* kBook = "Demo.xlsx";
constexpr const char* kApp = "QEL_BOOKMARK_VEROZARA";

class Demo {
  public:
    Demo(const DemoOptions& options, std::ostream& out) : out_(out), excel_(options.hostVersion) {
        excel_.AttachClipboard(&platform_.Clipboard());
        platform_.SetCountry(options.country ? *options.country
                                             : linuxplatform::LocaleCountryFromEnvironment());
        excel_.SetCaption("Spreadsheet - Tessaly demo");
    }

    int Run() {
        Step("Open " + std::string(kBook) + " with the sheets Sales and Costs");
        excel_.OpenWorkbook(sim::SimpleWorkbook(kBook, {"Sales", "Costs"}));

        Step("Connect the add-in to a host of version " + Version());
        addin_ = std::make_unique<tessaly::Connect>(platform_);
        addin_->AddinInstance_OnConnection(excel_.Application(), 0, excel_.AddIn());
        PrintAddinBars(excel_, out_);

        Step("Bookmark Sales!B3, Sales!D7 and Costs!C2 with Add/Delete");
        Toggle("Sales", "B3");
        Toggle("Sales", "D7");
        Toggle("Costs", "C2");
        PrintBookmarks();

        Step("From Sales!A1, jump to the next bookmark three times, then back once");
        excel_.Select(kBook, "Sales", "A1");
        for (int i = 0; i < 3; ++i) Jump(false);
        Jump(true);

        Step("Save with \"Save Bookmark information in Book.\" on, close and reopen");
        platform_.Set(kApp, "Setting", "SaveMark", "1");
        excel_.SaveWorkbook(kBook);
        const sim::WorkbookSpec saved = excel_.Snapshot(kBook);
        for (const auto& p : saved.customProperties) {
            out_ << "  saved property " << p.name << " = " << p.value << '\n';
        }
        excel_.CloseWorkbook(kBook);
        excel_.OpenWorkbook(saved);
        excel_.Select("A1");  // at the next event the closed workbook's bookmarks go
        PrintBookmarks();

        Step("Disconnect");
        addin_->AddinInstance_OnDisconnection(0);
        out_ << "  menus and toolbar removed: " << (excel_.CommandBar("Bookmark") ? "no" : "yes")
             << '\n';
        PrintMessages();
        return 0;
    }

  private:
    std::string Version() { return excel_.Application()->Version(); }

    void Step(const std::string& what) {
        PrintMessages();
        out_ << "\n== " << what << '\n';
    }

    void Click(const std::string& command) {
        platform_.Advance(1.0);  // a user's clicks are never 0.2 seconds apart
        if (!addin_->CallByName(command)) out_ << "  (no command " << command << ")\n";
    }

    void Toggle(const std::string& sheet, const std::string& cell) {
        excel_.Select(kBook, sheet, cell);
        Click("subCall_AddOrDelete");
        out_ << "  " << sheet << '!' << cell << ": Add/Delete is "
             << (addin_->CB_BUTTON_AddOrDel && addin_->CB_BUTTON_AddOrDel->State() == -1 ? "pressed"
                                                                                         : "raised")
             << '\n';
    }

    void Jump(bool previous) {
        Click(previous ? "subCall_Befor" : "subCall_Next");
        out_ << "  " << (previous ? "previous" : "next    ") << " -> " << excel_.ActiveSheetName()
             << '!' << excel_.ActiveCellAddress() << '\n';
    }

    void PrintBookmarks() {
        auto& bms = addin_->BMs();
        out_ << "  " << bms.Count() << " bookmark(s):";
        for (int32_t i = 1; i <= bms.Count(); ++i) {
            auto bm = bms.Item(i);
            out_ << ' ' << bm->BMSheet->Name() << '!' << bm->BMCell->Address();
        }
        out_ << '\n';
        for (const char* sheet : {"Sales", "Costs"}) {
            int marks = 0;
            for (const auto& o : excel_.OleObjects(kBook, sheet)) marks += o.label.caption == "*";
            out_ << "  marks on " << sheet << ": " << marks << '\n';
        }
    }

    void PrintMessages() {
        for (const auto& m : platform_.Messages()) out_ << "  [message] " << m.text << '\n';
        platform_.ClearMessages();
    }

    std::ostream& out_;
    sim::Excel excel_;
    sim::SimPlatform platform_;
    std::unique_ptr<tessaly::Connect> addin_;
};

}  // namespace

int RunDemo(const DemoOptions& options, std::ostream& out) {
    Demo demo(options, out);
    return demo.Run();
}

}  // namespace app
