// Command bars and key strings of the simulated host: search, copy, clicks before the
// host's own action, late-bound members, the host-ready control and OnKey.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace {

using host::Ref;

int32_t ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const host::HostError& e) {
        return e.Number();
    }
    return 0;
}

class SimCommandBars : public ::testing::Test {
  protected:
    sim::Excel xl;
    Ref<host::CommandBars> bars = xl.Application()->CommandBars();
};

TEST_F(SimCommandBars, BuiltInBarsAndControls) {
    EXPECT_EQ(bars->Item(1)->Name(), "Worksheet Menu Bar");
    EXPECT_TRUE(host::SameObject(bars->Item("worksheet menu bar"), bars->Item(1)));
    EXPECT_NE(ErrorOf([&] { bars->Item("No such bar"); }), 0);
    auto ready = bars->FindControl(host::mso::kIdHostReady);
    ASSERT_NE(ready, nullptr);
    EXPECT_TRUE(ready->Enabled());
    auto design = bars->FindControls(host::mso::kIdDesignMode);
    ASSERT_TRUE(design.has_value());
    ASSERT_EQ(design->size(), 2u);
    EXPECT_EQ((*design)[0]->State(), host::mso::kButtonUp);
    EXPECT_TRUE(host::SameObject(bars->FindControl(host::mso::kIdDesignMode), (*design)[0]));
    EXPECT_EQ(bars->FindControl(424242), nullptr);
    EXPECT_FALSE(bars->FindControls(424242).has_value());
}

TEST_F(SimCommandBars, SearchByTagReachesIntoPopupsInBarOrder) {
    auto menu = bars->Item(1)->Controls()->Add(host::mso::kControlPopup, true);
    menu->SetTag("QEL");
    auto inner = menu->Controls()->Add(host::mso::kControlPopup, false);
    auto site = inner->Controls()->Add(host::mso::kControlButton, false);
    site->SetTag("QEL_SITE");
    auto toolbar = bars->Add("Bookmark", host::mso::kBarFloating, false, true);
    auto later = toolbar->Controls()->Add(host::mso::kControlButton, false);
    later->SetTag("QEL_SITE");

    EXPECT_TRUE(host::SameObject(bars->FindControlByTag("QEL_SITE"), site));
    EXPECT_TRUE(host::SameObject(menu->CommandBar()->FindControlByTag("QEL_SITE"), site));
    EXPECT_TRUE(host::SameObject(toolbar->FindControlByTag("QEL_SITE"), later));
    EXPECT_EQ(toolbar->FindControlByTag("QEL"), nullptr);
    site->Delete();
    EXPECT_TRUE(host::SameObject(bars->FindControlByTag("QEL_SITE"), later));
    EXPECT_EQ(ErrorOf([&] { site->Caption(); }), host::err::kDisconnected);
}

TEST_F(SimCommandBars, NewControlsAndBarsAndTheMembersEachKindLacks) {
    EXPECT_NE(ErrorOf([&] { bars->Add("Standard", 1, false, true); }), 0);
    auto bar = bars->Add("Mine", host::mso::kBarFloating, false, true);
    auto button = bar->Controls()->Add(host::mso::kControlButton, false);
    EXPECT_EQ(button->Id(), 1);
    EXPECT_TRUE(button->Enabled());
    EXPECT_EQ(button->Caption(), "");
    EXPECT_EQ(button->Tag(), "");
    EXPECT_NE(ErrorOf([&] { bar->Controls()->Add(2, false); }), 0);
    EXPECT_NE(ErrorOf([&] { bar->SetPosition(5); }), 0);  // no bar becomes a popup
    bar->SetPosition(host::mso::kBarTop);
    bar->SetRowIndex(host::mso::kBarRowLast);
    bar->SetProtection(host::mso::kBarNoCustomize);
    bar->SetVisible(true);
    auto info = xl.CommandBar("mine");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->position, 1);
    EXPECT_EQ(info->rowIndex, -1);
    EXPECT_EQ(info->protection, 1);
    EXPECT_TRUE(info->temporary);
    ASSERT_EQ(info->controls.size(), 1u);
    // Members of the other kind of control are not supported.
    auto popup = bar->Controls()->Add(host::mso::kControlPopup, false);
    EXPECT_EQ(ErrorOf([&] { button->Controls(); }), host::err::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { button->CommandBar(); }), host::err::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { popup->SetFaceId(1); }), host::err::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { popup->State(); }), host::err::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { popup->AdviseClick([](auto&, bool&) {}); }), host::err::kNotSupported);
    bar->Delete();
    EXPECT_FALSE(xl.CommandBar("Mine").has_value());
    EXPECT_EQ(ErrorOf([&] { button->Caption(); }), host::err::kDisconnected);
    EXPECT_EQ(ErrorOf([&] { bar->Visible(); }), host::err::kDisconnected);
}

TEST_F(SimCommandBars, CopyKeepsCaptionFaceActionStyleAndTag) {
    sim::SimPlatform platform;
    xl.AttachClipboard(&platform.Clipboard());
    auto menu = bars->Add("Menu", host::mso::kBarFloating, false, true);
    auto toolbar = bars->Add("Tools", host::mso::kBarFloating, false, true);
    auto icon = menu->Controls()->Add(host::mso::kControlButton, false);
    icon->SetCaption("&Next");
    icon->SetFaceId(2526);
    icon->SetStyle(3);
    icon->SetOnAction("!<Tessaly.Connect>");
    icon->SetTag("T");
    auto picture = menu->Controls()->Add(host::mso::kControlButton, false);
    EXPECT_NE(ErrorOf([&] { picture->PasteFace(); }), 0);  // nothing on the clipboard
    platform::Bitmap bitmap{2, 1, {1, 2, 3, 4, 5, 6}};
    platform.Clipboard().PutBitmap(bitmap);
    picture->PasteFace();

    auto copy = icon->Copy(toolbar);
    picture->Copy(toolbar);
    EXPECT_FALSE(host::SameObject(copy, icon));
    auto info = xl.CommandBar("Tools");
    ASSERT_EQ(info->controls.size(), 2u);
    EXPECT_EQ(info->controls[0].caption, "&Next");
    EXPECT_EQ(info->controls[0].faceId, 2526);
    EXPECT_EQ(info->controls[0].style, 3);
    EXPECT_EQ(info->controls[0].onAction, "!<Tessaly.Connect>");
    EXPECT_EQ(info->controls[0].tag, "T");
    EXPECT_TRUE(info->controls[1].hasPastedFace);
    EXPECT_EQ(info->controls[1].pastedFace.bgr, bitmap.bgr);
    // The copy is a control of its own.
    copy->SetStyle(1);
    EXPECT_EQ(icon->Style(), 3);
}

TEST_F(SimCommandBars, ClickReachesHandlersBeforeTheDesignModeToggles) {
    auto controls = xl.DesignModeControls();
    ASSERT_EQ(controls.size(), 2u);
    std::vector<std::string> seen;
    auto first = controls[0]->AdviseClick([&](const Ref<host::CommandBarControl>& ctrl, bool&) {
        seen.push_back("first saw " + std::to_string(ctrl->State()));
    });
    auto second = controls[0]->AdviseClick([&](const Ref<host::CommandBarControl>& ctrl, bool&) {
        seen.push_back("second saw " + std::to_string(ctrl->State()));
    });
    EXPECT_TRUE(xl.ClickControl(controls[0]));
    EXPECT_EQ(seen, (std::vector<std::string>{"first saw 0", "second saw 0"}));
    EXPECT_TRUE(xl.DesignMode());
    EXPECT_EQ(controls[0]->State(), host::mso::kButtonDown);
    EXPECT_EQ(controls[1]->State(), host::mso::kButtonDown);  // both show the mode

    // A handler that cancels the default keeps the host from toggling.
    auto cancel =
        controls[0]->AdviseClick([](auto&, bool& cancelDefault) { cancelDefault = true; });
    xl.ClickControl(controls[0]);
    EXPECT_TRUE(xl.DesignMode());
    cancel.Reset();
    first.Reset();
    seen.clear();
    xl.ClickControl(controls[0]);
    EXPECT_EQ(seen, (std::vector<std::string>{"second saw -1"}));
    EXPECT_FALSE(xl.DesignMode());
    // The other design-mode control has the same Id and Tag: its click reaches the
    // handler advised on the first, with the clicked control as Ctrl.
    seen.clear();
    xl.ClickControl(controls[1]);
    EXPECT_EQ(seen, (std::vector<std::string>{"second saw 0"}));
    EXPECT_TRUE(xl.DesignMode());
}

TEST_F(SimCommandBars, RuleTagClickReachesEveryButtonWithTheSameIdAndTag) {
    auto bar = bars->Add("Mine", host::mso::kBarFloating, false, true);
    std::vector<std::string> seen;
    std::vector<host::EventConnection> connections;
    auto button = [&](const std::string& tag, const std::string& name) {
        auto b = bar->Controls()->Add(host::mso::kControlButton, false);
        b->SetTag(tag);
        b->SetCaption(name);
        connections.push_back(b->AdviseClick([&seen, name](auto& ctrl, bool& cancelDefault) {
            seen.push_back(name + " got " + ctrl->Caption() + (cancelDefault ? " cancelled" : ""));
            cancelDefault = true;
        }));
        return b;
    };
    auto a = button("A", "a");
    auto b = button("B", "b");
    auto a2 = button("A", "a2");
    auto untagged = button("", "u");
    auto untagged2 = button("", "u2");
    EXPECT_EQ(a->Id(), 1);  // custom buttons share Id 1

    xl.ClickControl(a2);  // in advising order, one CancelDefault for all
    EXPECT_EQ(seen, (std::vector<std::string>{"a got a2", "a2 got a2 cancelled"}));
    seen.clear();
    xl.ClickControl(b);
    EXPECT_EQ(seen, (std::vector<std::string>{"b got b"}));
    seen.clear();
    xl.ClickControl(untagged);
    EXPECT_EQ(seen, (std::vector<std::string>{"u got u", "u2 got u cancelled"}));
    // A deleted button's sinks are gone with it.
    seen.clear();
    a->Delete();
    xl.ClickControl(a2);
    EXPECT_EQ(seen, (std::vector<std::string>{"a2 got a2"}));
}

TEST_F(SimCommandBars, EditModeDisablesTheHostReadyControl) {
    auto ready = bars->FindControl(host::mso::kIdHostReady);
    xl.SetEditMode(true);
    EXPECT_FALSE(ready->Enabled());
    xl.SetEditMode(false);
    EXPECT_TRUE(ready->Enabled());
    // A disabled control cannot be clicked.
    auto bar = bars->Add("Mine", host::mso::kBarFloating, false, true);
    auto button = bar->Controls()->Add(host::mso::kControlButton, false);
    int clicks = 0;
    auto conn = button->AdviseClick([&](auto&, bool&) { ++clicks; });
    button->SetEnabled(false);
    EXPECT_FALSE(xl.ClickControl(button));
    button->SetEnabled(true);
    EXPECT_TRUE(xl.ClickControl(button));
    EXPECT_EQ(clicks, 1);
}

TEST_F(SimCommandBars, RestartDiscardsTemporaryBarsAndControls) {
    bars->Add("Temp", host::mso::kBarFloating, false, true);
    bars->Add("Kept", host::mso::kBarFloating, false, false);
    auto menuItem = bars->Item(1)->Controls()->Add(host::mso::kControlPopup, true);
    xl.Restart();
    EXPECT_FALSE(xl.CommandBar("Temp").has_value());
    EXPECT_TRUE(xl.CommandBar("Kept").has_value());
    EXPECT_EQ(ErrorOf([&] { menuItem->Caption(); }), host::err::kDisconnected);
}

TEST(SimOnKey, KeyStringsAreValidatedLikeTheHost) {
    sim::Excel xl;
    auto app = xl.Application();
    for (const char* good : {"^+{HOME}", "^+%{F5}", "%A", "{F5}", "+{PGUP}", "^{NUM0}", "{f15}",
                             "a", "^{INSERT}", "{DELETE}", "^{LEFT}", "{+}"}) {
        EXPECT_EQ(ErrorOf([&] { app->OnKey(good, ""); }), 0) << good;
    }
    for (const char* bad :
         {"", "^", "^+", "{F16}", "{F0}", "{HOMEX}", "^AB", "{}", "^^A", "{NUM10}", "HOME"}) {
        EXPECT_EQ(ErrorOf([&] { app->OnKey(bad, ""); }), host::err::kHostRefused) << bad;
    }
    EXPECT_FALSE(xl.OnKeyLog().back().accepted);
}

TEST(SimOnKey, SilencingAndRestoringAKey) {
    sim::Excel xl;
    auto app = xl.Application();
    app->OnKey("^+{home}", "");
    EXPECT_EQ(xl.KeyState("+^{HOME}"), sim::KeyBinding::Silenced);
    app->OnKey("^+{HOME}", std::nullopt);
    EXPECT_EQ(xl.KeyState("^+{HOME}"), sim::KeyBinding::HostDefault);
    app->OnKey("%a", "Macro1");
    EXPECT_EQ(xl.KeyState("%A"), sim::KeyBinding::Procedure);
    EXPECT_EQ(xl.KeyProcedure("%A"), "Macro1");
    EXPECT_EQ(xl.OnKeyLog().size(), 3u);
}

}  // namespace
