#include <array>
#include <type_traits>
#include <utility>

#include "addin/Connect.h"
#include "addin/operations.h"
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

// Connect.h spells the count out so that it need not include the table.
static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(Connect::OperationNames())>> ==
              kOperations.size());

const std::array<const char*, 11>& Connect::OperationNames() {
    static const auto names = [] {
        std::array<const char*, 11> list{};
        for (size_t slot = 0; slot < list.size(); ++slot) list[slot] = kOperations[slot].name;
        return list;
    }();
    return names;
}

namespace {

// How one slot of the table reaches its member of Connect. The member's signature must
// be the one the table declares for the slot: the constructors below only accept the
// matching kind, and the table's order is checked against them at compile time.
struct Binding {
    OperationArgument argument;
    OperationResult result;
    void (*call)(Connect&, OperationValues&);
};

template <void (Connect::*member)()>
constexpr Binding Plain() {
    return {OperationArgument::kNone, OperationResult::kNone,
            [](Connect& c, OperationValues&) { (c.*member)(); }};
}
template <void (Connect::*member)(bool&)>
constexpr Binding WithBoolean() {
    return {OperationArgument::kBooleanByRef, OperationResult::kNone,
            [](Connect& c, OperationValues& v) { (c.*member)(v.boolean); }};
}
template <std::string (Connect::*member)()>
constexpr Binding WithText() {
    return {OperationArgument::kNone, OperationResult::kText,
            [](Connect& c, OperationValues& v) { v.text = (c.*member)(); }};
}

// In slot order, as Connect.h declares the members.
constexpr std::array<Binding, kOperations.size()> kBindings = {
    Plain<&Connect::subCall_List>(),          Plain<&Connect::subCall_AddOrDelete>(),
    Plain<&Connect::subCall_Next>(),          Plain<&Connect::subCall_Befor>(),
    WithBoolean<&Connect::subBeforOrNext>(),  Plain<&Connect::subCall_Clear>(),
    Plain<&Connect::subCall_Setting>(),       Plain<&Connect::subCall_Help>(),
    Plain<&Connect::DesignButtonClick>(),     WithText<&Connect::fncAppCaption>(),
    Plain<&Connect::subCall_DeveloperSite>(),
};

constexpr bool BindingsMatchTable() {
    for (size_t slot = 0; slot < kOperations.size(); ++slot) {
        if (kBindings[slot].argument != kOperations[slot].argument ||
            kBindings[slot].result != kOperations[slot].result) {
            return false;
        }
    }
    return true;
}
static_assert(BindingsMatchTable(), "a member's signature differs from its slot's in kOperations");

}  // namespace

void CallOperation(Connect& connect, size_t slot, OperationValues& values) {
    kBindings.at(slot).call(connect, values);
}

// An operation with an argument needs it and cannot be called by name alone.
bool Connect::CallByName(const std::string& name, std::string* result) {
    const size_t slot = OperationSlot(name);
    if (slot == kOperations.size() || kOperations[slot].ArgumentCount() != 0) return false;
    OperationValues values;
    CallOperation(*this, slot, values);
    if (result != nullptr && kOperations[slot].result == OperationResult::kText) {
        *result = std::move(values.text);
    }
    return true;
}

}  // namespace tessaly
