#include "engine/CatchUp.h"

#include "store/IntegerText.h"

#include <cstdlib>

namespace kolvane {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

int SecondOfDay(std::int64_t civilSeconds) {
    return static_cast<int>(((civilSeconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay);
}

} // namespace

std::optional<std::int64_t> LatestDueTime(const std::string& timeCell,
                                          const std::string& intervalCell,
                                          const LocalDateTime& now) {
    const std::optional<int> start = ParseTimeOfDay(timeCell);
    const int startSecond = start.value_or(-1);
    // The daily rule compares texts, so only a cell in the exact form is ever due by it.
    const int daily = start && FormatSecondOfDay(startSecond) == timeCell ? startSecond : -1;
    const std::int32_t interval = IntegerOr(intervalCell, 0);
    const std::int64_t step = interval > 0 && start ? std::int64_t{interval} * 60 : 0;
    if (daily < 0 && step == 0)
        return std::nullopt;
    const std::int64_t current = CivilSeconds(now);
    for (std::int64_t back = 0; back < kSecondsPerDay; ++back) {
        const int second = SecondOfDay(current - back);
        if (second == daily || (step > 0 && std::abs(second - startSecond) % step == 0))
            return current - back;
    }
    return std::nullopt;
}

bool IsRunMissed(const std::string& timeCell, const std::string& intervalCell,
                 const std::string& lastRun, const LocalDateTime& now) {
    const std::optional<LocalDateTime> last = ParseTimeStamp(lastRun);
    if (!last)
        return false;
    const std::optional<std::int64_t> due = LatestDueTime(timeCell, intervalCell, now);
    return due && *due != CivilSeconds(now) && CivilSeconds(*last) < *due;
}

} // namespace kolvane
