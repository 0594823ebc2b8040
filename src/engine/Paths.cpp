#include "engine/Paths.h"

#include "platform/Files.h"
#include "platform/SystemError.h"

#include <stdexcept>

namespace kolvane {

platform::SystemError MakeDirectoryPathOrError(const std::string& path) {
    if (path.empty())
        throw std::runtime_error("Unable to create directory");
    // A doubled separator names the same directory as a single one, so every trailing one goes.
    std::string directory = path;
    while (EndsWithSeparator(directory))
        directory.pop_back();
    if (directory.empty() || platform::IsDirectory(directory))
        return 0;
    const std::string parent(ExtractFilePath(directory));
    // A drive ("C:") is there or not; it cannot be made.
    if (parent == directory)
        return 0;
    if (platform::SystemError error = MakeDirectoryPathOrError(parent))
        return error;
    // Another job may create the same directory at the same moment.
    const platform::SystemError error = platform::MakeDirectory(directory);
    return error == 0 || (platform::IsAlreadyExisting(error) && platform::IsDirectory(directory))
               ? 0
               : error;
}

bool MakeDirectoryPath(const std::string& path) {
    return MakeDirectoryPathOrError(path) == 0;
}

} // namespace kolvane
