#include "engine/Paths.h"

#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>

namespace kolvane {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view ExtractFileExt(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return {};
    return path.substr(dot);
}

std::string_view ExtractFilePath(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

std::string_view ExtractFileName(std::string_view path) {
    return path.substr(ExtractFilePath(path).size());
}

std::string TrimControl(std::string_view text) {
    while (!text.empty() && IsControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsControl(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

int MakeDirectoryPathOrError(const std::string& path) {
    if (path.empty())
        throw std::runtime_error("Unable to create directory");
    // A doubled separator names the same directory as a single one, so every trailing one goes.
    std::string directory = path;
    while (!directory.empty() && directory.back() == '/')
        directory.pop_back();
    if (directory.empty() || IsDirectory(directory))
        return 0;
    if (int error = MakeDirectoryPathOrError(std::string(ExtractFilePath(directory))))
        return error;
    if (::mkdir(directory.c_str(), 0777) == 0)
        return 0;
    // Another job may create the same directory at the same moment.
    const int error = errno;
    return error == EEXIST && IsDirectory(directory) ? 0 : error;
}

bool MakeDirectoryPath(const std::string& path) {
    return MakeDirectoryPathOrError(path) == 0;
}

} // namespace kolvane
