#include "platform/Process.h"

#include "platform/win32/Handle.h"

namespace kolvane::platform {

ProcessId CurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool IsProcessAlive(ProcessId process) {
    win32::Handle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    // A process the caller may not look at runs all the same.
    if (!handle)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    const BOOL known = ::GetExitCodeProcess(handle.get(), &exitCode);
    // A process that ended with the code STILL_ACTIVE shows as running: it is kept, not lost.
    return !known || exitCode == STILL_ACTIVE;
}

void LowerThreadPriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace kolvane::platform
