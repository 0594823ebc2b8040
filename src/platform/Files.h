#pragma once

#include "platform/SystemError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Whole files and directories, named by UTF-8 paths.
namespace kolvane::platform {

// What tells one state of a file from another: a file replaced by a rename shows a new file
// number, a file rewritten in place a new size or modification time.
struct FileIdentity {
    std::uint64_t volume = 0, file = 0;
    std::int64_t size = -1, modifiedSeconds = 0, modifiedNanoseconds = 0;
    bool exists = false;
    bool operator==(const FileIdentity&) const = default;
};

// Links followed; a file that cannot be looked at shows as missing.
FileIdentity IdentityOf(const std::string& path);

// A missing file reads as empty; nothing when the file exists but cannot be read in full.
std::optional<std::string> ReadWholeFile(const std::string& path);

// An existing entry that is not a directory, links followed.
bool IsExistingFile(const std::string& path);
bool IsDirectory(const std::string& path);

// An existing file that must not be written: on POSIX one without any write permission bit
// (whoever runs the program), on Windows one with the read-only attribute.
bool IsReadOnly(const std::string& path);

SystemError MakeDirectory(const std::string& path);
// Removes a file or a link (never what it points to).
SystemError RemoveFile(const std::string& path);

// The path with every link, "." and ".." resolved, of an existing entry; nothing otherwise.
std::optional<std::string> CanonicalPath(const std::string& path);

// Replaces the file's content with `content` atomically: written under a temporary name beside
// it, flushed to disk and renamed over it, keeping the permission bits (POSIX) or attributes
// (Windows) of the file it replaces. Returns false, with the file unchanged and no temporary
// left, when any step fails.
bool ReplaceFileContent(const std::string& path, std::string_view content);

// An instance killed while it replaced `path` leaves its temporary behind. Removes beside `path`
// every temporary of ReplaceFileContent's naming for that file whose owner process has ended;
// nothing else is touched, neither other names nor the temporaries of live writers.
void RemoveStaleReplacementTemporaries(const std::string& path);

// The lock under which every instance of the program writes the file `path`. Blocks until it is
// held or has failed; released by the destructor, or by the system when the process ends.
class WriteLock {
public:
    explicit WriteLock(const std::string& path);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    bool held() const;

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

} // namespace kolvane::platform
