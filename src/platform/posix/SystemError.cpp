#include "platform/SystemError.h"

#include <cerrno>
#include <system_error>

namespace kolvane::platform {

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

std::string ErrorReason(SystemError error) {
    return std::generic_category().message(error);
}

} // namespace kolvane::platform
