// The host's design mode: marks are label controls, so they come off while the user
// designs and go back on when design mode ends.

#include "addin/Connect.h"
#include "bookmarks/clsBMs.h"
#include "bookmarks/host_objects.h"
#include "host/on_error.h"

namespace tessaly {

void clsCB_DESIGNMODE::SetCB(host::Ref<host::CommandBarControl> control) {
    click_.Reset();
    CB = std::move(control);
    if (!CB) return;
    click_ = CB->AdviseClick([this](const host::Ref<host::CommandBarControl>& ctrl,
                                    bool& cancelDefault) { CB_Click(ctrl, cancelDefault); });
}

void clsCB_DESIGNMODE::CB_Click(const host::Ref<host::CommandBarControl>&, bool&) {
    // CancelDefault stays as it is: the host switches its design mode after this.
    if (objParent != nullptr) objParent->DesignButtonClick();
}

void Connect::DesignButtonClick() {
    host::StopQuietlyOnError([&] {
        host::Ref<host::CommandBarControl> button =
            Obj(Obj(objApp).CommandBars()).FindControl(host::mso::kIdDesignMode);
        if (!button) {
            blnDesignMode = false;
            BMs().MarkReset(MarksWanted(Platform()));
            return;
        }
        // The click comes before the host acts, so the state is still the old one.
        switch (button->State()) {
            case host::mso::kButtonUp:  // design mode is about to start
                if (!blnDesignMode) {
                    blnDesignMode = true;
                    BMs().MarkReset(false);
                }
                break;
            case host::mso::kButtonDown:  // design mode is about to end
                // Cleared so that saves and the next design mode take the marks off again.
                blnDesignMode = false;
                BMs().MarkReset(MarksWanted(Platform()));
                break;
            default:
                break;
        }
    });
}

}  // namespace tessaly
