#pragma once

#include <string>

namespace kolvane::testing {

// The tasks of the run-count trials, named alike by the test and by the writer it kills.
inline std::string CountedTaskName(int task) {
    return "任务 " + std::to_string(task);
}

} // namespace kolvane::testing
