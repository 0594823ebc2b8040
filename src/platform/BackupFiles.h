#pragma once

#include "platform/FileCopy.h"
#include "platform/SystemError.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What incremental backups need beyond copies: telling an unchanged file, sharing one copy
// between two backups, and removing an old backup whole. Paths are UTF-8.
namespace kolvane::platform {

#ifdef _WIN32
inline constexpr bool kNamesIgnoreLetterCase = true;
#else
inline constexpr bool kNamesIgnoreLetterCase = false;
#endif

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
};

// The stamp of an entry that is a regular file itself; nothing for a link, a directory, anything
// else or a missing entry.
std::optional<FileStamp> RegularFileStamp(const std::string& path);

// One directory whose entries are reached by their names in it, which spares walking the whole
// path for each. Belongs to one thread.
class NamedDirectory {
public:
    NamedDirectory();
    ~NamedDirectory();
    NamedDirectory(const NamedDirectory&) = delete;
    NamedDirectory& operator=(const NamedDirectory&) = delete;

    // Looks in `path` from now on (following it when it is a link); a directory that cannot be
    // opened has no entries.
    void Open(const std::string& path);
    // RegularFileStamp of the entry `name` of the directory.
    std::optional<FileStamp> Of(std::string_view name) const;
    // MakeHardLink of the entry `name` to the same name in `target`.
    SystemError LinkInto(std::string_view name, const NamedDirectory& target) const;
    // CopyFileAtomically of the entry `name` to the same name in `target`.
    SystemError CopyInto(std::string_view name, const NamedDirectory& target, CopyOptions options,
                         const std::atomic<bool>& stop) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Same size and modification time. A file system that keeps whole seconds only shows no fraction,
// so then the seconds alone decide.
inline bool SameStamp(const FileStamp& a, const FileStamp& b) {
    if (a.size != b.size || a.modifiedSeconds != b.modifiedSeconds)
        return false;
    return a.modifiedNanoseconds == b.modifiedNanoseconds || a.modifiedNanoseconds == 0 ||
           b.modifiedNanoseconds == 0;
}

// Gives the existing file `existing` the further name `link` (a hard link). Fails, among other
// reasons, across volumes, on file systems without such links and at a file's link limit.
SystemError MakeHardLink(const std::string& existing, const std::string& link);

// Removes the directory `path` with everything below it; links inside are removed, never
// followed. Stops at the first failure and returns its code; what was removed stays removed.
SystemError RemoveDirectoryTree(const std::string& path);

} // namespace kolvane::platform
