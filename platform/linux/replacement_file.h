#pragma once

// Replacing a file whole and atomically: the new content is written to one temporary
// file in the same folder, ".tessaly-save.NAME.XXXXXX" (XXXXXX as mkstemp makes it),
// which is renamed over NAME once complete, so NAME is always either the old file or
// the new one.
//
// The writer holds an exclusive flock on its temporary file for as long as it exists. A
// save killed half-way leaves the file behind, and the kernel releases its lock with the
// process, so "named as ours and its lock is free" tells a stale temporary from one a
// running save still writes (a pid in the name could not: pids are reused). Creating a
// replacement first removes the stale temporaries of the same NAME; other files, however
// similar their names, are never touched. Where flock is local to one machine (some
// network file systems) another machine's running save can look stale; its rename then
// fails with an error and the workbook stays as it was.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace linuxplatform {

// The file a save to path replaces: a symbolic link's target, so that the file the user
// keeps elsewhere is the one saved and the link stays a link; path itself otherwise.
std::string ReplacementTarget(const std::string& path);

// Whether path is a file this user must not replace: one no one may write (no write bit
// at all, the read-only mark of a spreadsheet user, which binds the superuser too), or
// one this user may not write. False when there is no such file.
bool IsReadOnly(const std::string& path);

// Removes the temporaries of ReplacementTarget(path) that no running save holds.
void RemoveStaleReplacements(const std::string& path);

class ReplacementFile {
  public:
    // Removes the stale temporaries of ReplacementTarget(target) and creates a new one
    // beside it, locked; Error() is the errno when that failed.
    explicit ReplacementFile(const std::string& target);
    // The temporary file goes, unless Commit put it in target's place.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    int Error() const { return error_; }
    const std::string& Path() const { return path_; }

    // Appends bytes; 0 or the errno of the failed write.
    int Write(std::string_view bytes);
    // Puts the written file in target's place: on disk first, with the mode (and, where
    // this user may, the owner) of the file it replaces, or newFileMode less the umask
    // when there is none. 0 or the errno of the failed step; on failure target is as it was.
    int Commit(mode_t newFileMode);

  private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

}  // namespace linuxplatform
