// Connection and disconnection: the menus and toolbar built on older and newer hosts,
// the maker menu shared with other add-ins, the toolbar's place kept between sessions,
// and every click reaching its command.

#include <gmock/gmock.h>

#include <algorithm>
#include <set>

#include "bookmarks/clsBMs.h"
#include "locale/const.h"
#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

using ::testing::ElementsAre;

struct Expected {
    std::string caption;
    int32_t face;  // 0: the list bitmap
    bool beginGroup;
    bool enabled;
};

const std::vector<Expected> kEnglishCommands = {
    {"Bookmark &list", 0, false, false},
    {"&Add/Delete of bookmark", 2525, true, true},
    {"The &following bookmark", 2526, false, false},
    {"The &previous bookmark", 2527, false, false},
    {"&Delete all bookmarks.", 2528, false, false},
    {"&Setting", 611, true, true},
    {"Online &Help", 3278, true, true},
};

void ExpectButton(const sim::ControlInfo& c, const Expected& e, int32_t style,
                  const std::string& where) {
    SCOPED_TRACE(where + ": " + e.caption);
    EXPECT_EQ(c.type, 1);
    EXPECT_EQ(c.caption, e.caption);
    EXPECT_EQ(c.style, style);
    if (e.face == 0) {
        EXPECT_TRUE(c.hasPastedFace);
        EXPECT_EQ(c.pastedFace.width, 16);
        EXPECT_EQ(c.pastedFace.height, 15);
    } else {
        EXPECT_EQ(c.faceId, e.face);
    }
    EXPECT_EQ(c.beginGroup, e.beginGroup);
    EXPECT_EQ(c.enabled, e.enabled);
    EXPECT_EQ(c.onAction, "!<Tessaly.Connect>");
    EXPECT_EQ(c.clickHandlers, 1);
}

const sim::ControlInfo* FindByTag(const std::vector<sim::ControlInfo>& controls,
                                  const std::string& tag) {
    for (const auto& c : controls) {
        if (c.tag == tag) return &c;
    }
    return nullptr;
}

sim::ControlInfo MakerMenu(const sim::Excel& excel) {
    const auto bars = excel.CommandBarList();
    const sim::ControlInfo* maker = FindByTag(bars.at(0).controls, "QEL");
    EXPECT_NE(maker, nullptr);
    return maker != nullptr ? *maker : sim::ControlInfo{};
}

class ConnectionTest : public AddinTest {};

TEST_F(ConnectionTest, OlderHostGetsMakerMenuProductMenuAndToolbarCopies) {
    ConnectAddin("11.0");

    const sim::ControlInfo maker = MakerMenu(excel);
    EXPECT_EQ(maker.type, 10);
    EXPECT_EQ(maker.caption, "&QEL");
    EXPECT_TRUE(maker.beginGroup);
    EXPECT_TRUE(maker.temporary);
    ASSERT_EQ(maker.controls.size(), 2u);

    const sim::ControlInfo& product = maker.controls[0];
    EXPECT_EQ(product.type, 10);
    EXPECT_EQ(product.caption, "&Bookmark");
    EXPECT_EQ(product.tag, "BOOKMARK");
    ASSERT_EQ(product.controls.size(), kEnglishCommands.size());
    for (size_t i = 0; i < kEnglishCommands.size(); ++i) {
        ExpectButton(product.controls[i], kEnglishCommands[i], 3, "menu");
    }

    const sim::ControlInfo& site = maker.controls[1];
    ExpectButton(site, {"&Developer's Site", 1016, true, true}, 3, "maker menu");
    EXPECT_EQ(site.tag, "QEL_SITE");

    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->name, "Bookmark");
    EXPECT_TRUE(toolbar->temporary);
    EXPECT_EQ(toolbar->protection, 1);
    ASSERT_EQ(toolbar->controls.size(), kEnglishCommands.size());
    for (size_t i = 0; i < kEnglishCommands.size(); ++i) {
        ExpectButton(toolbar->controls[i], kEnglishCommands[i], 1, "toolbar");
    }
    EXPECT_TRUE(addin->CB_BUTTON_List_Copy);
    EXPECT_TRUE(addin->CB_BUTTON_Help_Copy);
}

TEST_F(ConnectionTest, NewerHostGetsTheToolbarOnly) {
    ConnectAddin("16.0");

    EXPECT_EQ(FindByTag(excel.CommandBarList().at(0).controls, "QEL"), nullptr);
    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    ASSERT_EQ(toolbar->controls.size(), 8u);
    for (size_t i = 0; i < kEnglishCommands.size(); ++i) {
        ExpectButton(toolbar->controls[i], kEnglishCommands[i], 1, "toolbar");
    }
    ExpectButton(toolbar->controls[7], {"&Developer's Site", 1016, true, true}, 1, "toolbar");
    EXPECT_EQ(toolbar->controls[7].tag, "QEL_SITE");
    // A newer host always shows the toolbar.
    EXPECT_TRUE(toolbar->visible);
    EXPECT_FALSE(addin->CB_BUTTON_List_Copy);
}

TEST_F(ConnectionTest, JapaneseLocaleGivesJapaneseCaptions) {
    platform.SetCountry("Japan");
    ConnectAddin("11.0");

    const sim::ControlInfo maker = MakerMenu(excel);
    EXPECT_EQ(maker.caption, "QEL(&M)");
    EXPECT_EQ(maker.controls.at(0).caption, "ブックマーク(&B)");
    std::vector<std::string> captions;
    for (const auto& c : maker.controls.at(0).controls) captions.push_back(c.caption);
    EXPECT_THAT(captions,
                ElementsAre("ブックマークリスト(&L)", "ブックマークの追加/削除(&A)",
                            "次のブックマーク(&F)", "前のブックマーク(&P)",
                            "全てのブックマークを削除(&D)", "設定(&S)", "オンラインヘルプ(&H)"));
    EXPECT_EQ(maker.controls.at(1).caption, "開発元ホームページへ(&D)");
    ASSERT_TRUE(excel.CommandBar("ブックマーク"));

    // A later connection in another country speaks English again.
    DisconnectAddin();
    platform.SetCountry("Germany");
    ConnectAddin("11.0");
    EXPECT_TRUE(excel.CommandBar("Bookmark"));
    EXPECT_FALSE(excel.CommandBar("ブックマーク"));
}

TEST_F(ConnectionTest, ListBitmapLeavesTheUsersClipboardAsItWas) {
    platform.Clipboard().SetText("what the user copied");
    ConnectAddin("11.0");
    EXPECT_EQ(platform.Clipboard().Text(), "what the user copied");
    EXPECT_FALSE(platform.Clipboard().HasBitmap());
}

TEST_F(ConnectionTest, DisconnectionRemovesEverythingItBuilt) {
    ConnectAddin("11.0");
    DisconnectAddin();
    EXPECT_EQ(FindByTag(excel.CommandBarList().at(0).controls, "QEL"), nullptr);
    EXPECT_FALSE(Toolbar());
    EXPECT_EQ(excel.AdvisedSinks(), 0);
    EXPECT_FALSE(addin->objApp);
    EXPECT_FALSE(addin->CB_BUTTON_AddOrDel);

    ConnectAddin("16.0");
    DisconnectAddin();
    EXPECT_FALSE(Toolbar());
}

TEST_F(ConnectionTest, DisconnectionWithoutConnectionDoesNothing) {
    addin = std::make_unique<tessaly::Connect>(platform);
    excel.ResetCallCounts();
    addin->AddinInstance_OnDisconnection(0);
    EXPECT_EQ(excel.TotalCalls(), 0);
    EXPECT_TRUE(platform.Store().Entries().empty());
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(ConnectionTest, MakerMenuIsSharedWithAnotherProductOfTheMaker) {
    // Another add-in of the maker came first: its own product menu and site item.
    auto bars = excel.Application()->CommandBars();
    auto maker = bars->Item(1)->Controls()->Add(10, true);
    maker->SetTag("QEL");
    maker->SetCaption("&QEL");
    auto other = maker->Controls()->Add(10, false);
    other->SetTag("OTHER_PRODUCT");
    other->SetCaption("&Other");
    auto otherSite = maker->Controls()->Add(1, false);
    otherSite->SetTag("QEL_SITE");

    ConnectAddin("11.0");
    sim::ControlInfo shared = MakerMenu(excel);
    ASSERT_EQ(shared.controls.size(), 3u);
    EXPECT_EQ(shared.controls[0].tag, "OTHER_PRODUCT");
    EXPECT_EQ(shared.controls[1].tag, "BOOKMARK");
    EXPECT_EQ(shared.controls[2].tag, "QEL_SITE");
    EXPECT_EQ(shared.controls[2].caption, "&Developer's Site");
    int makers = 0;
    const auto barList = excel.CommandBarList();
    for (const auto& c : barList.at(0).controls) makers += c.tag == "QEL";
    EXPECT_EQ(makers, 1);

    // Our product leaves; the other product keeps the maker menu.
    DisconnectAddin();
    shared = MakerMenu(excel);
    ASSERT_EQ(shared.controls.size(), 2u);
    EXPECT_EQ(shared.controls[0].tag, "OTHER_PRODUCT");
    EXPECT_EQ(shared.controls[1].tag, "QEL_SITE");
}

// Every control of every bar the add-in made, popups' items included.
void OwnControls(const std::vector<sim::ControlInfo>& controls,
                 std::vector<sim::ControlInfo>& into) {
    for (const auto& c : controls) {
        if (c.onAction == "!<Tessaly.Connect>" || c.tag == "QEL" || c.tag == "BOOKMARK") {
            into.push_back(c);
        }
        OwnControls(c.controls, into);
    }
}

TEST_F(ConnectionTest, RuleTagEveryOwnControlHasATagOfItsOwn) {
    const auto table = tessaly::Connect::ControlTags();
    for (const char* version : {"11.0", "16.0"}) {
        SCOPED_TRACE(version);
        ConnectAddin(version);
        std::vector<sim::ControlInfo> own;
        for (const auto& bar : excel.CommandBarList()) OwnControls(bar.controls, own);
        EXPECT_EQ(own.size(), std::string(version) == "11.0" ? 17u : 8u);
        std::set<std::string> tags;
        for (const auto& c : own) {
            EXPECT_NE(c.tag, "") << c.caption;
            EXPECT_TRUE(tags.insert(c.tag).second) << "tag used twice: " << c.tag;
            EXPECT_NE(std::find(table.begin(), table.end(), c.tag), table.end()) << c.tag;
        }
        DisconnectAddin();
    }
}

TEST_F(ConnectionTest, RuleTagAClickRunsOnlyItsOwnCommand) {
    ConnectAddin("11.0");
    Open("Book1.xlsx");
    Bookmark("Book1.xlsx", "Sheet1", "B3");
    platform.Answer(platform::MsgAnswer::Cancel);
    Click("Bookmark", "&Delete all bookmarks.");
    EXPECT_EQ(MessageTexts().size(), 1u);  // one confirmation, and nothing else ran
    EXPECT_EQ(addin->BMs().Count(), 1);
    EXPECT_TRUE(platform.OpenedUrls().empty());
}

// Another product of the maker: its own developer's-site button, tagged as ours, whose
// sink follows the same rule as ours.
struct OtherProduct {
    host::Ref<host::CommandBarControl> site;
    host::EventConnection click;
    int opened = 0;

    explicit OtherProduct(sim::Excel& excel, const std::string& bar) {
        auto toolbar = excel.Application()->CommandBars()->Add(bar, 4, false, true);
        site = toolbar->Controls()->Add(1, false);
        site->SetTag("QEL_SITE");
        site->SetCaption("&Developer's Site");
        click = site->AdviseClick([this](auto&, bool& cancelDefault) {
            if (cancelDefault) return;
            cancelDefault = true;
            ++opened;
        });
    }
};

TEST_F(ConnectionTest, RuleTagTheSharedSiteButtonOpensTheSiteOnce) {
    OtherProduct before(excel, "Earlier");  // connected before us: its sink comes first
    ConnectAddin("16.0");
    OtherProduct after(excel, "Later");
    Click("Bookmark", "&Developer's Site");
    EXPECT_EQ(before.opened, 1);
    EXPECT_TRUE(platform.OpenedUrls().empty());
    EXPECT_EQ(after.opened, 0);

    before.click.Reset();  // the earlier product leaves: ours now comes first
    Click("Later", "&Developer's Site");
    EXPECT_EQ(platform.OpenedUrls().size(), 1u);
    EXPECT_EQ(after.opened, 0);
}

TEST_F(ConnectionTest, ToolbarPlaceSurvivesDisconnectAndReconnect) {
    ConnectAddin("11.0");
    auto bar = excel.Application()->CommandBars()->Item("Bookmark");
    bar->SetPosition(1);
    bar->SetRowIndex(3);
    bar->SetLeft(120);
    bar->SetTop(40);
    bar->SetVisible(true);
    DisconnectAddin();
    EXPECT_EQ(Setting("Bar", "Position"), "1");
    EXPECT_EQ(Setting("Bar", "RowIndex"), "3");
    EXPECT_EQ(Setting("Bar", "Left"), "120");
    EXPECT_EQ(Setting("Bar", "Top"), "40");
    EXPECT_EQ(Setting("Bar", "Visible"), "True");

    ConnectAddin("11.0");
    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->position, 1);
    EXPECT_EQ(toolbar->rowIndex, 3);
    EXPECT_EQ(toolbar->left, 120);
    EXPECT_EQ(toolbar->top, 40);
    EXPECT_TRUE(toolbar->visible);
}

TEST_F(ConnectionTest, EmptyStoreDocksTheToolbarOnTopInTheLastRow) {
    ConnectAddin("11.0");
    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->rowIndex, -1);
    EXPECT_EQ(toolbar->position, 1);
    EXPECT_EQ(toolbar->left, 0);
    EXPECT_EQ(toolbar->top, 0);
    EXPECT_TRUE(toolbar->visible);
}

TEST_F(ConnectionTest, StoredValuesAreReadByTheirRules) {
    // Row index: leading number, halves to even; "Visible": a Boolean conversion.
    platform.Set(kApp, "Bar", "RowIndex", " 2.5 rows");
    platform.Set(kApp, "Bar", "Position", "&H4");
    platform.Set(kApp, "Bar", "Left", "300");
    platform.Set(kApp, "Bar", "Top", "7");
    platform.Set(kApp, "Bar", "Visible", "false");
    ConnectAddin("11.0");
    auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->rowIndex, 2);
    EXPECT_EQ(toolbar->position, 4);
    EXPECT_EQ(toolbar->left, 300);
    EXPECT_FALSE(toolbar->visible);
    DisconnectAddin();

    // The saved visibility does not count on a newer host.
    platform.Set(kApp, "Bar", "Visible", "False");
    ConnectAddin("16.0");
    toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_TRUE(toolbar->visible);
}

TEST_F(ConnectionTest, BadPositionKeepsTheRowIndexAndStopsThere) {
    platform.Set(kApp, "Bar", "RowIndex", "5");
    platform.Set(kApp, "Bar", "Position", "top");
    platform.Set(kApp, "Bar", "Left", "300");
    ConnectAddin("11.0");
    const auto toolbar = Toolbar();
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->rowIndex, 5);
    EXPECT_EQ(toolbar->position, 4);  // as built: floating
    EXPECT_EQ(toolbar->left, 0);
    EXPECT_FALSE(toolbar->visible);  // as built: hidden
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(ConnectionTest, MenuItemAndToolbarCopyRunTheSameCommand) {
    ConnectAddin("11.0");
    Click("Worksheet Menu Bar", "Online &Help");
    Click("Bookmark", "Online &Help");
    Click("Worksheet Menu Bar", "&Developer's Site");
    ASSERT_EQ(platform.OpenedUrls().size(), 3u);
    EXPECT_EQ(platform.OpenedUrls()[0], tessaly::HelpPageUrl());
    EXPECT_EQ(platform.OpenedUrls()[1], tessaly::HelpPageUrl());
    EXPECT_EQ(platform.OpenedUrls()[2], tessaly::kSiteRootUrl);
    EXPECT_NE(tessaly::HelpPageUrl().find("/free/soft/excel/tessaly/help.html"), std::string::npos);
}

TEST_F(ConnectionTest, WebCommandsNeedNoWorkbookAndFailSilently) {
    ConnectAddin("16.0");
    platform.SetOpenUrlFails(true);
    addin->subCall_Help();
    addin->subCall_DeveloperSite();
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_TRUE(excel.WorkbookNames().empty());
}

TEST_F(ConnectionTest, FailingStepsAreSkippedAndTheRestStillRuns) {
    // No design-mode control can be found: the connection completes otherwise.
    excel.FailNext("CommandBars.FindControls", 1004, "refused");
    ConnectAddin("11.0");
    EXPECT_TRUE(addin->arrDesignMode.empty());
    EXPECT_TRUE(Toolbar());
    EXPECT_TRUE(platform.Messages().empty());
    DisconnectAddin();

    // Without the host's object for the add-in only the click route is missing.
    addin = std::make_unique<tessaly::Connect>(platform);
    addin->AddinInstance_OnConnection(excel.Application(), 0, nullptr);
    EXPECT_EQ(addin->strOnAction, "");
    ASSERT_TRUE(Toolbar());
    EXPECT_EQ(Toolbar()->controls.size(), 7u);
}

TEST_F(ConnectionTest, ToolbarThatCannotBeCreatedLeavesTheMenus) {
    excel.FailNext("CommandBars.Add", 1004, "refused");
    ConnectAddin("11.0");
    EXPECT_FALSE(Toolbar());
    EXPECT_EQ(MakerMenu(excel).controls.size(), 2u);
    EXPECT_FALSE(addin->CB_BUTTON_List_Copy);
    DisconnectAddin();  // nothing saved: there is no toolbar
    EXPECT_FALSE(Setting("Bar", "Position"));
    EXPECT_EQ(FindByTag(excel.CommandBarList().at(0).controls, "QEL"), nullptr);
}

TEST_F(ConnectionTest, CallsByNameReachTheOperations) {
    ConnectAddin("16.0");
    excel.SetCaption("Main window");
    std::string caption;
    EXPECT_TRUE(addin->CallByName("fncAppCaption", &caption));
    EXPECT_EQ(caption, "Main window");
    EXPECT_TRUE(addin->CallByName("SUBCALL_HELP"));
    EXPECT_EQ(platform.OpenedUrls().size(), 1u);
    EXPECT_FALSE(addin->CallByName("subMakeCommandBars"));
    EXPECT_EQ(tessaly::Connect::OperationNames()[0], std::string("subCall_List"));
    EXPECT_EQ(tessaly::Connect::OperationNames()[10], std::string("subCall_DeveloperSite"));
}

}  // namespace
}  // namespace tessaly_test
