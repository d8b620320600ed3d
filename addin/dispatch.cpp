#include <algorithm>
#include <cctype>

#include "addin/Connect.h"
#include "host/on_error.h"
#include "locale/const.h"
#include "platform/platform.h"

namespace tessaly {

// Each menu item and its toolbar twin run the same command; the host's default
// handling of the click goes on (CancelDefault is left alone).
void Connect::CB_BUTTON_List_Click(ClickArgs, bool&) {
    subCall_List();
}
void Connect::CB_BUTTON_List_Copy_Click(ClickArgs, bool&) {
    subCall_List();
}
void Connect::CB_BUTTON_AddOrDel_Click(ClickArgs, bool&) {
    subCall_AddOrDelete();
}
void Connect::CB_BUTTON_AddOrDel_Copy_Click(ClickArgs, bool&) {
    subCall_AddOrDelete();
}
void Connect::CB_BUTTON_Next_Click(ClickArgs, bool&) {
    subCall_Next();
}
void Connect::CB_BUTTON_Next_Copy_Click(ClickArgs, bool&) {
    subCall_Next();
}
void Connect::CB_BUTTON_Befor_Click(ClickArgs, bool&) {
    subCall_Befor();
}
void Connect::CB_BUTTON_Befor_Copy_Click(ClickArgs, bool&) {
    subCall_Befor();
}
void Connect::CB_BUTTON_Clear_Click(ClickArgs, bool&) {
    subCall_Clear();
}
void Connect::CB_BUTTON_Clear_Copy_Click(ClickArgs, bool&) {
    subCall_Clear();
}
void Connect::CB_BUTTON_Setting_Click(ClickArgs, bool&) {
    subCall_Setting();
}
void Connect::CB_BUTTON_Setting_Copy_Click(ClickArgs, bool&) {
    subCall_Setting();
}
void Connect::CB_BUTTON_Help_Click(ClickArgs, bool&) {
    subCall_Help();
}
void Connect::CB_BUTTON_Help_Copy_Click(ClickArgs, bool&) {
    subCall_Help();
}
// Every add-in of the maker has a developer's-site button tagged "QEL_SITE", and the
// host raises one click on all their sinks. The host hands the same CancelDefault from
// sink to sink ("False if the default behavior ... occurs, unless it's canceled by
// another process or add-in": Office VBA reference, CommandBarButton.Click event), so
// the first sink opens the site and marks the click as done; the others see that and
// leave it. Cancelling costs nothing here: the button's own action is only its
// OnAction, the route that brought the click to its add-in.
void Connect::CAD_BUTTON_DeveloperSite_Click(ClickArgs, bool& CancelDefault) {
    if (CancelDefault) return;
    CancelDefault = true;
    subCall_DeveloperSite();
}

// The browser is not waited for and its failure is not reported.
void Connect::OpenUrl(const std::string& url) {
    platform_.OpenUrl(url);
}

void Connect::subCall_Help() {
    OpenUrl(HelpPageUrl());
}

void Connect::subCall_DeveloperSite() {
    OpenUrl(kSiteRootUrl);
}

std::string Connect::fncAppCaption() {
    if (!objApp) return "";
    return host::ValueOrNothing([&] { return objApp->Caption(); }).value_or("");
}

const std::array<const char*, 11>& Connect::OperationNames() {
    static const std::array<const char*, 11> names = {
        "subCall_List",      "subCall_AddOrDelete", "subCall_Next",          "subCall_Befor",
        "subBeforOrNext",    "subCall_Clear",       "subCall_Setting",       "subCall_Help",
        "DesignButtonClick", "fncAppCaption",       "subCall_DeveloperSite",
    };
    return names;
}

namespace {

bool SameName(const std::string& a, const char* b) {
    std::string_view bv(b);
    return a.size() == bv.size() && std::equal(a.begin(), a.end(), bv.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

// Names are matched without regard to case, as an automation caller's are.
// subBeforOrNext needs its argument and cannot be called by name alone.
bool Connect::CallByName(const std::string& name, std::string* result) {
    const auto& names = OperationNames();
    size_t slot = 0;
    while (slot < names.size() && !SameName(name, names[slot])) ++slot;
    switch (slot) {
        case 0:
            subCall_List();
            return true;
        case 1:
            subCall_AddOrDelete();
            return true;
        case 2:
            subCall_Next();
            return true;
        case 3:
            subCall_Befor();
            return true;
        case 5:
            subCall_Clear();
            return true;
        case 6:
            subCall_Setting();
            return true;
        case 7:
            subCall_Help();
            return true;
        case 8:
            DesignButtonClick();
            return true;
        case 9: {
            std::string caption = fncAppCaption();
            if (result != nullptr) *result = caption;
            return true;
        }
        case 10:
            subCall_DeveloperSite();
            return true;
        default:
            return false;
    }
}

}  // namespace tessaly
