#pragma once

#include "platform/FileCopy.h"

#include <atomic>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Copies reached through open directories: a job's entries come directory by directory, and
// naming each relative to its open directory spares walking the whole path for every call.
namespace kolvane::platform::posix {

// A file named relative to an open directory, or by a whole path from AT_FDCWD. Temporaries
// for it are named in `folder` relative to the same directory: the path's directory part (with
// its separator) for a whole path, nothing for a name in an open directory.
struct FileAt {
    FileAt(int in, const char* named, std::string_view temporariesIn = {})
        : directory(in), name(named), folder(temporariesIn) {}
    int directory;
    const char* name;
    std::string_view folder;
};

// The permission bits that a file made in `directory` loses of the mode it is made with: the
// umask, unless a default ACL decides there instead; nothing when that cannot be told.
std::optional<mode_t> CreationMaskOf(const std::string& directory);

// CopyFileAtomically of `source` to `destination`. With the destination directory's creation
// mask known, a new copy is made with the source's permission bits at once where the mask takes
// none of them away, which spares changing its mode afterwards.
SystemError CopyFileAt(const FileAt& source, const FileAt& destination, CopyOptions options,
                       const std::atomic<bool>& stop, std::optional<mode_t> creationMask);

} // namespace kolvane::platform::posix
