#pragma once

#include <cstddef>
#include <string_view>

namespace kolvane::platform::win32 {

// The longest name of one level that Windows file systems hold, in UTF-16 units.
inline constexpr std::size_t kLongestName = 255;

// Whether a level of the path is longer than any file system holds. Windows reports such a name
// in different ways (and wine as a missing path); the caller reports it as too long instead.
inline bool HasOverlongName(std::wstring_view path) {
    std::size_t length = 0;
    for (const wchar_t c : path) {
        length = (c == L'\\' || c == L'/') ? 0 : length + 1;
        if (length > kLongestName)
            return true;
    }
    return false;
}

} // namespace kolvane::platform::win32
