#include "tests/support/addin_fixture.h"

#include "bookmarks/clsBMs.h"
#include "locale/const.h"

namespace tessaly_test {

AddinTest::AddinTest() {
    excel.AttachClipboard(&platform.Clipboard());
}

AddinTest::~AddinTest() {
    DisconnectAddin();
}

void AddinTest::ConnectAddin(const std::string& version) {
    excel.SetVersion(version);
    addin = std::make_unique<tessaly::Connect>(platform);
    addin->AddinInstance_OnConnection(excel.Application(), 0, excel.AddIn());
}

void AddinTest::DisconnectAddin() {
    if (addin) addin->AddinInstance_OnDisconnection(0);
}

void AddinTest::SetSetting(const std::string& key, const std::string& value) {
    platform.Set(kApp, "Setting", key, value);
}

std::optional<std::string> AddinTest::Setting(const std::string& section,
                                              const std::string& key) const {
    return platform.Get(kApp, section, key);
}

void AddinTest::Click(const std::string& barName, const std::string& caption) {
    platform.Advance(1.0);
    excel.ClickControl(barName, caption);
}

std::vector<std::string> AddinTest::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : platform.Messages()) texts.push_back(m.text);
    return texts;
}

std::optional<sim::CommandBarInfo> AddinTest::Toolbar() const {
    return excel.CommandBar(tessaly::strBarName);
}

void AddinTest::Open(const std::string& book, std::vector<std::string> sheets) {
    excel.OpenWorkbook(sim::SimpleWorkbook(book, std::move(sheets)));
}

void AddinTest::Bookmark(const std::string& book, const std::string& sheet,
                         const std::string& cell) {
    excel.Select(book, sheet, cell);
    const int32_t before = addin->BMs().Count();
    platform.Advance(1.0);
    addin->subCall_AddOrDelete();
    ASSERT_EQ(addin->BMs().Count(), before + 1) << book << "!" << sheet << "!" << cell;
}

std::string AddinTest::Where() const {
    return excel.ActiveWorkbookName() + "!" + excel.ActiveSheetName() + "!" +
           excel.ActiveCellAddress();
}

}  // namespace tessaly_test
