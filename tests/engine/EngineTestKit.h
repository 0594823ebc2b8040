#pragma once

#include "engine/Clock.h"

#include <chrono>
#include <thread>

namespace kolvane::testing {

// Jobs read the time on their workers, so tests set it only while no job runs.
struct FakeClock final : Clock {
    LocalDateTime time{2026, 3, 1, 8, 0, 5, 0};
    LocalDateTime Now() const override { return time; }
};

// For conditions nobody signals, such as a file appearing: checked often, up to a deadline.
template <typename Predicate> bool waitUntil(Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!predicate() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return predicate();
}

} // namespace kolvane::testing
