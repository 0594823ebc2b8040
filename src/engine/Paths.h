#pragma once

#include "base/PathTerms.h"

#include <string>

namespace kolvane {

// Creates every missing directory of the path from the top down. Returns whether the directory
// exists afterwards; raises "Unable to create directory" only when it reaches an empty path
// (an empty path, or a relative path whose first level is missing).
bool MakeDirectoryPath(const std::string& path);

} // namespace kolvane
