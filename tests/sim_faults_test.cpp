// Fault injection and call counting of the simulated host, and the scripted platform.

#include <gtest/gtest.h>

#include "sim/excel.h"
#include "sim/sim_platform.h"

namespace {

TEST(SimFaults, FailNextRaisesOnceWithTheGivenError) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto cell = xl.RangeRef("Book1", "Sheet1", "B3");
    xl.FailNext("Range.Address", 1004, "refused");
    try {
        cell->Address();
        FAIL() << "expected a host error";
    } catch (const host::HostError& e) {
        EXPECT_EQ(e.Number(), 1004);
        EXPECT_EQ(e.Description(), "refused");
    }
    EXPECT_EQ(cell->Address(), "$B$3");
}

TEST(SimFaults, SkipLetsEarlierCallsThrough) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto sheet = xl.Application()->Worksheets("Sheet1");
    xl.FailNext("OLEObjects.Add", 1004, "second", 1);
    EXPECT_NO_THROW(sheet->OLEObjects()->Add("Forms.Label.1", false, false, 0, 0, 1, 1));
    EXPECT_THROW(sheet->OLEObjects()->Add("Forms.Label.1", false, false, 0, 0, 1, 1),
                 host::HostError);
    EXPECT_NO_THROW(sheet->OLEObjects()->Add("Forms.Label.1", false, false, 0, 0, 1, 1));
    EXPECT_EQ(xl.OleObjects("Book1", "Sheet1").size(), 2u);  // the failed call made nothing
}

TEST(SimFaults, FailAlwaysUntilCleared) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto app = xl.Application();
    xl.FailAlways("Application.Goto", -2147417848, "gone");
    auto cell = xl.RangeRef("Book1", "Sheet1", "C3");
    EXPECT_THROW(app->Goto(cell), host::HostError);
    EXPECT_THROW(app->Goto(cell), host::HostError);
    EXPECT_EQ(xl.ActiveCellAddress(), "$A$1");
    xl.ClearFailures();
    app->Goto(cell);
    EXPECT_EQ(xl.ActiveCellAddress(), "$C$3");
}

TEST(SimFaults, UnknownMemberNamesAreMisuse) {
    sim::Excel xl;
    EXPECT_THROW(xl.FailNext("Range.Adress", 1004, "typo"), sim::SimError);
    EXPECT_THROW(xl.CallCount("Nothing.Here"), sim::SimError);
}

TEST(SimFaults, EveryCallThroughTheSeamIsCountedByMember) {
    sim::Excel xl;
    xl.NewWorkbook();
    auto app = xl.Application();
    auto cell = app->ActiveCell();
    cell->Address();
    cell->Address();
    cell->Row();
    EXPECT_EQ(xl.CallCount("Application.ActiveCell"), 1);
    EXPECT_EQ(xl.CallCount("Range.Address"), 2);
    EXPECT_EQ(xl.TotalCalls(), 4);
    // Failed calls count as well; identity checks and inspection do not.
    xl.FailNext("Range.Row", 1004, "no");
    EXPECT_THROW(cell->Row(), host::HostError);
    EXPECT_EQ(xl.CallCount("Range.Row"), 2);
    host::SameObject(cell, app);
    xl.ActiveCellAddress();
    EXPECT_EQ(xl.TotalCalls(), 5);
    xl.ResetCallCounts();
    EXPECT_EQ(xl.TotalCalls(), 0);
    EXPECT_EQ(xl.CallCount("Range.Address"), 0);
    // Every name handed out is accepted back.
    for (const std::string& name : sim::Excel::MemberNames()) EXPECT_EQ(xl.CallCount(name), 0);
}

TEST(SimPlatformTest, MessageBoxesAreLoggedAndAnsweredFromTheQueue) {
    sim::SimPlatform p;
    p.Answer(platform::MsgAnswer::Cancel);
    EXPECT_EQ(p.MessageBox("t1", "c", platform::MsgIcon::Critical, platform::MsgButtons::OKCancel),
              platform::MsgAnswer::Cancel);
    EXPECT_EQ(p.MessageBox("t2", "c", platform::MsgIcon::Critical, platform::MsgButtons::OKCancel),
              platform::MsgAnswer::OK);
    ASSERT_EQ(p.Messages().size(), 2u);
    EXPECT_EQ(p.Messages()[0].text, "t1");
    EXPECT_EQ(p.Messages()[0].answer, platform::MsgAnswer::Cancel);
    // An OK-only box cannot be cancelled; the scripted answer stays for the next box.
    p.Answer(platform::MsgAnswer::Cancel);
    EXPECT_EQ(p.MessageBox("t3", "c", platform::MsgIcon::None, platform::MsgButtons::OK),
              platform::MsgAnswer::OK);
    EXPECT_EQ(p.PendingAnswers(), 1u);
}

TEST(SimPlatformTest, ClipboardSavesAndRestoresWhatTheUserHad) {
    sim::SimPlatform p;
    p.Clipboard().SetText("user's text");
    auto saved = p.Clipboard().Save();
    p.Clipboard().Clear();
    p.Clipboard().PutBitmap({1, 1, {0, 0, 0}});
    EXPECT_TRUE(p.Clipboard().HasBitmap());
    EXPECT_FALSE(p.Clipboard().Text().has_value());
    p.Clipboard().Restore(*saved);
    EXPECT_EQ(p.Clipboard().Text(), "user's text");
    EXPECT_FALSE(p.Clipboard().HasBitmap());
}

TEST(SimPlatformTest, SettingsClockAndUrls) {
    sim::SimPlatform p;
    EXPECT_FALSE(p.Settings().Read("App", "Setting", "Mark").has_value());
    p.Set("App", "Setting", "Mark", "FALSE");
    EXPECT_EQ(p.Settings().Read("App", "Setting", "Mark"), "FALSE");
    p.Settings().Write("App", "Bar", "Left", "10");
    EXPECT_EQ(p.Get("App", "Bar", "Left"), "10");
    EXPECT_EQ(p.Store().Writes(), 1);
    double t = p.MonotonicSeconds();
    p.Advance(0.25);
    EXPECT_DOUBLE_EQ(p.MonotonicSeconds(), t + 0.25);
    EXPECT_EQ(p.LocaleCountryName(), "United States");
    EXPECT_TRUE(p.OpenUrl("http://example.invalid/"));
    p.SetOpenUrlFails(true);
    EXPECT_FALSE(p.OpenUrl("http://example.invalid/2"));
    EXPECT_EQ(p.OpenedUrls().size(), 1u);
}

}  // namespace
