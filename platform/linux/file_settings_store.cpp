#include "platform/linux/file_settings_store.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "platform/linux/replacement_file.h"

namespace linuxplatform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "settings.ini";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* HexDigits() {
    return "0123456789ABCDEF";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendHexByte(std::string& out, const char* prefix, unsigned char byte) {
    out += prefix;
    out += HexDigits()[byte >> 4];
    out += HexDigits()[byte & 0xF];
}

// Length of the well-formed UTF-8 sequence at text[i], or 0 when it is not one.
size_t Utf8SequenceLength(const std::string& text, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char min2 = 0x80, max2 = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) min2 = 0xA0;
        if (lead == 0xED) max2 = 0x9F;  // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) min2 = 0x90;
        if (lead == 0xF4) max2 = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (b(i + 1) < min2 || b(i + 1) > max2) return 0;
    for (size_t k = 2; k < length; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return length;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// Header names: %HH for "%", "\", "[", "]", control bytes and bytes that are not UTF-8.
std::string PercentEncode(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const size_t n = Utf8SequenceLength(name, i);
        if (n == 0 || IsControl(c) || c == '%' || c == '\\' || c == '[' || c == ']') {
            AppendHexByte(out, "%", c);
            ++i;
        } else {
            out.append(name, i, n);
            i += n;
        }
    }
    return out;
}

std::optional<std::string> PercentDecode(const std::string& encoded) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            if (i + 2 >= encoded.size()) return std::nullopt;
            const int hi = HexValue(encoded[i + 1]);
            const int lo = HexValue(encoded[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (IsControl(static_cast<unsigned char>(c)) || c == '[' || c == ']' || c == '\\') {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string Describe(const std::error_code& ec) {
    return ec.message();
}
std::string DescribeErrno(int error) {
    return std::strerror(error);
}

}  // namespace

// Nothing when the file cannot be examined for another reason than being absent.
std::optional<FileSettingsStore::FileStamp> FileSettingsStore::StampOf(const fs::path& file,
                                                                       int& error) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        error = errno;
        if (error == ENOENT || error == ENOTDIR) return stamp;
        return std::nullopt;
    }
    stamp.exists = true;
    stamp.device = static_cast<uint64_t>(st.st_dev);
    stamp.inode = static_cast<uint64_t>(st.st_ino);
    stamp.size = static_cast<int64_t>(st.st_size);
    stamp.mtimeSeconds = static_cast<int64_t>(st.st_mtim.tv_sec);
    stamp.mtimeNanoseconds = static_cast<int64_t>(st.st_mtim.tv_nsec);
    // A change of permissions changes only this one.
    stamp.ctimeSeconds = static_cast<int64_t>(st.st_ctim.tv_sec);
    stamp.ctimeNanoseconds = static_cast<int64_t>(st.st_ctim.tv_nsec);
    return stamp;
}

bool FileSettingsStore::NameLess::operator()(const std::string& a, const std::string& b) const {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = AsciiLower(a[i]);
        const char y = AsciiLower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

bool FileSettingsStore::SectionNameLess::operator()(const SectionName& a,
                                                    const SectionName& b) const {
    NameLess less;
    if (less(a.first, b.first)) return true;
    if (less(b.first, a.first)) return false;
    return less(a.second, b.second);
}

fs::path FileSettingsStore::DefaultPath() {
    const std::string override = EnvOrEmpty("TESSALY_CONFIG_DIR");
    if (!override.empty()) return fs::path(override) / kFileName;
    // A relative XDG_CONFIG_HOME is invalid and is ignored.
    const std::string xdg = EnvOrEmpty("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/') return fs::path(xdg) / "tessaly" / kFileName;
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) {
        const struct passwd* user = ::getpwuid(::getuid());
        home = (user && user->pw_dir && *user->pw_dir) ? user->pw_dir : ".";
    }
    return fs::path(home) / ".config" / "tessaly" / kFileName;
}

FileSettingsStore::FileSettingsStore() : FileSettingsStore(DefaultPath()) {}

FileSettingsStore::FileSettingsStore(fs::path file) : path_(std::move(file)) {}

void FileSettingsStore::SetWarningSink(WarningSink sink) {
    warn_ = std::move(sink);
}

void FileSettingsStore::Warn(const std::string& message) {
    if (warn_) {
        warn_(message);
    } else {
        std::cerr << "tessaly: " << message << '\n';
    }
}

std::string FileSettingsStore::EscapeText(const std::string& text, bool isKey) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        const bool atEdge = (i == 0 || i + 1 == text.size());
        const size_t n = Utf8SequenceLength(text, i);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (n == 0 || IsControl(u) || (c == ' ' && atEdge) ||
                   (isKey && (c == '=' || (i == 0 && (c == '[' || c == ';' || c == '#'))))) {
            // Blanks at either end would be trimmed, "=" would end a key, and a key
            // that starts like a header or a comment would not read back as a key.
            AppendHexByte(out, "\\x", u);
        } else {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
    }
    return out;
}

std::optional<std::string> FileSettingsStore::UnescapeText(const std::string& escaped) {
    std::string out;
    for (size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\') {
            if (IsControl(static_cast<unsigned char>(c)) && c != '\t') return std::nullopt;
            out += c;
            continue;
        }
        if (i + 1 >= escaped.size()) return std::nullopt;  // unterminated escape
        const char what = escaped[++i];
        switch (what) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (i + 2 >= escaped.size()) return std::nullopt;
                const int hi = HexValue(escaped[i + 1]);
                const int lo = HexValue(escaped[i + 2]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

void FileSettingsStore::RefreshIfChanged() {
    int error = 0;
    std::optional<FileStamp> stamp = StampOf(path_, error);
    if (!stamp) {
        if (!unreadable_)
            Warn("cannot read settings file " + path_.string() + ": " + DescribeErrno(error));
        unreadable_ = true;
        loaded_.reset();
        return;
    }
    if (loaded_ && *loaded_ == *stamp) return;
    Load(*stamp);
}

void FileSettingsStore::Load(const FileStamp& stamp) {
    hadBadLines_ = false;
    unreadable_ = false;
    if (!stamp.exists) {
        sections_.clear();
        loaded_ = stamp;
        return;
    }
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad()) {
        const int error = errno;
        Warn("cannot read settings file " + path_.string() + ": " + DescribeErrno(error) +
             "; settings are not saved until it can be read");
        // The values read before stay in effect; the file is tried again once it changes.
        unreadable_ = true;
        loaded_ = stamp;
        return;
    }

    sections_.clear();
    const std::string text = content.str();
    std::vector<std::string> problems;
    size_t badLines = 0;
    const SectionName* current = nullptr;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        const bool terminated = end != std::string::npos;
        if (!terminated) end = text.size();
        std::string line = text.substr(start, end - start);
        start = terminated ? end + 1 : end;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();  // edited on Windows

        std::string problem;
        std::string_view body = Trim(line);
        if (!IsValidUtf8(line)) {
            problem = "bytes that are not UTF-8 text";
        } else if (body.empty() || body.front() == ';' || body.front() == '#') {
            continue;
        } else if (body.front() == '[') {
            current = nullptr;
            const size_t separator = body.find('\\');
            std::optional<std::string> app, section;
            if (body.back() == ']' && separator != std::string_view::npos) {
                app = PercentDecode(std::string(body.substr(1, separator - 1)));
                section = PercentDecode(
                    std::string(body.substr(separator + 1, body.size() - separator - 2)));
            }
            if (!app || !section) {
                problem = "a section header that is not [application\\section]";
            } else {
                auto it = sections_.try_emplace(SectionName{*app, *section}).first;
                current = &it->first;
            }
        } else {
            const size_t equals = body.find('=');
            if (equals == std::string_view::npos) {
                problem = "no \"=\"";
            } else if (!current) {
                problem = "a value outside any valid section";
            } else {
                std::optional<std::string> key =
                    UnescapeText(std::string(Trim(body.substr(0, equals))));
                std::optional<std::string> value =
                    UnescapeText(std::string(Trim(body.substr(equals + 1))));
                if (!key || !value) {
                    problem = "a broken escape sequence";
                } else if (key->empty()) {
                    problem = "an empty key";
                } else {
                    sections_[*current].insert_or_assign(*key, *value);
                }
            }
        }
        if (!problem.empty()) {
            ++badLines;
            if (problems.size() < 5)
                problems.push_back("line " + std::to_string(lineNumber) + " (" + problem + ")");
        }
    }
    loaded_ = stamp;

    if (badLines > 0) {
        hadBadLines_ = true;
        std::string message = "settings file " + path_.string() + ": skipped ";
        for (size_t i = 0; i < problems.size(); ++i) message += (i ? ", " : "") + problems[i];
        if (badLines > problems.size())
            message += " and " + std::to_string(badLines - problems.size()) + " more lines";
        message += "; the other values were kept";
        Warn(message);
    }
}

std::optional<std::string> FileSettingsStore::Read(const std::string& app,
                                                   const std::string& section,
                                                   const std::string& key) {
    RefreshIfChanged();
    auto s = sections_.find(SectionName{app, section});
    if (s == sections_.end()) return std::nullopt;
    auto v = s->second.find(key);
    if (v == s->second.end()) return std::nullopt;
    return v->second;
}

void FileSettingsStore::Write(const std::string& app, const std::string& section,
                              const std::string& key, const std::string& value) {
    RefreshIfChanged();
    sections_[SectionName{app, section}].insert_or_assign(key, value);
    const std::string what = "setting " + app + "\\" + section + "\\" + key;
    if (unreadable_) {
        Warn(what + " not saved: the settings file " + path_.string() +
             " cannot be read, and rewriting it would lose its values");
        return;
    }
    std::string error;
    if (!SaveFile(error)) Warn(what + " not saved to " + path_.string() + ": " + error);
}

std::string FileSettingsStore::Serialize() const {
    std::string out =
        "; Tessaly settings. In keys and values \\\\ \\n \\r \\t \\xHH are escapes.\n";
    for (const auto& [name, values] : sections_) {
        if (values.empty()) continue;
        out += "\n[" + PercentEncode(name.first) + "\\" + PercentEncode(name.second) + "]\n";
        for (const auto& [key, value] : values)
            out += EscapeText(key, true) + "=" + EscapeText(value, false) + "\n";
    }
    return out;
}

bool FileSettingsStore::SaveFile(std::string& error) {
    const fs::path target = ReplacementTarget(path_.string());
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    fs::create_directories(directory, ec);
    if (ec) {
        error = "cannot create directory " + directory.string() + ": " + Describe(ec);
        return false;
    }

    if (IsReadOnly(target)) {
        error = "the file is read-only";
        return false;
    }
    ReplacementFile temporary(target.string());
    if (temporary.Error() != 0) {
        error = "cannot create a file in " + directory.string() + ": " +
                DescribeErrno(temporary.Error());
        return false;
    }
    int failure = temporary.Write(Serialize());
    if (failure == 0 && hadBadLines_) {
        // Keep the damaged file next to the new one: its skipped lines are not lost.
        fs::copy_file(target, fs::path(target.string() + ".bad"),
                      fs::copy_options::overwrite_existing, ec);
    }
    // A new settings file is for this user's eyes only.
    if (failure == 0) failure = temporary.Commit(0600);
    if (failure != 0) {
        error = DescribeErrno(failure);
        return false;
    }
    hadBadLines_ = false;
    // What is in memory is now what is on disk.
    int statError = 0;
    loaded_ = StampOf(path_, statError);
    return true;
}

}  // namespace linuxplatform
