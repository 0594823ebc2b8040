#pragma once

#include <string>
#include <windows.h>

namespace kolvane::winui {

// A window's text in UTF-8, and setting it from UTF-8.
std::string WindowTextOf(HWND window);
void SetWindowTextOf(HWND window, const std::string& text);

} // namespace kolvane::winui
