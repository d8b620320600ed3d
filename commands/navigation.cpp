#include "addin/Connect.h"
#include "addin/messages.h"
#include "bookmarks/clsBMs.h"
#include "commands/bookmark_order.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace tessaly {

void Connect::subCall_Next() {
    bool BeforTrueNextFalse = false;
    subBeforOrNext(BeforTrueNextFalse);
}

void Connect::subCall_Befor() {
    bool BeforTrueNextFalse = true;
    subBeforOrNext(BeforTrueNextFalse);
}

namespace {

// A bookmark the user cannot see is never a target: its workbook's window, its sheet,
// its row or its column is hidden (a filter hides rows too).
bool IsVisibleBookmark(clsBM& bm) {
    if (!Required(Required(bm.BMBook)->Windows(1))->Visible()) return false;
    if (Required(bm.BMSheet)->Visible() != host::xl::kSheetVisible) return false;
    if (Required(bm.BMSheet->Rows(Required(bm.BMCell)->Row()))->Hidden()) return false;
    if (Required(bm.BMSheet->Columns(bm.BMCell->Column()))->Hidden()) return false;
    return true;
}

}  // namespace

void Connect::subBeforOrNext(bool& BeforTrueNextFalse) {
    // Auto-repeated shortcut keys must not queue up jumps.
    if (!guardBeforOrNext_.Accept(platform_.MonotonicSeconds())) return;

    host::StopQuietlyOnError([&] {
        clsBMs& bms = BMs();
        if (bms.Check()) subRefreshButtons();
        if (bms.Count() == 0) return;
        if (!HasActiveCell()) return;
        if (!HostIsReady()) return;

        auto activeCell = Required(objApp->ActiveCell());
        activeCell->Activate();

        const int32_t B0 = fncBookNo(Required(objApp->ActiveWorkbook()));
        const int32_t S0 = Required(objApp->ActiveSheet())->Index();
        const int32_t R0 = activeCell->Row();
        const int32_t C0 = activeCell->Column();

        // Any text but exactly "ROW" means column order.
        const bool rowOrder = ReadSetting(platform_, setting::kSection, setting::kVector,
                                          setting::kVectorDefault) == "ROW";
        NearestBookmarkSearch search(MakeOrderPosition(B0, S0, R0, C0, rowOrder));
        for (int32_t i = 1; i <= bms.Count(); ++i) {
            auto bm = bms.Item(i);
            if (!IsVisibleBookmark(*bm)) continue;

            const int32_t B = fncBookNo(bm->BMBook);
            const int32_t S = bm->BMSheet->Index();
            const int32_t R = bm->BMCell->Row();
            const int32_t C = bm->BMCell->Column();
            search.Offer(MakeOrderPosition(B, S, R, C, rowOrder), i);
        }

        const int32_t target = search.Target(BeforTrueNextFalse);
        if (target != 0) {
            auto jumpError = host::SkipOnError([&] { objApp->Goto(bms.Item(target)->BMCell); });
            if (jumpError) ShowHostError(platform_, jumpError->Number(), jumpError->Description());
        }
        subRefreshAddOrDelState();
    });
}

int32_t Connect::fncBookNo(const host::Ref<host::Workbook>& wb) {
    auto books = Required(objApp->Workbooks());
    const int32_t count = books->Count();
    for (int32_t i = 1; i <= count; ++i) {
        if (host::SameObject(books->Item(i), wb)) return i;
    }
    return 0;
}

}  // namespace tessaly
