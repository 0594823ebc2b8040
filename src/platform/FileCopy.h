#pragma once

#include "platform/SystemError.h"

#include <atomic>
#include <string>

// Copies that reach their destination name only when complete.
namespace kolvane::platform {

// Copies content, permission bits or attributes, and last-write time of a regular file through a
// temporary file in the destination's directory, renamed over the destination when complete.
// Refuses to replace a destination that is read-only (ReadOnlyDestinationError: on POSIX one
// without any write permission bit, whoever runs) or, on Windows, hidden (AccessDeniedError).
// Returns 0 or the code of the failure; CancelledError when `stop` was raised during the copy.
// A link as `source` is followed only when `followSource` is set. Nothing is left behind on
// failure.
SystemError CopyFileAtomically(const std::string& source, const std::string& destination,
                               bool followSource, const std::atomic<bool>& stop);

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
