#include "platform/SystemError.h"

#include <cerrno>
#include <system_error>

namespace kolvane::platform {
namespace {

// No errno has this value.
constexpr SystemError kReadOnlyDestination = -1;

} // namespace

bool IsNotFound(SystemError error) {
    return error == ENOENT;
}

bool IsAlreadyExisting(SystemError error) {
    return error == EEXIST;
}

SystemError CancelledError() {
    return ECANCELED;
}

SystemError AccessDeniedError() {
    return EACCES;
}

SystemError ReadOnlyDestinationError() {
    return kReadOnlyDestination;
}

ErrorKind KindOfError(SystemError error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return ErrorKind::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return ErrorKind::DiskFull;
    case ENOENT:
        return ErrorKind::NotFound;
    case kReadOnlyDestination:
        return ErrorKind::ReadOnlyDestination;
    case EROFS:
        return ErrorKind::ReadOnlyFileSystem;
    case ENAMETOOLONG:
        return ErrorKind::NameTooLong;
    case EBUSY:
    case ETXTBSY:
        return ErrorKind::InUse;
    default:
        return ErrorKind::Other;
    }
}

std::string ErrorReason(SystemError error) {
    return std::generic_category().message(error);
}

} // namespace kolvane::platform
