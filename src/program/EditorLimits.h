#pragma once

namespace kolvane::program {

// The most time-named copies a task can be told to keep, in every front end's spin box; 0 keeps
// them all.
inline constexpr int kMaxKeepLast = 9999;

} // namespace kolvane::program
