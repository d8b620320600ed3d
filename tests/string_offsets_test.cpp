// Every lookup of the string table names its offset (locale/string_ids.h): a number
// written into a lookup would drift silently when the table changes. This scans the
// sources for lookups whose arguments hold a number literal.
//
// The lookups are the core's (mojLoadResString, ResText, ShowResMessage,
// StringTableEntry) and, in a file that uses one of them, its own wrappers: functions
// taking an `offset` parameter, as the Windows scenarios' Text(base, offset) does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Comments, string literals and character literals blanked out (line breaks kept, so
// that positions still give line numbers).
std::string CodeOnly(const std::string& text) {
    std::string out = text;
    size_t i = 0;
    const auto blank = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n') out[k] = ' ';
    };
    while (i < text.size()) {
        if (text.compare(i, 2, "//") == 0) {
            const size_t end = text.find('\n', i);
            const size_t stop = end == std::string::npos ? text.size() : end;
            blank(i, stop);
            i = stop;
        } else if (text.compare(i, 2, "/*") == 0) {
            const size_t end = text.find("*/", i + 2);
            const size_t stop = end == std::string::npos ? text.size() : end + 2;
            blank(i, stop);
            i = stop;
        } else if (text[i] == '"' && i > 0 && text[i - 1] == 'R') {
            // A raw string: R"delimiter( ... )delimiter".
            const size_t paren = text.find('(', i);
            const std::string close = ")" + text.substr(i + 1, paren - i - 1) + "\"";
            const size_t end = paren == std::string::npos ? paren : text.find(close, paren);
            const size_t stop = end == std::string::npos ? text.size() : end + close.size();
            blank(i + 1, stop - 1);
            i = stop;
        } else if (text[i] == '"' || text[i] == '\'') {
            // A digit separator (1'000) is no character literal.
            if (text[i] == '\'' && i > 0 && std::isdigit(static_cast<unsigned char>(text[i - 1])) &&
                std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
                ++i;
                continue;
            }
            const char quote = text[i];
            size_t k = i + 1;
            while (k < text.size() && text[k] != quote && text[k] != '\n')
                k += text[k] == '\\' ? 2 : 1;
            blank(i + 1, k);
            i = k + 1;
        } else {
            ++i;
        }
    }
    return out;
}

std::set<std::string> LookupsIn(const std::string& code) {
    static const std::set<std::string> kCore = {"mojLoadResString", "ResText", "ShowResMessage",
                                                "StringTableEntry"};
    std::set<std::string> names = kCore;
    static const std::regex kUse(
        "\\b(mojLoadResString|ResText|ShowResMessage|StringTableEntry)\\(");
    if (!std::regex_search(code, kUse)) return names;
    // A function with a parameter named offset: `std::string Text(int base, int offset)`.
    static const std::regex kWrapper(
        "\\b([A-Za-z_]\\w*)\\s*\\([^()]*\\b(?:int|int32_t)\\s+offset\\s*[,)]");
    for (auto it = std::sregex_iterator(code.begin(), code.end(), kWrapper);
         it != std::sregex_iterator(); ++it)
        names.insert((*it)[1].str());
    return names;
}

// "line N: call" for every lookup in `text` whose arguments hold a number literal.
std::vector<std::string> BareOffsets(const std::string& text) {
    const std::string code = CodeOnly(text);
    const std::set<std::string> lookups = LookupsIn(code);
    static const std::regex kCall("\\b([A-Za-z_]\\w*)\\s*\\(");
    static const std::regex kNumber("(^|[^\\w.])[0-9]");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(code.begin(), code.end(), kCall);
         it != std::sregex_iterator(); ++it) {
        if (!lookups.count((*it)[1].str())) continue;
        const size_t open = static_cast<size_t>(it->position(0) + it->length(0));
        size_t close = open;
        for (int depth = 1; close < code.size() && depth > 0; ++close) {
            if (code[close] == '(') ++depth;
            if (code[close] == ')') --depth;
        }
        const std::string args = code.substr(open, close - open - 1);
        if (!std::regex_search(args, kNumber)) continue;
        const long line = std::count(code.begin(), code.begin() + it->position(0), '\n') + 1;
        found.push_back("line " + std::to_string(line) + ": " + (*it)[1].str() + "(" + args + ")");
    }
    return found;
}

TEST(StringOffsets, TheScanFindsNumbersInLookupsOnly) {
    EXPECT_EQ(BareOffsets("x = ResText(12);\n"), std::vector<std::string>{"line 1: ResText(12)"});
    EXPECT_EQ(BareOffsets("\nShowResMessage(platform_,\n    13, Icon::Critical);").size(), 1u);
    EXPECT_EQ(BareOffsets("s = mojLoadResString(lngResBase + 0);").size(), 1u);
    EXPECT_EQ(BareOffsets("StringTableEntry(Offset(2));").size(), 1u);

    // Names, variables and text are fine; so is a number in a comment or a string.
    EXPECT_TRUE(BareOffsets("ResText(str::kListTitle); ResText(str::kListCommand + n);\n"
                            "ShowResMessage(p, str::kBadShortcutKeyMessage, Icon::Critical);\n"
                            "StringTableEntry(id); StringTableEntry(kEnglishBase + offset);\n"
                            "ResText(x);  // not ResText(12)\n"
                            "Check(ResText(k), \"the offset-16 message\");\n")
                    .empty());
    EXPECT_TRUE(BareOffsets("ResText(k); x = R\"(ResText(12) \" ResText(13))\"; ResText(k);\n"
                            "n = 1'000; c = L'('; ResText(k);")
                    .empty());
    EXPECT_EQ(BareOffsets("c = '\"'; ResText(14);").size(), 1u);
    // Other calls with numbers are no lookups.
    EXPECT_TRUE(BareOffsets("a.Text(0); Item(1); f(2.5);").empty());

    // A file's own wrapper with an offset parameter counts as a lookup there.
    const std::string wrapper =
        "std::string Text(int base, int offset) {\n"
        "    return std::string(StringTableEntry(base + offset).value_or(\"\"));\n"
        "}\n"
        "std::wstring T(int offset) const { return Widen(Text(base_, offset)); }\n";
    EXPECT_TRUE(
        BareOffsets(wrapper + "Text(kEnglish, str::kBarName); ui.T(str::kListGoto);").empty());
    EXPECT_EQ(BareOffsets(wrapper + "Text(kEnglish, 0); ui.T(40);").size(), 2u);
}

fs::path SourceDir() {
    return fs::path(TESSALY_TEST_DATA_DIR).parent_path().parent_path();
}

TEST(StringOffsets, NoLookupOutsideTheTableWritesANumber) {
    const fs::path root = SourceDir();
    // Where the offsets are written, and this test's own samples.
    const std::set<fs::path> exempt = {root / "locale" / "string_table.cpp",
                                       root / "locale" / "string_ids.h",
                                       root / "tests" / "string_offsets_test.cpp"};
    size_t scanned = 0;
    std::vector<std::string> found;
    for (const char* folder : {"addin", "app", "bench", "bookmarks", "commands", "forms", "host",
                               "locale", "platform", "settings", "sim", "tests", "win"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const fs::path& path = entry.path();
            if (!entry.is_regular_file() || exempt.count(path)) continue;
            const std::string ext = path.extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(path, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            ++scanned;
            for (const std::string& hit : BareOffsets(text.str()))
                found.push_back(fs::relative(path, root).string() + " " + hit);
        }
    }
    EXPECT_GT(scanned, 100u) << "the sources were not found under " << root;
    EXPECT_TRUE(found.empty()) << "name the offset (locale/string_ids.h):\n"
                               << [&] {
                                      std::string all;
                                      for (const std::string& f : found) all += "  " + f + "\n";
                                      return all;
                                  }();
}

}  // namespace
