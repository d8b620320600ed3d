// The Linux platform: settings file, locale country, URL opener, terminal message
// box and in-process clipboard.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "locale/const.h"
#include "locale/os_language.h"
#include "platform/linux/file_settings_store.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/locale_country.h"
#include "platform/linux/memory_clipboard.h"
#include "platform/linux/terminal_message_box.h"
#include "platform/linux/url_opener.h"

namespace linuxplatform {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
  public:
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    void Set(const std::string& name, const std::string& value) {
        Remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Remember(name);
        ::unsetenv(name.c_str());
    }

  private:
    void Remember(const std::string& name) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tessaly-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    static std::string ReadFile(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void WriteFile(const fs::path& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::vector<std::string> Listing(const fs::path& dir) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Collects the store's warnings in warnings_.
    void Watch(FileSettingsStore& store) {
        store.SetWarningSink([this](const std::string& m) { warnings_.push_back(m); });
    }

    fs::path dir_;
    std::vector<std::string> warnings_;
};

using FileSettingsStoreTest = TempDirTest;

TEST_F(FileSettingsStoreTest, AwkwardValuesRoundTripThroughTheFile) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Empty", ""},
        {"Equals", "a=b==c="},
        {"Lines", "one\ntwo\r\nthree\r"},
        {"Blanks", "  both ends \t "},
        {"Only blank", " "},
        {"Backslashes", "C:\\new\\table\\x41\\"},
        {"Looks like header", "[QEL_BOOKMARK_VEROZARA\\Bar]"},
        {"Comment", "; not a comment"},
        {"Japanese", "ブックマーク（視認用）"},
        {"Controls", std::string("\x01\x1b\x7f\0end", 8)},
        {"Not UTF-8", "\xff\xfe\xc3"},
        {"key = with [=] and \\", "v"},
        {"[bracket key", "v2"},
        {" spaced key ", "v3"},
        {"#hash", "v4"},
    };
    const fs::path file = dir_ / "settings.ini";
    {
        FileSettingsStore store(file);
        for (const auto& [key, value] : values) store.Write("App", "Sec", key, value);
        store.Write("We\\ird]%[app", "sec\\tion\n", "k", "odd names");
    }
    FileSettingsStore fresh(file);
    Watch(fresh);
    for (const auto& [key, value] : values) {
        EXPECT_EQ(fresh.Read("App", "Sec", key), value) << key;
    }
    EXPECT_EQ(fresh.Read("We\\ird]%[app", "sec\\tion\n", "k"), "odd names");
    EXPECT_EQ(fresh.Read("App", "Sec", "Missing"), std::nullopt);
    EXPECT_EQ(fresh.Read("App", "Other", "Empty"), std::nullopt);
    EXPECT_TRUE(warnings_.empty()) << warnings_.front();
}

// Plain INI text; names ignore letter case and keep their first spelling.
TEST_F(FileSettingsStoreTest, FileIsPlainIniTextWithCaseBlindNames) {
    const fs::path file = dir_ / "settings.ini";
    FileSettingsStore store(file);
    store.Write("QEL_BOOKMARK_VEROZARA", "Setting", "Vector", "ROW");
    store.Write("QEL_BOOKMARK_VEROZARA", "Bar", "Top", "-1");
    store.Write("qel_bookmark_verozara", "SETTING", "vector", "COLUMN");
    EXPECT_EQ(store.Read("Qel_Bookmark_Verozara", "setting", "VECTOR"), "COLUMN");
    const std::string text = ReadFile(file);
    EXPECT_NE(text.find("[QEL_BOOKMARK_VEROZARA\\Setting]\nVector=COLUMN\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[QEL_BOOKMARK_VEROZARA\\Bar]\nTop=-1\n"), std::string::npos) << text;
}

TEST_F(FileSettingsStoreTest, WritesLeaveNoTemporaryFileAndCreateTheDirectory) {
    const fs::path file = dir_ / "deep" / "er" / "settings.ini";
    FileSettingsStore store(file);
    for (int i = 0; i < 20; ++i) store.Write("A", "S", "K" + std::to_string(i % 3), "v");
    EXPECT_EQ(Listing(dir_), std::vector<std::string>{"deep"});
    EXPECT_EQ(Listing(file.parent_path()), std::vector<std::string>{"settings.ini"});
}

TEST_F(FileSettingsStoreTest, StaleTemporaryGoesAtTheNextWriteAndAReadOnlyFileIsKept) {
    const fs::path file = dir_ / "settings.ini";
    WriteFile(dir_ / ".tessaly-save.settings.ini.a1B2c3", "left by a killed save");
    WriteFile(dir_ / ".settings.ini.a1B2c3", "someone else's");
    FileSettingsStore store(file);
    Watch(store);
    store.Write("A", "S", "K", "v");
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{".settings.ini.a1B2c3", "settings.ini"}));

    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    const std::string before = ReadFile(file);
    store.Write("A", "S", "K", "w");
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find("read-only"), std::string::npos) << warnings_[0];
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(FileSettingsStoreTest, ValueSavedByAnotherProcessIsSeenAtTheNextRead) {
    const fs::path file = dir_ / "settings.ini";
    FileSettingsStore mine(file);
    FileSettingsStore theirs(file);
    EXPECT_EQ(mine.Read("A", "S", "K"), std::nullopt);
    theirs.Write("A", "S", "K", "1");
    EXPECT_EQ(mine.Read("A", "S", "K"), "1");
    theirs.Write("A", "S", "K", "2");
    EXPECT_EQ(mine.Read("A", "S", "K"), "2");
    // Writes merge with the file's current content instead of overwriting it.
    mine.Write("A", "S", "Other", "x");
    EXPECT_EQ(theirs.Read("A", "S", "K"), "2");
    EXPECT_EQ(theirs.Read("A", "S", "Other"), "x");
    fs::remove(file);
    EXPECT_EQ(mine.Read("A", "S", "K"), std::nullopt);
}

TEST_F(FileSettingsStoreTest, DamagedFileKeepsEveryGoodLineAndWarnsOnce) {
    const fs::path file = dir_ / "settings.ini";
    WriteFile(file,
              "orphan=before any section\n"           // 1
              "[QEL_BOOKMARK_VEROZARA\\Setting]\r\n"  // 2: edited on Windows
              "Vector=COLUMN\n"                       // 3
              "this line has no equals\n"             // 4
              "Color=\\q\n"                           // 5: unknown escape
              "Mark=FALSE\n"                          // 6
              "Confirm=\xff\xfe garbage\n"            // 7
              "\n"                                    // 8
              "[broken header\n"                      // 9
              "Lost=in broken section\n"              // 10
              "[QEL_BOOKMARK_VEROZARA\\Bar]\n"        // 11
              "Top=12\n"                              // 12
              "Left=3\\x4");                          // 13: cut short inside an escape
    FileSettingsStore store(file);
    Watch(store);

    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Vector"), "COLUMN");
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Mark"), "FALSE");
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Bar", "Top"), "12");
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Color"), std::nullopt);
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Confirm"), std::nullopt);
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Bar", "Left"), std::nullopt);
    EXPECT_EQ(store.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Lost"), std::nullopt);

    ASSERT_EQ(warnings_.size(), 1u);
    const std::string w = warnings_.front();
    EXPECT_NE(w.find(file.string()), std::string::npos) << w;
    for (const char* line : {"line 1 ", "line 4 ", "line 5 ", "line 7 ", "line 9 "})
        EXPECT_NE(w.find(line), std::string::npos) << line << " in " << w;
    EXPECT_NE(w.find("more lines"), std::string::npos) << w;  // 10 and 13 beyond the first five

    // The next write keeps the recovered values and a copy of the damaged file.
    const std::string damaged = ReadFile(file);
    store.Write("QEL_BOOKMARK_VEROZARA", "Setting", "SaveMark", "1");
    EXPECT_EQ(warnings_.size(), 1u);
    FileSettingsStore fresh(file);
    Watch(fresh);
    EXPECT_EQ(fresh.Read("QEL_BOOKMARK_VEROZARA", "Setting", "Vector"), "COLUMN");
    EXPECT_EQ(fresh.Read("QEL_BOOKMARK_VEROZARA", "Bar", "Top"), "12");
    EXPECT_EQ(fresh.Read("QEL_BOOKMARK_VEROZARA", "Setting", "SaveMark"), "1");
    EXPECT_EQ(warnings_.size(), 1u);
    EXPECT_EQ(ReadFile(dir_ / "settings.ini.bad"), damaged);
}

TEST_F(FileSettingsStoreTest, FailedSaveWarnsAndKeepsTheValueForThisSession) {
    WriteFile(dir_ / "plain-file", "not a directory");
    const fs::path file = dir_ / "plain-file" / "settings.ini";
    FileSettingsStore store(file);
    Watch(store);
    store.Write("A", "S", "K", "v");
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find("not saved"), std::string::npos) << warnings_[0];
    EXPECT_NE(warnings_[0].find(file.string()), std::string::npos) << warnings_[0];
    EXPECT_EQ(store.Read("A", "S", "K"), "v");
}

TEST_F(FileSettingsStoreTest, ReadOnlyDirectoryWarnsWithoutCrashing) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path file = dir_ / "settings.ini";
    FileSettingsStore store(file);
    store.Write("A", "S", "K", "old");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    Watch(store);
    store.Write("A", "S", "K", "new");
    EXPECT_EQ(warnings_.size(), 1u);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(FileSettingsStore(file).Read("A", "S", "K"), "old");
}

TEST_F(FileSettingsStoreTest, UnreadableFileIsNeverOverwritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const fs::path file = dir_ / "settings.ini";
    WriteFile(file, "[A\\S]\nK=kept\n");
    fs::permissions(file, fs::perms::none);
    FileSettingsStore store(file);
    Watch(store);
    EXPECT_EQ(store.Read("A", "S", "K"), std::nullopt);
    EXPECT_EQ(store.Read("A", "S", "K"), std::nullopt);
    EXPECT_EQ(warnings_.size(), 1u);
    store.Write("A", "S", "Other", "v");
    EXPECT_EQ(warnings_.size(), 2u);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(file), "[A\\S]\nK=kept\n");
    // Readable again: the file is read afresh.
    EXPECT_EQ(store.Read("A", "S", "K"), "kept");
}

TEST_F(FileSettingsStoreTest, UnescapeRejectsBrokenSequences) {
    for (const char* bad : {"\\", "a\\", "\\x4", "\\xg0", "\\q", "\\N"})
        EXPECT_EQ(FileSettingsStore::UnescapeText(bad), std::nullopt) << bad;
    EXPECT_EQ(FileSettingsStore::UnescapeText("\\x41\\\\n"), "A\\n");
}

TEST_F(FileSettingsStoreTest, DefaultPathFollowsTheEnvironment) {
    EnvGuard env;
    env.Set("TESSALY_CONFIG_DIR", "/tmp/override");
    env.Set("XDG_CONFIG_HOME", "/xdg");
    env.Set("HOME", "/home/someone");
    EXPECT_EQ(FileSettingsStore::DefaultPath(), fs::path("/tmp/override/settings.ini"));
    env.Unset("TESSALY_CONFIG_DIR");
    EXPECT_EQ(FileSettingsStore::DefaultPath(), fs::path("/xdg/tessaly/settings.ini"));
    env.Set("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(FileSettingsStore::DefaultPath(),
              fs::path("/home/someone/.config/tessaly/settings.ini"));
    env.Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(FileSettingsStore::DefaultPath(),
              fs::path("/home/someone/.config/tessaly/settings.ini"));
}

TEST_F(FileSettingsStoreTest, PlatformUsesTheOverriddenDirectory) {
    EnvGuard env;
    env.Set("TESSALY_CONFIG_DIR", dir_.string());
    LinuxPlatform platform;
    platform.Settings().Write("QEL_BOOKMARK_VEROZARA", "Setting", "Mark", "TRUE");
    EXPECT_EQ(platform.FileSettings().Path(), dir_ / "settings.ini");
    EXPECT_EQ(
        FileSettingsStore(dir_ / "settings.ini").Read("QEL_BOOKMARK_VEROZARA", "Setting", "Mark"),
        "TRUE");
}

TEST(LocaleCountryTest, TerritoryOfLocaleNames) {
    EXPECT_EQ(TerritoryOfLocaleName("ja_JP.UTF-8"), "JP");
    EXPECT_EQ(TerritoryOfLocaleName("en_US"), "US");
    EXPECT_EQ(TerritoryOfLocaleName("de_DE@euro"), "DE");
    EXPECT_EQ(TerritoryOfLocaleName("sr_RS.UTF-8@latin"), "RS");
    EXPECT_EQ(TerritoryOfLocaleName("en_gb.utf8"), "GB");
    for (const char* none : {"C.UTF-8", "POSIX", "ja", ""})
        EXPECT_EQ(TerritoryOfLocaleName(none), "") << none;
}

TEST(LocaleCountryTest, EnglishNamesOfCountryCodes) {
    EXPECT_EQ(CountryNameOfTerritory("JP"), "Japan");
    EXPECT_EQ(CountryNameOfTerritory("jp"), "Japan");
    // The first and the last row of the sorted table.
    EXPECT_EQ(CountryNameOfTerritory("AE"), "United Arab Emirates");
    EXPECT_EQ(CountryNameOfTerritory("ZA"), "South Africa");
    for (const char* none : {"XX", "419", ""}) EXPECT_EQ(CountryNameOfTerritory(none), "") << none;
}

TEST(LocaleCountryTest, EnvironmentOrderAndOverride) {
    EnvGuard env;
    env.Unset("TESSALY_COUNTRY");
    env.Set("LC_ALL", "ja_JP.UTF-8");
    env.Set("LC_MESSAGES", "de_DE.UTF-8");
    env.Set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "Japan");
    env.Set("LC_ALL", "");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "Germany");
    env.Unset("LC_MESSAGES");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "France");
    env.Unset("LANG");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "");
    // The first set variable decides even when it names no country.
    env.Set("LC_ALL", "C");
    env.Set("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "");
    env.Set("TESSALY_COUNTRY", "Japan");
    EXPECT_EQ(LocaleCountryFromEnvironment(), "Japan");
}

TEST(LocaleCountryTest, JapaneseLocaleSelectsTheJapaneseBlock) {
    EnvGuard env;
    env.Unset("TESSALY_COUNTRY");
    env.Set("LC_ALL", "ja_JP.eucJP");
    LinuxPlatform platform;
    tessaly::ChooseStringBlock(platform);
    EXPECT_EQ(tessaly::lngResBase, 100);
    EXPECT_EQ(tessaly::strBarName, "ブックマーク");
    // A Japanese-language user in another country gets the English block.
    env.Set("LC_ALL", "ja_US.UTF-8");
    tessaly::ChooseStringBlock(platform);
    EXPECT_EQ(tessaly::lngResBase, 200);
    EXPECT_EQ(tessaly::strBarName, "Bookmark");
}

using UrlOpenerTest = TempDirTest;

// Waits for the background program to leave its trace; the program runs detached.
std::string AwaitFile(const fs::path& file) {
    for (int i = 0; i < 1000 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int i = 0; i < 100; ++i) {
        std::ifstream in(file);
        std::string line;
        if (std::getline(in, line)) return line;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

TEST_F(UrlOpenerTest, StartsTheOpenerWithTheUrlAsOneArgument) {
    const fs::path trace = dir_ / "opened.txt";
    const fs::path opener = dir_ / "xdg-open";
    WriteFile(opener, "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$#\" > '" + trace.string() +
                          ".tmp'\n/bin/mv '" + trace.string() + ".tmp' '" + trace.string() + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    EnvGuard env;
    env.Set("PATH", dir_.string());
    LinuxPlatform platform(dir_ / "settings.ini");
    const std::string url = "http://www.example.com/a b?x=1&y='2';$(true)";
    EXPECT_TRUE(platform.OpenUrl(url));
    EXPECT_EQ(AwaitFile(trace), url + "|1");
}

TEST_F(UrlOpenerTest, FalseWhenTheOpenerCannotStart) {
    EnvGuard env;
    env.Set("PATH", dir_.string());
    EXPECT_FALSE(OpenUrlInBackground("http://www.example.com/"));
    EXPECT_FALSE(OpenUrlInBackground("http://www.example.com/", (dir_ / "missing").string()));
    WriteFile(dir_ / "not-executable", "#!/bin/sh\n");
    EXPECT_FALSE(
        OpenUrlInBackground("http://www.example.com/", (dir_ / "not-executable").string()));
    EXPECT_FALSE(OpenUrlInBackground("", "/bin/true"));
    EXPECT_FALSE(OpenUrlInBackground("--help", "/bin/true"));
    EXPECT_TRUE(OpenUrlInBackground("http://www.example.com/", "/bin/true"));
}

TEST(TerminalMessageBoxTest, WithoutATerminalEveryBoxIsAnsweredOk) {
    std::istringstream in("c\n");
    std::ostringstream out;
    TerminalMessageBox box(in, out, false);
    EXPECT_EQ(box.Show("first\r\nsecond", "Tessaly", platform::MsgIcon::Critical,
                       platform::MsgButtons::OKCancel),
              platform::MsgAnswer::OK);
    EXPECT_NE(out.str().find("[Tessaly] (error)\nfirst\nsecond\n"), std::string::npos) << out.str();
}

TEST(TerminalMessageBoxTest, AnswersReadFromTheTerminal) {
    std::istringstream in("maybe\n Cancel \nok\n\n");
    std::ostringstream out;
    TerminalMessageBox box(in, out, true);
    const auto ask = [&] {
        return box.Show("Sure?", "Tessaly", platform::MsgIcon::Question,
                        platform::MsgButtons::OKCancel);
    };
    EXPECT_EQ(ask(), platform::MsgAnswer::Cancel);  // "maybe" is asked again
    EXPECT_EQ(ask(), platform::MsgAnswer::OK);
    EXPECT_EQ(ask(), platform::MsgAnswer::OK);      // Enter alone
    EXPECT_EQ(ask(), platform::MsgAnswer::Cancel);  // input closed
    EXPECT_EQ(box.Show("Done", "Tessaly", platform::MsgIcon::None, platform::MsgButtons::OK),
              platform::MsgAnswer::OK);
}

TEST(LinuxPlatformTest, FrontEndCanPlugItsOwnMessageBox) {
    LinuxPlatform platform(fs::temp_directory_path() / "tessaly-unused" / "settings.ini");
    std::string seen;
    platform.SetMessageBoxHandler([&](const std::string& text, const std::string& caption,
                                      platform::MsgIcon, platform::MsgButtons) {
        seen = caption + ":" + text;
        return platform::MsgAnswer::Cancel;
    });
    EXPECT_EQ(
        platform.MessageBox("t", "c", platform::MsgIcon::None, platform::MsgButtons::OKCancel),
        platform::MsgAnswer::Cancel);
    EXPECT_EQ(seen, "c:t");
}

TEST(MemoryClipboardTest, SavedContentComesBack) {
    MemoryClipboard clipboard;
    clipboard.PutText("the user's text");
    std::unique_ptr<platform::ClipboardContent> saved = clipboard.Save();
    platform::Bitmap face{2, 1, {1, 2, 3, 4, 5, 6}};
    clipboard.PutBitmap(face);
    EXPECT_EQ(clipboard.Text(), std::nullopt);
    ASSERT_TRUE(clipboard.GetBitmap());
    EXPECT_EQ(clipboard.GetBitmap()->bgr, face.bgr);
    clipboard.Restore(*saved);
    EXPECT_EQ(clipboard.Text(), "the user's text");
    EXPECT_FALSE(clipboard.GetBitmap());

    clipboard.Clear();
    std::unique_ptr<platform::ClipboardContent> empty = clipboard.Save();
    clipboard.PutText("x");
    clipboard.Restore(*empty);
    EXPECT_TRUE(clipboard.Empty());
}

}  // namespace
}  // namespace linuxplatform
