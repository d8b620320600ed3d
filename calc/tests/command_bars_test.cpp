// The extension's own command bars: what the add-in builds into them, what a dispatch
// of an entry's Tag runs, and the states the entries show.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "addin/Connect.h"
#include "calc/bars_only_host.h"
#include "calc/command_bars.h"
#include "platform/linux/memory_clipboard.h"

namespace {

using host::Ref;
using tessaly::calc::CommandBarsModel;

int32_t ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const host::HostError& e) {
        return e.Number();
    }
    return 0;
}

class RecordingPlatform final : public platform::Platform {
  public:
    platform::SettingsStore& Settings() override { return settings; }
    std::string LocaleCountryName() override { return ""; }
    bool OpenUrl(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
    platform::MsgAnswer MessageBox(const std::string&, const std::string&, platform::MsgIcon,
                                   platform::MsgButtons) override {
        return platform::MsgAnswer::Cancel;
    }
    void Beep() override {}
    double MonotonicSeconds() override { return 0; }
    platform::Clipboard& Clipboard() override { return clipboard; }

    tessaly::calc::NoSettings settings;
    linuxplatform::MemoryClipboard clipboard;
    std::vector<std::string> opened;
};

class CalcCommandBars : public ::testing::Test {
  protected:
    void SetUp() override {
        connect.AddinInstance_OnConnection(std::make_shared<tessaly::calc::BarsOnlyHost>(bars), 0,
                                           nullptr);
    }
    CommandBarsModel bars;
    RecordingPlatform platform;
    tessaly::Connect connect{platform};
};

TEST_F(CalcCommandBars, TheAddInBuildsMenuAndToolbarAsOnAHostWithMenus) {
    // Every Tag the add-in makes is there once the add-in has connected: the menu item
    // and its toolbar twin for each command.
    for (const std::string& tag : tessaly::Connect::ControlTags()) {
        EXPECT_TRUE(bars.State(tag).exists) << tag;
    }
    ASSERT_EQ(bars.bars.size(), 2u);  // the menu bar and the add-in's toolbar
    EXPECT_EQ(bars.bars[1]->controls.size(), 7u);
}

TEST_F(CalcCommandBars, ADispatchOfATagRunsThatControlsCommand) {
    EXPECT_TRUE(bars.Click("QEL_BOOKMARK_HELP"));
    EXPECT_TRUE(bars.Click("QEL_BOOKMARK_HELP_COPY"));
    EXPECT_TRUE(bars.Click("QEL_SITE"));
    ASSERT_EQ(platform.opened.size(), 3u);
    EXPECT_EQ(platform.opened[0], platform.opened[1]);  // the menu item and its twin
    EXPECT_NE(platform.opened[0], platform.opened[2]);  // help, then the maker's site
    EXPECT_FALSE(bars.Click("NO_SUCH_TAG"));
}

TEST_F(CalcCommandBars, EntriesShowTheControlsStates) {
    // With no bookmark the list, next, previous and delete-all commands are disabled.
    for (const char* tag : {"QEL_BOOKMARK_LIST", "QEL_BOOKMARK_NEXT_COPY", "QEL_BOOKMARK_BEFOR",
                            "QEL_BOOKMARK_CLEAR_COPY"}) {
        EXPECT_TRUE(bars.State(tag).exists) << tag;
        EXPECT_FALSE(bars.State(tag).enabled) << tag;
    }
    EXPECT_TRUE(bars.State("QEL_BOOKMARK_ADDORDEL").enabled);
    EXPECT_FALSE(bars.State("QEL_BOOKMARK_ADDORDEL").pressed);
    EXPECT_FALSE(bars.State("NO_SUCH_TAG").exists);
}

TEST_F(CalcCommandBars, ADisabledControlRunsNothingAndADisconnectedAddInHasNoEntries) {
    auto list = bars.Bars()->FindControlByTag("QEL_BOOKMARK_HELP");
    ASSERT_NE(list, nullptr);
    list->SetEnabled(false);
    EXPECT_TRUE(bars.Click("QEL_BOOKMARK_HELP"));
    EXPECT_TRUE(platform.opened.empty());

    connect.AddinInstance_OnDisconnection(0);
    EXPECT_FALSE(bars.State("QEL_BOOKMARK_ADDORDEL").exists);
    EXPECT_FALSE(bars.Click("QEL_BOOKMARK_HELP_COPY"));
    // A handle to a deleted control fails as the other host's does.
    EXPECT_EQ(ErrorOf([&] { list->Caption(); }), host::err::kDisconnected);
}

TEST(CalcCommandBarsModel, LateBoundMembersAndNamedBars) {
    CommandBarsModel bars;
    auto all = bars.Bars();
    EXPECT_EQ(all->Item(1)->Name(), "Worksheet Menu Bar");
    EXPECT_TRUE(host::SameObject(all->Item("worksheet menu bar"), all->Item(1)));
    EXPECT_NE(ErrorOf([&] { all->Item("No such bar"); }), 0);
    auto bar = all->Add("Mine", host::mso::kBarFloating, false, true);
    EXPECT_NE(ErrorOf([&] { all->Add("Mine", host::mso::kBarFloating, false, true); }), 0);
    auto popup = bar->Controls()->Add(host::mso::kControlPopup, true);
    auto button = popup->Controls()->Add(host::mso::kControlButton, true);
    button->SetTag("T");
    // Button members on a popup and popup members on a button are not supported.
    EXPECT_EQ(ErrorOf([&] { popup->State(); }), host::err::kNotSupported);
    EXPECT_EQ(ErrorOf([&] { button->Controls(); }), host::err::kNotSupported);
    // A copy goes to the end of its bar and keeps the Tag; a search finds the first.
    auto copy = button->Copy(bar);
    EXPECT_EQ(bar->Controls()->Count(), 2);
    EXPECT_EQ(copy->Tag(), "T");
    EXPECT_TRUE(host::SameObject(bar->FindControlByTag("T"), button));
    // Nothing answers to the other host's built-in ids.
    EXPECT_EQ(all->FindControl(host::mso::kIdHostReady), nullptr);
    EXPECT_FALSE(all->FindControls(host::mso::kIdDesignMode).has_value());
}

}  // namespace
