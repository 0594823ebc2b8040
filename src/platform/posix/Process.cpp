#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
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

} // namespace kolvane::platform
