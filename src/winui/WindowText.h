#pragma once

#include <string>
#include <windows.h>

namespace kolvane::winui {

// A window's text in UTF-8, and setting it from UTF-8.
std::string WindowTextOf(HWND window);
void SetWindowTextOf(HWND window, const std::string& text);
// The size the text takes on one line in the font.
SIZE TextSize(const std::wstring& text, HFONT font);

} // namespace kolvane::winui
