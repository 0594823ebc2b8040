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
// What a copy returns when it refuses to replace a protected destination file.
SystemError AccessDeniedError();

// The text a failure line shows for the code, UTF-8.
std::string ErrorReason(SystemError error);

} // namespace kolvane::platform
