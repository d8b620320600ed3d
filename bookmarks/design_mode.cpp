#include "addin/Connect.h"

namespace tessaly {

void clsCB_DESIGNMODE::SetCB(host::Ref<host::CommandBarControl> control) {
    click_.Reset();
    CB = std::move(control);
    if (CB) {
        click_ = CB->AdviseClick([this](const host::Ref<host::CommandBarControl>& ctrl,
                                        bool& cancelDefault) { CB_Click(ctrl, cancelDefault); });
    }
}

// Leaves CancelDefault alone so the host still switches its design mode.
void clsCB_DESIGNMODE::CB_Click(const host::Ref<host::CommandBarControl>&, bool&) {
    if (objParent != nullptr) objParent->CallByName("DesignButtonClick");
}

void Connect::DesignButtonClick() {}

}  // namespace tessaly
