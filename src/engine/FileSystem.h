#pragma once

#include <atomic>
#include <dirent.h>
#include <optional>
#include <string>
#include <string_view>

// The thin POSIX layer under the copy job: directory listing, and copies that reach their
// destination name only when complete.
namespace kolvane::filesystem {

// An existing entry that is not a directory, links followed.
bool IsExistingFile(const std::string& path);

// The error a copy refusing to replace a destination file without any write permission returns;
// no errno has this value.
inline constexpr int kReadOnlyDestination = -1;

// What the user is told about a failure; codes without a kind of their own are Other.
enum class ErrorKind {
    PermissionDenied,
    DiskFull,
    NotFound,
    ReadOnlyDestination,
    ReadOnlyFileSystem,
    NameTooLong,
    InUse,
    Other
};
ErrorKind KindOfError(int error);
// The system's own text for an error code.
std::string SystemErrorText(int error);

// The path with every link, "." and ".." resolved, of an existing entry; nothing otherwise.
std::optional<std::string> CanonicalPath(const std::string& path);

// Whether a process with this id exists (of any user).
bool IsProcessRunning(long pid);

// Removes from `directory` every temporary of the copy job's naming whose owner process is no
// longer running. Temporaries carry the program's prefix and their owner's process id, so
// nothing else is ever touched: neither other names nor the temporaries of live jobs.
void RemoveStaleTemporaries(const std::string& directory);

enum class EntryType { File, Directory, Link, Other };

struct DirectoryEntry {
    std::string_view name; // valid until the next call to Next
    EntryType type;
};

// Lists one directory, "." and ".." left out. Opens `name` relative to the directory `parent`
// (AT_FDCWD for the working directory); a link is followed only when `followLink` is set.
class DirectoryListing {
public:
    DirectoryListing(int parent, const char* name, bool followLink);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    explicit operator bool() const { return directory_ != nullptr; }
    int error() const { return error_; } // why the directory could not be opened
    int descriptor() const;
    std::optional<DirectoryEntry> Next();

private:
    DIR* directory_ = nullptr;
    int error_ = 0;
};

// Makes `path` a real, empty directory when it is a symbolic link, so that nothing is written
// through it. Returns 0, ENOENT when nothing is there, or the errno of the failure.
int ReplaceLinkByDirectory(const std::string& path);

// Copies content, permission bits and last-write time of a regular file through a temporary file
// in the destination's directory, renamed over the destination when complete. Returns 0 or the
// errno of the failure; ECANCELED when `stop` was raised during the copy; kReadOnlyDestination
// when the destination file has no write permission at all. A link as `source` is
// followed only when `followSource` is set. Nothing is left behind on failure.
int CopyFileAtomically(const std::string& source, const std::string& destination, bool followSource,
                       const std::atomic<bool>& stop);

// Recreates the link `source` (not what it points to) under `destination` the same way.
int CopyLinkAtomically(const std::string& source, const std::string& destination);

} // namespace kolvane::filesystem
