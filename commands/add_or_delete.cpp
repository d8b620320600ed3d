#include "bookmarks/clsBMs.h"
#include "commands/bookmark_commands.h"
#include "commands/host_state.h"
#include "host/on_error.h"
#include "platform/platform.h"

namespace tessaly {

void BookmarkCommands::subCall_AddOrDelete() {
    // A held-down key must not add and delete the same bookmark in turn.
    if (!guardAddOrDelete_.Accept(platform_.MonotonicSeconds())) return;

    host::StopQuietlyOnError([&] {
        AddressSurvey survey;
        if (BMs().Check(survey)) subRefreshButtons();
        if (!HasActiveCell()) return;  // e.g. a chart sheet is active
        if (!HostIsReady()) return;

        Required(objApp->ActiveCell())->Activate();
        if (IsActiveCellBookmark(&survey)) {
            BMs().Del(Required(objApp->ActiveCell()), &survey);
            SetAddOrDelState(buttons_.AddOrDel, buttons_.AddOrDel_Copy, host::mso::kButtonUp);
        } else {
            BMs().Add(Required(objApp->ActiveCell()));
            SetAddOrDelState(buttons_.AddOrDel, buttons_.AddOrDel_Copy, host::mso::kButtonDown);
        }
        subRefreshButtons();
    });
}

}  // namespace tessaly
