#pragma once

#include "base/TimeText.h"

namespace kolvane::platform {

// The wall-clock time in the system's time zone, to the millisecond.
LocalDateTime LocalNow();

} // namespace kolvane::platform
