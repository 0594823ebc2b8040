#pragma once

#include <cstdint>

namespace kolvane::platform {

using ProcessId = std::uint32_t;

ProcessId CurrentProcessId();
// Whether a process of that id runs now, so that what a dead one left behind can go.
bool IsProcessAlive(ProcessId process);

} // namespace kolvane::platform
