#pragma once

#include "base/TimeText.h"

namespace kolvane {

// The source of the current local time. Shared with copy jobs, so Now() must be thread-safe.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
};

} // namespace kolvane
