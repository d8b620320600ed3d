#include "bookmarks/design_mode.h"

#include "bookmarks/clsBMs.h"
#include "bookmarks/host_objects.h"
#include "host/on_error.h"

namespace tessaly {

void FollowDesignMode(const host::Ref<host::Application>& objApp, clsBMs& bms,
                      platform::Platform& platform, bool& blnDesignMode) {
    host::StopQuietlyOnError([&] {
        host::Ref<host::CommandBarControl> button =
            Obj(Obj(objApp).CommandBars()).FindControl(host::mso::kIdDesignMode);
        if (!button) {
            blnDesignMode = false;
            bms.MarkReset(MarksWanted(platform));
            return;
        }
        // The click comes before the host acts, so the state is still the old one.
        switch (button->State()) {
            case host::mso::kButtonUp:  // design mode is about to start
                if (!blnDesignMode) {
                    blnDesignMode = true;
                    bms.MarkReset(false);
                }
                break;
            case host::mso::kButtonDown:  // design mode is about to end
                // Cleared so that saves and the next design mode take the marks off again.
                blnDesignMode = false;
                bms.MarkReset(MarksWanted(platform));
                break;
            default:
                break;
        }
    });
}

}  // namespace tessaly
