#pragma once

#include <string>
#include <string_view>

// The program's UTF-8 text and the UTF-16 that the wide Windows calls take.
namespace kolvane::platform::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

} // namespace kolvane::platform::win32
