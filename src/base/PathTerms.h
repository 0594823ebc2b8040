#pragma once

#include <string>
#include <string_view>

// The path terms of the system the program runs on. On Windows the separator is the backslash
// and a drive is written with a colon ("C:"); elsewhere the separator is "/". A doubled separator
// inside a path names the same place as a single one on both.
namespace kolvane {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathDelimiters = "\\:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathDelimiters = "/";
#endif

// The extension: from the last "." to the end, provided no separator (nor, on Windows, a drive
// colon) follows it; empty when there is none.
std::string_view ExtractFileExt(std::string_view path);
// The parent part: up to and including the last separator (or drive colon); empty without one.
std::string_view ExtractFilePath(std::string_view path);
// The file-name part: what follows the parent part.
std::string_view ExtractFileName(std::string_view path);

bool EndsWithSeparator(std::string_view path);
// The path with one separator appended, unless it already ends in one.
std::string WithSeparator(std::string path);

} // namespace kolvane
