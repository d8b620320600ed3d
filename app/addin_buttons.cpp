#include "app/addin_buttons.h"

#include "app/text.h"
#include "host/host_error.h"

namespace app {

using tessaly::Connect;

const std::vector<AddinButton>& AddinButtons() {
    static const std::vector<AddinButton> buttons = {
        {"list", {"bookmarklist"}, &Connect::CB_BUTTON_List, &Connect::CB_BUTTON_List_Copy},
        {"toggle",
         {"add", "delete", "addordelete", "add/delete"},
         &Connect::CB_BUTTON_AddOrDel,
         &Connect::CB_BUTTON_AddOrDel_Copy},
        {"next", {"following"}, &Connect::CB_BUTTON_Next, &Connect::CB_BUTTON_Next_Copy},
        {"previous", {"prev", "befor"}, &Connect::CB_BUTTON_Befor, &Connect::CB_BUTTON_Befor_Copy},
        {"clear", {"deleteall"}, &Connect::CB_BUTTON_Clear, &Connect::CB_BUTTON_Clear_Copy},
        {"setting", {"settings"}, &Connect::CB_BUTTON_Setting, &Connect::CB_BUTTON_Setting_Copy},
        {"help", {"onlinehelp"}, &Connect::CB_BUTTON_Help, &Connect::CB_BUTTON_Help_Copy},
        {"site", {"developersite"}, &Connect::CAD_BUTTON_DeveloperSite, nullptr},
    };
    return buttons;
}

const AddinButton* FindAddinButton(const std::string& word) {
    const std::string w = Lower(word);
    for (const AddinButton& b : AddinButtons()) {
        if (w == b.word) return &b;
        for (const char* alias : b.aliases)
            if (w == alias) return &b;
    }
    return nullptr;
}

std::string ButtonCaption(const tessaly::ButtonField& field) {
    if (!field) return {};
    try {
        return WithoutAccessKey(field->Caption());
    } catch (const host::HostError&) {
        return {};
    }
}

const tessaly::ButtonField* FindButtonByCaption(Connect& addin, const std::string& caption,
                                                bool toolbarFirst) {
    const std::string wanted = Lower(WithoutAccessKey(caption));
    if (wanted.empty()) return nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        const bool copies = (pass == 0) == toolbarFirst;
        for (const AddinButton& b : AddinButtons()) {
            tessaly::ButtonField Connect::*member = copies ? b.copy : b.field;
            if (member == nullptr) continue;
            const tessaly::ButtonField& field = addin.*member;
            if (field && Lower(ButtonCaption(field)) == wanted) return &field;
        }
    }
    return nullptr;
}

}  // namespace app
