// The end-to-end scripts: each tests/e2e/NAME.tsc runs with `tessaly run` in a scratch
// folder holding copies of the sample workbooks and fixtures, with settings of its own.
// Its transcript must equal NAME.out; when NAME.err exists the script must stop with exit
// code 1 and that error. A first line "# args: ..." gives options for tessaly.
//
// After a deliberate change of the transcripts, TESSALY_UPDATE_E2E=1 rewrites the .out
// and .err files from what the program printed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/e2e/run_tessaly.h"

namespace {

using namespace tessaly_e2e;

fs::path ScriptDir() {
    return SourceDir() / "tests" / "e2e";
}

std::vector<std::string> ScriptNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ScriptDir(), ec))
        if (entry.path().extension() == ".tsc") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The options on the first line: "# args: --host-version 16.0 --country Japan".
std::vector<std::string> ScriptArguments(const std::string& script) {
    const std::string marker = "# args:";
    std::vector<std::string> args;
    if (script.rfind(marker, 0) != 0) return args;
    std::istringstream words(script.substr(marker.size(), script.find('\n') - marker.size()));
    for (std::string word; words >> word;) args.push_back(word);
    return args;
}

class EndToEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, TranscriptMatches) {
    ASSERT_TRUE(fs::exists(TessalyBinary())) << "build the tessaly program first";
    const fs::path script = ScriptDir() / (GetParam() + ".tsc");
    const fs::path expectedOut = ScriptDir() / (GetParam() + ".out");
    const fs::path expectedErr = ScriptDir() / (GetParam() + ".err");

    Scratch scratch;
    ASSERT_FALSE(scratch.Path().empty());
    scratch.CopyWorkbooks();
    std::vector<std::string> args = ScriptArguments(ReadFile(script));
    args.insert(args.begin(), "run");
    args.push_back(script.string());
    const Result result = RunTessaly(args, scratch.Path());

    if (std::getenv("TESSALY_UPDATE_E2E") != nullptr) {
        WriteFile(expectedOut, result.out);
        if (result.exitCode != 0) WriteFile(expectedErr, result.err);
    }
    EXPECT_EQ(ReadFile(expectedOut), result.out);
    if (fs::exists(expectedErr)) {
        EXPECT_EQ(1, result.exitCode);
        EXPECT_EQ(ReadFile(expectedErr), result.err);
    } else {
        EXPECT_EQ(0, result.exitCode) << result.err;
        EXPECT_EQ("", result.err);
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, EndToEnd, ::testing::ValuesIn(ScriptNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

}  // namespace
