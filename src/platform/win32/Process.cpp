#include "platform/Process.h"

#include <windows.h>

namespace kolvane::platform {

bool IsProcessAlive(ProcessId process) {
    const HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    // A process the caller may not look at runs all the same.
    if (handle == nullptr)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    const BOOL known = ::GetExitCodeProcess(handle, &exitCode);
    ::CloseHandle(handle);
    // A process that ended with the code STILL_ACTIVE shows as running: it is kept, not lost.
    return !known || exitCode == STILL_ACTIVE;
}

} // namespace kolvane::platform
