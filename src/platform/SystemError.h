#pragma once

#include <string>

namespace kolvane::platform {

// The operating system's code for a failed call: errno on POSIX, GetLastError() on Windows.
// 0 means success.
using SystemError = int;

bool IsNotFound(SystemError error);
bool IsAlreadyExisting(SystemError error);
// What a copy returns when it was asked to stop.
SystemError CancelledError();
// What a copy returns when it refuses to replace a hidden destination file (Windows).
SystemError AccessDeniedError();
// What a copy returns when it refuses to replace a read-only destination file.
SystemError ReadOnlyDestinationError();

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
ErrorKind KindOfError(SystemError error);

// The system's own text for the code, UTF-8.
std::string ErrorReason(SystemError error);

} // namespace kolvane::platform
