#pragma once

#include <string>
#include <string_view>

namespace kolvane {

// Path terms with "/" as the separator.
// The extension: from the last "." to the end, provided no "/" follows it; empty when none.
std::string_view ExtractFileExt(std::string_view path);
// The parent part: up to and including the last "/"; empty when there is none.
std::string_view ExtractFilePath(std::string_view path);
// The file-name part: what follows the parent part.
std::string_view ExtractFileName(std::string_view path);
// Removes leading and trailing characters with codes 0 to 32.
std::string TrimControl(std::string_view text);

// Creates every missing directory of the path from the top down. Returns whether the directory
// exists afterwards; raises "Unable to create directory" only when it reaches an empty path
// (an empty path, or a relative path whose first level is missing).
bool MakeDirectoryPath(const std::string& path);
// The same, returning 0 or the errno of the level that could not be made.
int MakeDirectoryPathOrError(const std::string& path);

} // namespace kolvane
