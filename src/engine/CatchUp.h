#pragma once

#include "base/TimeText.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kolvane {

// The latest second (counted as CivilSeconds) within the day up to `now`, `now` included, at which
// a row with these time and interval cells is due by the scheduler's rules; nothing when there is
// none (a time cell that is no time of day and no interval).
std::optional<std::int64_t> LatestDueTime(const std::string& timeCell,
                                          const std::string& intervalCell,
                                          const LocalDateTime& now);

// Whether a task due by these cells was due, within the last day, after the run whose stamp is
// `lastRun` started. A due time of the current second is the scheduler's to run, not a missed
// one; without a readable lastRun nothing is known to be missed.
bool IsRunMissed(const std::string& timeCell, const std::string& intervalCell,
                 const std::string& lastRun, const LocalDateTime& now);

} // namespace kolvane
