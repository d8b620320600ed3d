#pragma once

// Per-user settings kept in one text file:
//
//   [QEL_BOOKMARK_VEROZARA\Setting]
//   Vector=ROW
//   Color=8388608
//
// Headers name the application and the section, separated by one backslash; in them
// "%", "\", "[", "]" and control bytes are written as %HH. In keys and values a
// backslash starts an escape: \\ \n \r \t and \xHH (any byte), so every text,
// including "=", line breaks and blanks at either end, reads back exactly. Blank
// lines and lines starting with ";" or "#" are ignored. Names compare without regard
// to ASCII letter case, as the registry does on Windows.
//
// The file is rewritten whole and atomically at each write (see replacement_file.h),
// never when it is read-only, and read again whenever it changed on disk, so a value
// saved by another process is seen at the next read.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace linuxplatform {

class FileSettingsStore : public platform::SettingsStore {
  public:
    using WarningSink = std::function<void(const std::string& message)>;

    // $TESSALY_CONFIG_DIR/settings.ini when that is set, else
    // $XDG_CONFIG_HOME/tessaly/settings.ini, else ~/.config/tessaly/settings.ini.
    static std::filesystem::path DefaultPath();

    FileSettingsStore();
    explicit FileSettingsStore(std::filesystem::path file);

    std::optional<std::string> Read(const std::string& app, const std::string& section,
                                    const std::string& key) override;
    // A value that cannot be saved stays in effect for this object and a warning
    // says why it was not saved.
    void Write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override;

    // Where warnings go (unreadable lines, failed saves); nullptr restores stderr.
    void SetWarningSink(WarningSink sink);

    const std::filesystem::path& Path() const { return path_; }

    // The escaping of keys and values, exposed for tests.
    static std::string EscapeText(const std::string& text, bool isKey);
    static std::optional<std::string> UnescapeText(const std::string& escaped);

  private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Section = std::map<std::string, std::string, NameLess>;
    using SectionName = std::pair<std::string, std::string>;  // app, section
    struct SectionNameLess {
        bool operator()(const SectionName& a, const SectionName& b) const;
    };

    // Identity of the file's content as last read: changes with every rewrite.
    struct FileStamp {
        bool exists = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, mtimeSeconds = 0, mtimeNanoseconds = 0;
        int64_t ctimeSeconds = 0, ctimeNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static std::optional<FileStamp> StampOf(const std::filesystem::path& file, int& error);

    void RefreshIfChanged();
    void Load(const FileStamp& stamp);
    bool SaveFile(std::string& error);
    std::string Serialize() const;
    void Warn(const std::string& message);

    std::filesystem::path path_;
    WarningSink warn_;
    std::map<SectionName, Section, SectionNameLess> sections_;
    std::optional<FileStamp> loaded_;
    // The file exists but could not be read: rewriting it would lose its values.
    bool unreadable_ = false;
    // The last read skipped malformed lines: the next save keeps a copy of the file.
    bool hadBadLines_ = false;
};

}  // namespace linuxplatform
