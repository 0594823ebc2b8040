#pragma once

#include <cstdint>

namespace kolvane::platform {

using ProcessId = std::uint32_t;

ProcessId CurrentProcessId();
// Whether a process of that id runs now, so that what a dead one left behind can go.
bool IsProcessAlive(ProcessId process);

// Sets the calling thread's scheduling priority a step below the program's main thread, so that
// a thread busy with the disk gives way to the windows when both want a processor; asking again,
// or from a thread made by a lowered one, gives the same step. Best effort: a system that refuses
// leaves the priority as it was.
void LowerThreadPriority();

} // namespace kolvane::platform
