#include <vector>

#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/bookmark_order.h"
#include "commands/cell_address.h"
#include "commands/host_layout.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "locale/messages.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace tessaly {

void BookmarkCommands::subCall_Next() {
    bool BeforTrueNextFalse = false;
    subBeforOrNext(BeforTrueNextFalse);
}

void BookmarkCommands::subCall_Befor() {
    bool BeforTrueNextFalse = true;
    subBeforOrNext(BeforTrueNextFalse);
}

void BookmarkCommands::subBeforOrNext(bool& BeforTrueNextFalse) {
    // Auto-repeated shortcut keys must not queue up jumps.
    if (!guardBeforOrNext_.Accept(platform_.MonotonicSeconds())) return;

    host::StopQuietlyOnError([&] {
        clsBMs& bms = BMs();
        AddressSurvey survey;
        if (bms.Check(survey)) subRefreshButtons();
        if (bms.Count() == 0) return;
        if (!HasActiveCell()) return;
        if (!HostIsReady()) return;

        auto activeCell = Required(objApp->ActiveCell());
        activeCell->Activate();

        HostLayout layout(*objApp);
        const int32_t B0 = layout.BookNo(Required(objApp->ActiveWorkbook()));
        const int32_t S0 = Required(objApp->ActiveSheet())->Index();
        const int32_t R0 = activeCell->Row();
        const int32_t C0 = activeCell->Column();

        // Any text but exactly "ROW" means column order.
        const bool rowOrder = ReadSetting(platform_, setting::kSection, setting::kVector,
                                          setting::kVectorDefault) == "ROW";
        // A bookmark the user cannot see is never a target: its workbook's window, its
        // sheet, its row or its column is hidden (a filter hides rows too). Windows and
        // sheets are few and rule whole groups out, so they are asked first; rows and
        // columns only for the candidates in the order the jump would take them.
        JumpPreference preference(MakeOrderPosition(B0, S0, R0, C0, rowOrder), BeforTrueNextFalse);
        std::vector<RowColumn> cells(static_cast<size_t>(bms.Count()) + 1);
        for (int32_t i = 1; i <= bms.Count(); ++i) {
            auto bm = bms.Item(i);
            if (!layout.BookShown(bm->BMBook)) continue;
            if (layout.SheetVisibility(bm->BMSheet) != host::xl::kSheetVisible) continue;

            RowColumn& cell = cells[static_cast<size_t>(i)];
            if (auto known = SingleCellOf(bms.AddressAt(i, &survey))) {
                cell = *known;
            } else {
                cell = {Required(bm->BMCell)->Row(), bm->BMCell->Column()};
            }
            const int32_t B = layout.BookNo(bm->BMBook);
            const int32_t S = layout.SheetIndex(bm->BMSheet);
            preference.Offer(MakeOrderPosition(B, S, cell.row, cell.column, rowOrder), i);
        }

        int32_t target = 0;
        for (int32_t i = preference.TakeBest(); i != 0 && target == 0; i = preference.TakeBest()) {
            auto bm = bms.Item(i);
            const RowColumn& cell = cells[static_cast<size_t>(i)];
            if (layout.RowHidden(bm->BMSheet, cell.row)) continue;
            if (layout.ColumnHidden(bm->BMSheet, cell.column)) continue;
            target = i;
        }

        if (target != 0) {
            auto jumpError = host::SkipOnError([&] { objApp->Goto(bms.Item(target)->BMCell); });
            if (jumpError) ShowHostError(platform_, jumpError->Number(), jumpError->Description());
        }
        subRefreshAddOrDelState();
    });
}

int32_t BookmarkCommands::fncBookNo(const host::Ref<host::Workbook>& wb) {
    return HostLayout(Obj(objApp)).BookNo(wb);
}

}  // namespace tessaly
