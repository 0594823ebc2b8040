#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// The time-named sub-directories a task's runs make in its destination ("yyyymmdd-hhnnss").
// Their names sort in the order of the runs' times.

// Exactly eight digits of a date, a hyphen and six digits of a time of day.
bool IsTimeNamed(std::string_view name);

// The names of the time-named directories directly in `root` (links, files and other names
// left out), oldest first; none when it cannot be listed.
std::vector<std::string> ListTimeNamedRuns(const std::string& root);

// The newest of `runs` (oldest first) older than `name`.
std::optional<std::string> NewestRunBefore(const std::vector<std::string>& runs,
                                           std::string_view name);

// Of `runs` (oldest first), those beyond the newest `keepLast`, oldest first, leaving out the run
// just made and every run that a running job writes into.
std::vector<std::string> RunsToRemove(const std::vector<std::string>& runs, int keepLast,
                                      std::string_view justMade,
                                      const std::vector<std::string>& inUse);

} // namespace kolvane
