#pragma once

#include <windows.h>

namespace kolvane::winui {

// Made once and kept until the process ends.
HFONT WindowFont();   // "Tahoma", height -11: the main window, the editor and the about link
HFONT AboutBoxFont(); // "新宋体", height -12: the rest of the about box

// Gives `window` and every child it has the font.
void SetFontOfTree(HWND window, HFONT font);

} // namespace kolvane::winui
