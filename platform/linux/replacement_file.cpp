#include "platform/linux/replacement_file.h"

#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace linuxplatform {

namespace {

constexpr std::string_view kPrefix = ".tessaly-save.";
constexpr size_t kUniqueLength = 6;  // the XXXXXX of mkstemp

struct Location {
    std::string folder;  // "" or ending in "/"
    std::string name;
};

Location LocationOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string TemplateFor(const std::string& name) {
    return std::string(kPrefix) + name + "." + std::string(kUniqueLength, 'X');
}

bool IsTemporaryOf(std::string_view candidate, const std::string& name) {
    const std::string stem = std::string(kPrefix) + name + ".";
    if (candidate.size() != stem.size() + kUniqueLength || !candidate.starts_with(stem))
        return false;
    for (const char c : candidate.substr(stem.size()))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool IsReadOnly(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

void RemoveStaleReplacements(const std::string& path) {
    const Location at = LocationOf(ReplacementTarget(path));
    DIR* dir = opendir(at.folder.empty() ? "." : at.folder.c_str());
    if (dir == nullptr) return;
    const int folder = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        if (!IsTemporaryOf(entry->d_name, at.name)) continue;
        const int fd =
            openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened;
        struct stat named;
        // The lock is free only when no process has the file open for a save; the name
        // must still be the file that was locked when it goes.
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(opened, named)) {
            unlinkat(folder, entry->d_name, 0);
        }
        close(fd);
    }
    closedir(dir);
}

std::string ReplacementTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(ReplacementTarget(target)) {
    RemoveStaleReplacements(target_);
    const Location at = LocationOf(target_);
    // Another process cleaning up may take the new file for stale in the moment before
    // it is locked; it is then gone, and a new one is made.
    for (int attempt = 0; attempt < 8; ++attempt) {
        path_ = at.folder + TemplateFor(at.name);
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        // Where the file system has no locks, no file counts as stale either.
        if (flock(fd_, LOCK_EX) != 0) return;
        struct stat opened;
        struct stat named;
        if (fstat(fd_, &opened) == 0 && lstat(path_.c_str(), &named) == 0 &&
            SameFile(opened, named)) {
            return;
        }
        close(fd_);
        fd_ = -1;
    }
    error_ = EAGAIN;
}

ReplacementFile::~ReplacementFile() {
    if (fd_ < 0) return;
    if (!committed_) unlink(path_.c_str());
    close(fd_);
}

int ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

int ReplacementFile::Commit(mode_t newFileMode) {
    struct stat existing;
    mode_t mode = 0;
    if (stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
        // Only the superuser may give a file away, and only a member of a group give it to
        // that group: otherwise the new file is this user's. The mode is set after, as
        // changing the owner clears the set-id bits. Neither keeps a save from happening.
        if (fchown(fd_, existing.st_uid, existing.st_gid) != 0 &&
            fchown(fd_, static_cast<uid_t>(-1), existing.st_gid) != 0) {
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = newFileMode & ~mask;
    }
    fchmod(fd_, mode);  // file systems without modes (vfat) save all the same
    // The data must be on disk before the name points at it.
    if (fsync(fd_) != 0 || rename(path_.c_str(), target_.c_str()) != 0) return errno;
    committed_ = true;
    const Location at = LocationOf(target_);
    const int folder =
        open(at.folder.empty() ? "." : at.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return 0;
}

}  // namespace linuxplatform
