#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "locale/messages.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "text/vb_conversions.h"

namespace tessaly {

void BookmarkCommands::subCall_Clear() {
    if (!guardClear_.Accept(platform_.MonotonicSeconds())) return;
    if (!HasActiveCell()) return;
    if (!HostIsReady()) return;

    host::StopQuietlyOnError([&] {
        Required(objApp->ActiveCell())->Activate();

        const double confirm = Val(
            ReadSetting(platform_, setting::kSection, setting::kConfirm, setting::kConfirmDefault));
        if (confirm == 1 &&
            ShowResMessage(platform_, str::kConfirmDeleteAllMessage, platform::MsgIcon::Information,
                           platform::MsgButtons::OKCancel) == platform::MsgAnswer::Cancel)
            return;

        // Stale bookmarks go with the rest; Clear keeps only those on protected sheets.
        BMs().Clear();
        SetAddOrDelState(buttons_.AddOrDel, buttons_.AddOrDel_Copy, host::mso::kButtonUp);
        subRefreshButtons();
    });
}

}  // namespace tessaly
