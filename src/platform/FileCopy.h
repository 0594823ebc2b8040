#pragma once

#include "platform/SystemError.h"

#include <atomic>
#include <string>

// Copies that reach their destination name only when complete.
namespace kolvane::platform {

struct CopyOptions {
    // A link as the source is followed; otherwise it is refused.
    bool followSource = false;
    // The destination's directory was just made by the caller, so no file is expected under the
    // destination's name and none is looked for first; one found there all the same is replaced
    // as usual. Where looking costs nothing extra, this is not read.
    bool destinationIsNew = false;
};

// Copies content, permission bits or attributes, and last-write time of a regular file through a
// temporary file in the destination's directory, renamed over the destination when complete.
// Refuses to replace a destination that is read-only (ReadOnlyDestinationError: on POSIX one
// without any write permission bit, whoever runs) or, on Windows, hidden (AccessDeniedError).
// On POSIX a destination that already holds the source's content, permission bits and time is
// left as it is, unwritten.
// Returns 0 or the code of the failure; CancelledError when `stop` was raised during the copy.
// Nothing is left behind on failure. Safe to call from several threads at once.
SystemError CopyFileAtomically(const std::string& source, const std::string& destination,
                               CopyOptions options, const std::atomic<bool>& stop);

// Recreates the link `source` (not what it points to) under `destination` the same way.
SystemError CopyLinkAtomically(const std::string& source, const std::string& destination);

// Makes `path` a real, empty directory when it is a link, so that nothing is written through it.
// Returns 0 when `path` is no link or was replaced, a not-found code when nothing is there, or
// the code of the failure.
SystemError ReplaceLinkByDirectory(const std::string& path);

// Removes from `directory` every temporary of the copies' naming whose owner process is no
// longer running: nothing else is ever touched, neither other names nor the temporaries of live
// jobs.
void RemoveStaleCopyTemporaries(const std::string& directory);

} // namespace kolvane::platform
