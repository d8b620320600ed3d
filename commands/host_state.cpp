#include "commands/host_state.h"

#include <optional>

#include "commands/bookmark_commands.h"
#include "host/on_error.h"

namespace tessaly {

void SetAddOrDelState(ButtonField& button, ButtonField& twin, int32_t state) {
    Required(button.control)->SetState(state);
    if (twin) twin->SetState(state);
}

bool BookmarkCommands::HostIsReady() {
    // Control 18 is disabled while the host is busy editing a cell; the commands must
    // then leave the host alone. Not finding the control is no reason to refuse, nor is
    // any other error of the search, except the host's refusal of every call, which is
    // the busy host itself speaking.
    if (!objApp) return false;
    host::Ref<host::CommandBarControl> control;
    std::optional<host::HostError> error = host::SkipOnError(
        [&] { control = Required(objApp->CommandBars())->FindControl(host::mso::kIdHostReady); });
    if (error) return !host::IsHostBusy(*error);
    if (!control) return true;
    // An unreadable state ends the command quietly, as any failure before its work does.
    auto enabled = host::ValueOrNothing([&] { return control->Enabled(); });
    return enabled.value_or(false);
}

bool BookmarkCommands::HasActiveCell() {
    if (!objApp) return false;
    auto present = host::ValueOrNothing([&] {
        return objApp->ActiveWorkbook() != nullptr && objApp->ActiveSheet() != nullptr &&
               objApp->ActiveCell() != nullptr;
    });
    return present.value_or(false);
}

}  // namespace tessaly
