#pragma once

#include <windows.h>

namespace kolvane::winui {

// Shows `dialog` and runs its modal loop on the UI thread until `finished` turns true. The
// window it is shown over takes no input meanwhile; every other message of the thread (timer
// ticks, job events) goes on being handled. A quit request ends the loop as a cancel would and
// is passed on to the loop outside.
void RunModal(HWND dialog, HWND over, const bool& finished);

// Places `window` centred over `over`.
void CentreOver(HWND window, HWND over);

// The outer size of a window of `style` whose client area is width x height.
SIZE OuterSizeOf(DWORD style, DWORD extendedStyle, int width, int height);

} // namespace kolvane::winui
