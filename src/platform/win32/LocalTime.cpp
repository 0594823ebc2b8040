#include "platform/LocalTime.h"

#include "platform/win32/Windows.h"

namespace kolvane::platform {

LocalDateTime LocalNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalDateTime{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                         now.wMinute, now.wSecond, now.wMilliseconds};
}

} // namespace kolvane::platform
