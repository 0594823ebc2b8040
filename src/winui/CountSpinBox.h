#pragma once

// windows.h declares what the other system headers use.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace kolvane::winui {

// A spin box of whole numbers from 0 to a maximum: an edit that takes digits only, with up-down
// buttons. Its value is its text read by the integer rule and brought into the range; the text
// is settled to that value whenever the value is set.
struct CountSpinBox {
    HWND edit = nullptr;
    HWND buttons = nullptr;
    int maximum = 0;

    static CountSpinBox Create(HWND parent, int id, int maximum, int left, int top, int width,
                               int height);

    int value() const;
    void setValue(int count) const;
};

} // namespace kolvane::winui
