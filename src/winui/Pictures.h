#pragma once

// windows.h declares what the other system headers use.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace kolvane::winui {

// The program's pictures, from the executable's resources. Made once, kept until the end.
HICON ApplicationIcon();      // 32 x 32
HICON ApplicationIconSmall(); // 16 x 16, for the notification area
HICON AboutIcon();            // 32 x 32
// The toolbar's pictures, in the order new task, refresh, run, about.
HIMAGELIST ToolbarImages();
// The editor's page pictures, one per page in page-list order.
HIMAGELIST EditorPageImages();

} // namespace kolvane::winui
