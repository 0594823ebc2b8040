#pragma once

#include <functional>
#include <string>
#include <windows.h>

namespace kolvane::winui {

// Opens HomePageAddress with the shell's "open", over `parent`. The result is not looked at.
void OpenHomePage(HWND parent);

// Tests only: the opener sees the parent and the address instead of the shell.
using HomePageOpener = std::function<void(HWND parent, const std::string& address)>;
void SetHomePageOpener(HomePageOpener opener);

} // namespace kolvane::winui
