// Next and previous bookmark through the scenes of the shared table
// (tests/data/navigation_scenes.txt, its format at its top). A headless Calc runs the
// same table (calc/tests/calc_client.py), so both hosts must give these answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/addin_fixture.h"

namespace tessaly_test {
namespace {

struct SceneLine {
    int number = 0;
    std::vector<std::string> words;
};

struct Scene {
    std::string name;
    std::vector<SceneLine> lines;
    std::string error;  // what is wrong with the table, when something is
};

template <class Is>
bool AllOf(const std::string& text, Is is) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [&](char c) { return is(static_cast<unsigned char>(c)); });
}

const auto IsDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
const auto IsLetter = [](unsigned char c) { return std::isalpha(c) != 0; };
const auto IsNameChar = [](unsigned char c) { return std::isalnum(c) != 0 || c == '_'; };

// What is wrong with a line of a scene, or nothing.
std::string CheckLine(const std::vector<std::string>& w) {
    // The number of words after the keyword; open takes one sheet or more.
    static const std::map<std::string, size_t> arity = {
        {"open", 2},   {"bookmark", 3}, {"hide-row", 3}, {"hide-column", 3}, {"hide-sheet", 2},
        {"vector", 1}, {"select", 3},   {"next", 3},     {"previous", 3}};
    auto found = arity.find(w[0]);
    if (found == arity.end()) return "unknown keyword \"" + w[0] + "\"";
    const size_t given = w.size() - 1;
    if (w[0] == "open" ? given < found->second : given != found->second)
        return "\"" + w[0] + "\" takes " + std::to_string(found->second) +
               (w[0] == "open" ? " words or more" : " words");
    if (w[0] == "hide-row" && !AllOf(w[3], IsDigit)) return "a row is a number";
    if (w[0] == "hide-column" && !AllOf(w[3], IsLetter)) return "a column is letters";
    if (w[0] == "vector" && w[1] != "ROW" && w[1] != "COLUMN") return "vector is ROW or COLUMN";
    return "";
}

// Every scene of the table; a table that cannot be read is one scene that fails.
std::vector<Scene> ReadScenes(const std::string& path) {
    std::ifstream in(path);
    if (!in) return {Scene{"TableIsReadable", {}, "cannot read " + path}};
    std::vector<Scene> scenes;
    std::set<std::string> names;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::istringstream words(text);
        std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
        if (w.empty() || w[0][0] == '#') continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (w[0] == "scene") {
            Scene scene;
            scene.name = w.size() == 2 ? w[1] : "";
            if (!AllOf(scene.name, IsNameChar) || !names.insert(scene.name).second) {
                scene.name = "Line" + std::to_string(number);
                scene.error = where + "a scene needs one name of its own (letters, digits, _)";
            }
            scenes.push_back(std::move(scene));
            continue;
        }
        if (scenes.empty()) return {Scene{"TableIsReadable", {}, where + "no scene started"}};
        Scene& scene = scenes.back();
        if (const std::string wrong = CheckLine(w); !wrong.empty() && scene.error.empty())
            scene.error = where + wrong;
        scene.lines.push_back({number, std::move(w)});
    }
    if (scenes.empty()) return {Scene{"TableIsReadable", {}, path + " has no scene"}};
    for (Scene& scene : scenes) {
        // The order is always written out: a host's default must not decide a scene.
        const auto has = [&](auto keep) {
            return std::any_of(scene.lines.begin(), scene.lines.end(),
                               [&](const SceneLine& l) { return keep(l.words[0]); });
        };
        if (scene.error.empty() && !has([](const std::string& k) { return k == "vector"; }))
            scene.error = path + ": scene " + scene.name + " has no vector line";
        if (scene.error.empty() &&
            !has([](const std::string& k) { return k == "next" || k == "previous"; }))
            scene.error = path + ": scene " + scene.name + " has no step";
    }
    return scenes;
}

// gtest names the scene in its messages.
void PrintTo(const Scene& scene, std::ostream* out) {
    *out << scene.name;
}

int32_t ColumnNumber(const std::string& letters) {
    int32_t n = 0;
    for (char c : letters) n = n * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
    return n;
}

class NavigationSceneTest : public AddinTest, public ::testing::WithParamInterface<Scene> {
  protected:
    void SetUp() override {
        SetSetting("Mark", "FALSE");
        ConnectAddin("11.0");
    }

    void Run(const SceneLine& line) {
        const std::vector<std::string>& w = line.words;
        const std::string& what = w[0];
        if (what == "open") {
            Open(w[1], {w.begin() + 2, w.end()});
        } else if (what == "bookmark") {
            Bookmark(w[1], w[2], w[3]);
        } else if (what == "hide-row") {
            excel.HideRows(w[1], w[2], std::stoi(w[3]));
        } else if (what == "hide-column") {
            excel.HideColumns(w[1], w[2], ColumnNumber(w[3]));
        } else if (what == "hide-sheet") {
            excel.SetSheetVisible(w[1], w[2], 0);
        } else if (what == "vector") {
            SetSetting("Vector", w[1]);
        } else if (what == "select") {
            excel.Select(w[1], w[2], w[3]);
        } else {
            // Each step waits out the repeat guard.
            platform.Advance(1.0);
            if (what == "next") {
                addin->subCall_Next();
            } else {
                addin->subCall_Befor();
            }
            std::string at = Where();
            std::erase(at, '$');
            EXPECT_EQ(at, w[1] + "!" + w[2] + "!" + w[3]) << what;
        }
    }
};

TEST_P(NavigationSceneTest, GivesTheTablesAnswers) {
    const Scene& scene = GetParam();
    ASSERT_TRUE(scene.error.empty()) << scene.error;
    for (const SceneLine& line : scene.lines) {
        SCOPED_TRACE(TESSALY_NAVIGATION_SCENES ":" + std::to_string(line.number));
        Run(line);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Table, NavigationSceneTest,
                         ::testing::ValuesIn(ReadScenes(TESSALY_NAVIGATION_SCENES)),
                         [](const ::testing::TestParamInfo<Scene>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace tessaly_test
