#include "engine/Clock.h"

#include "platform/LocalTime.h"

namespace kolvane {

LocalDateTime SystemClock::Now() const {
    return platform::LocalNow();
}

} // namespace kolvane
