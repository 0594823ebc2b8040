#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace kolvane::platform {

ProcessId CurrentProcessId() {
    return static_cast<ProcessId>(::getpid());
}

bool IsProcessAlive(ProcessId process) {
    // A process of another user cannot be signalled, but it is there.
    return ::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
}

} // namespace kolvane::platform
