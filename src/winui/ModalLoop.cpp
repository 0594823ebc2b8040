#include "winui/ModalLoop.h"

namespace kolvane::winui {

void RunModal(HWND dialog, HWND over, const bool& finished) {
    const bool overWasEnabled = over && !EnableWindow(over, FALSE);
    ShowWindow(dialog, SW_SHOW);
    MSG message;
    while (!finished) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0)
            break;
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // Enabled again before the dialog goes, so that the activation returns to it.
    if (overWasEnabled)
        EnableWindow(over, TRUE);
    ShowWindow(dialog, SW_HIDE);
}

void CentreOver(HWND window, HWND over) {
    RECT outer;
    GetWindowRect(window, &outer);
    RECT base{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (over && IsWindowVisible(over))
        GetWindowRect(over, &base);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int left = base.left + (base.right - base.left - width) / 2;
    const int top = base.top + (base.bottom - base.top - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE OuterSizeOf(DWORD style, DWORD extendedStyle, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

} // namespace kolvane::winui
