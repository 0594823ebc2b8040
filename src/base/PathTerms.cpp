#include "base/PathTerms.h"

namespace kolvane {

std::string_view ExtractFileExt(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos ||
        path.find_first_of(kPathDelimiters, dot) != std::string_view::npos)
        return {};
    return path.substr(dot);
}

std::string_view ExtractFilePath(std::string_view path) {
    const auto last = path.find_last_of(kPathDelimiters);
    return last == std::string_view::npos ? std::string_view{} : path.substr(0, last + 1);
}

std::string_view ExtractFileName(std::string_view path) {
    return path.substr(ExtractFilePath(path).size());
}

bool EndsWithSeparator(std::string_view path) {
    return !path.empty() && path.back() == kPathSeparator;
}

std::string WithSeparator(std::string path) {
    if (!EndsWithSeparator(path))
        path += kPathSeparator;
    return path;
}

} // namespace kolvane
