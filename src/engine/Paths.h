#pragma once

#include "base/PathTerms.h"
#include "platform/SystemError.h"

#include <string>

namespace kolvane {

// Creates every missing directory of the path from the top down. Returns whether the directory
// exists afterwards; raises "Unable to create directory" only when it reaches an empty path
// (an empty path, or a relative path whose first level is missing).
bool MakeDirectoryPath(const std::string& path);
// The same, returning 0 or the code of the level that could not be made.
platform::SystemError MakeDirectoryPathOrError(const std::string& path);

} // namespace kolvane
