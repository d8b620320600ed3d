#pragma once

// The add-in's commands as the program names them: a short word for each menu item and
// toolbar button, and the buttons that Connect holds for it.

#include <optional>
#include <string>
#include <vector>

#include "addin/Connect.h"

namespace app {

struct AddinButton {
    const char* word;                  // "next"
    std::vector<const char*> aliases;  // "following"...
    tessaly::ButtonField tessaly::Connect::*field;
    tessaly::ButtonField tessaly::Connect::*copy;  // the toolbar twin; null for none
};

const std::vector<AddinButton>& AddinButtons();

// The button named by a short word or an alias, any case.
const AddinButton* FindAddinButton(const std::string& word);

// The caption of a control without its access key; empty when it cannot be read.
std::string ButtonCaption(const tessaly::ButtonField& field);

// The button of a connected add-in whose caption matches (with or without "&", any
// case), searching the menu items first, then the toolbar copies. With toolbarFirst,
// the other way round.
const tessaly::ButtonField* FindButtonByCaption(tessaly::Connect& addin, const std::string& caption,
                                                bool toolbarFirst);

}  // namespace app
