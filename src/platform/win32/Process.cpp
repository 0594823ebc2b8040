#include "platform/Process.h"

#include "platform/win32/Handle.h"

namespace kolvane::platform {

ProcessId CurrentProcessId() {
    return ::GetCurrentProcessId();
}

bool IsProcessAlive(ProcessId process) {
    win32::Handle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to look at
    DWORD code = 0;
    return ::GetExitCodeProcess(handle.get(), &code) && code == STILL_ACTIVE;
}

} // namespace kolvane::platform
