#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

namespace kolvane::platform {

ProcessId CurrentProcessId() {
    return static_cast<ProcessId>(::getpid());
}

bool IsProcessAlive(ProcessId process) {
    // No process has such an id, and kill() would take it for a process group: count it as
    // alive, so that nothing of it is taken away.
    if (process == 0 || process > INT32_MAX)
        return true;
    // A process of another user answers EPERM: it runs all the same.
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

void LowerThreadPriority() {
    // On Linux a thread has a nice value of its own, addressed by its thread id, and passes it on
    // to the threads it makes; the step is taken from the main thread's, which the process id
    // addresses, so that a thread made by a lowered one ends on the same value.
    constexpr int kStep = 5, kLowest = 19;
    errno = 0;
    const int program = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()),
                      std::min(program + kStep, kLowest));
}

} // namespace kolvane::platform
