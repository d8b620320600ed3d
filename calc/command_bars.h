#pragma once

// The command bars the add-in builds, kept inside the extension. Calc has no command-bar
// object model: its menu and toolbar entries are declared by the extension (Addons.xcu)
// and each entry's command URL names the Tag of one control here. A dispatch of that URL
// raises the control's Click, as a click on the button does in the other host, and the
// entry shows the control's enabled and pressed states. Nothing here depends on UNO.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace tessaly::calc {

struct BarData;

struct ControlData {
    int32_t id = 1;
    int32_t type = host::mso::kControlButton;
    std::string caption, tag, onAction;
    bool beginGroup = false;
    bool enabled = true;
    int32_t style = 0, faceId = 0;
    int32_t state = host::mso::kButtonUp;
    bool alive = true;
    BarData* parent = nullptr;
    std::shared_ptr<BarData> popup;  // popups only
    std::map<int, host::CommandBarControl::ClickHandler> handlers;
    int nextHandler = 0;
};

struct BarData {
    std::string name;
    std::vector<std::shared_ptr<ControlData>> controls;
    int32_t position = host::mso::kBarTop, rowIndex = 0, left = 0, top = 0, protection = 0;
    bool visible = true;
    bool alive = true;
    ControlData* owner = nullptr;  // the popup control of a popup's bar
};

// What a menu or toolbar entry shows for one Tag.
struct EntryState {
    bool exists = false;
    bool enabled = false;
    bool pressed = false;
};

class CommandBarsModel {
  public:
    CommandBarsModel();

    host::Ref<host::CommandBars> Bars();
    // Raises Click on every live control with this Tag; false when there is none.
    bool Click(const std::string& tag);
    EntryState State(const std::string& tag) const;

    // Model internals, used by the handles.
    std::vector<std::shared_ptr<BarData>> bars;  // [0] is the worksheet menu bar
    std::shared_ptr<ControlData> FindByTag(const std::string& tag) const;
};

}  // namespace tessaly::calc
