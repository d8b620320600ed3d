#pragma once

// The command-bar buttons as the commands see them: each held with its click
// connection, and the ones whose state follows the bookmarks.

#include "host/host.h"

namespace tessaly {

// A command-bar button held in a field of Connect together with its click connection.
struct ButtonField {
    host::Ref<host::CommandBarControl> control;
    host::EventConnection click;

    explicit operator bool() const { return control != nullptr; }
    host::CommandBarControl* operator->() const { return control.get(); }
    void Release() {
        click.Reset();
        control.reset();
    }
};

// The buttons whose state the commands set, each command's main button and its toolbar
// twin. The fields belong to Connect, which makes the buttons.
struct CommandButtons {
    ButtonField& List;
    ButtonField& AddOrDel;
    ButtonField& Next;
    ButtonField& Befor;
    ButtonField& Clear;
    ButtonField& List_Copy;
    ButtonField& AddOrDel_Copy;
    ButtonField& Next_Copy;
    ButtonField& Befor_Copy;
    ButtonField& Clear_Copy;
};

}  // namespace tessaly
