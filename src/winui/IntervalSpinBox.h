#pragma once

// windows.h declares what the other system headers use.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace kolvane::winui {

// The interval spin box: an edit with up-down buttons. Its value is its text read by the interval
// rule, and it is brought into 1 to 1439 whenever it is set, stepped (buttons, Up and Down keys)
// or left by the focus. Typing takes digits, "+", "-", "." and control keys other than Enter;
// every other key is refused with a beep.
struct IntervalSpinBox {
    HWND edit = nullptr;
    HWND buttons = nullptr;

    static IntervalSpinBox Create(HWND parent, int id, int left, int top, int width, int height);

    int value() const;
    void setValue(int minutes) const;
    // The buttons' notification that a step is asked for; returns what the buttons expect back.
    LRESULT Step(const NMUPDOWN& step) const;
};

} // namespace kolvane::winui
