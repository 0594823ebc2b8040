#pragma once

#include <string>
#include <string_view>

namespace kolvane::winui {

// The program speaks UTF-8; the windows speak UTF-16. Text that is not valid UTF-8 shows
// replacement characters.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

} // namespace kolvane::winui
