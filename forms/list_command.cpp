// The bookmark list command: fills the list window's tree and shows it.

#include <optional>
#include <string>

#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/host_state.h"
#include "forms/frmJump.h"
#include "forms/pictures.h"
#include "forms/window_commands.h"
#include "host/on_error.h"
#include "text/vb_conversions.h"

namespace tessaly {

namespace {

// Set while the command runs, the open window included; cleared on every way out.
class BusyFlag {
  public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

  private:
    bool& flag_;
};

bool BookWindowHidden(clsBM& bm) {
    return !Required(Required(bm.BMBook)->Windows(1))->Visible();
}

bool SheetHidden(clsBM& bm) {
    return Required(bm.BMSheet)->Visible() != host::xl::kSheetVisible;
}

bool RowHidden(clsBM& bm) {
    return Required(Required(bm.BMSheet)->Rows(Required(bm.BMCell)->Row()))->Hidden();
}

bool ColumnHidden(clsBM& bm) {
    return Required(Required(bm.BMSheet)->Columns(Required(bm.BMCell)->Column()))->Hidden();
}

// A condition that cannot be read does not grey the entry.
template <class Test>
bool Holds(Test&& test) {
    return host::ValueOrNothing(std::forward<Test>(test)).value_or(false);
}

std::string BookKey(clsBM& bm) {
    return Required(bm.BMBook)->Name();
}
std::string SheetKey(clsBM& bm) {
    return BookKey(bm) + "!" + Required(bm.BMSheet)->Name();
}

// One bookmark's entries. Every step stands alone: a failing one (the workbook or sheet
// entry that already exists, a cell without a name) skips only itself.
void AddBookmarkEntries(TreeNodes& nodes, clsBM& bm) {
    host::SkipOnError([&] {
        const std::string book = BookKey(bm);
        TreeNode& node =
            nodes.Add(std::nullopt, 0, book, book, kListIconWorkbook, kListIconWorkbook);
        node.Expanded = true;
        if (Holds([&] { return BookWindowHidden(bm); })) node.ForeColor = kHiddenNodeColor;
    });

    host::SkipOnError([&] {
        TreeNode& node = nodes.Add(BookKey(bm), tvwChild, SheetKey(bm),
                                   Required(bm.BMSheet)->Name(), kListIconSheet, kListIconSheet);
        node.Expanded = true;
        if (Holds([&] { return BookWindowHidden(bm); }) || Holds([&] { return SheetHidden(bm); }))
            node.ForeColor = kHiddenNodeColor;
    });

    std::string name;
    host::SkipOnError([&] { name = Required(Required(bm.BMCell)->Name())->NameLocal(); });

    host::SkipOnError([&] {
        std::string text = ReplaceAll(Required(bm.BMCell)->Address(), "$", "");
        if (!name.empty()) text += " ( " + name + " )";
        TreeNode& node =
            nodes.Add(SheetKey(bm), tvwChild, std::nullopt, text, kListIconCell, kListIconCell);
        if (Holds([&] { return BookWindowHidden(bm); }) || Holds([&] { return SheetHidden(bm); }) ||
            Holds([&] { return RowHidden(bm); }) || Holds([&] { return ColumnHidden(bm); }))
            node.ForeColor = kHiddenNodeColor;
    });
}

}  // namespace

void WindowCommands::subCall_List() {
    if (blnListBusy) return;
    BusyFlag busy(blnListBusy);

    host::StopQuietlyOnError([&] {
        if (BMs().Check()) commands_.subRefreshButtons();
        if (BMs().Count() <= 0) {
            platform_.Beep();
            return;
        }

        frmJump form(platform_);
        form.SetLoadedList(&loadedWindows);
        form.Load();
        form.treMain.Visible = false;  // filled out of sight
        const int32_t count = BMs().Count();
        for (int32_t i = 1; i <= count; ++i) {
            host::SkipOnError([&] {
                std::shared_ptr<clsBM> bm = BMs().Item(i);
                if (bm) AddBookmarkEntries(form.treMain.Nodes, *bm);
            });
        }
        form.treMain.Visible = true;
        form.objApp = objApp;
        form.ShowModal();
    });
}

}  // namespace tessaly
