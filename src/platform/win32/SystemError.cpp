#include "platform/SystemError.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

namespace kolvane::platform {

bool IsNotFound(SystemError error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAlreadyExisting(SystemError error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

SystemError CancelledError() {
    return ERROR_REQUEST_ABORTED;
}

SystemError AccessDeniedError() {
    return ERROR_ACCESS_DENIED;
}

SystemError ReadOnlyDestinationError() {
    return ERROR_FILE_READ_ONLY;
}

ErrorKind KindOfError(SystemError error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return ErrorKind::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ErrorKind::DiskFull;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ErrorKind::NotFound;
    case ERROR_FILE_READ_ONLY:
        return ErrorKind::ReadOnlyDestination;
    case ERROR_WRITE_PROTECT:
        return ErrorKind::ReadOnlyFileSystem;
    case ERROR_FILENAME_EXCED_RANGE:
        return ErrorKind::NameTooLong;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return ErrorKind::InUse;
    default:
        return ErrorKind::Other;
    }
}

// The system's own text in the user's language, without the full stop and line end it carries.
std::string ErrorReason(SystemError error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0)
        return "error " + std::to_string(error);
    std::wstring_view reason(text, length);
    while (!reason.empty() &&
           (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' ' ||
            reason.back() == L'.' || reason.back() == L'\x3002'))
        reason.remove_suffix(1);
    std::string utf8 = win32::Utf8(reason);
    ::LocalFree(text);
    return utf8;
}

} // namespace kolvane::platform
