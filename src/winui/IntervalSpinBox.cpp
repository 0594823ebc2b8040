#include "winui/IntervalSpinBox.h"

#include "store/IntegerText.h"
#include "store/TaskEditing.h"
#include "winui/WindowText.h"

#include <commctrl.h>

namespace kolvane::winui {
namespace {

constexpr UINT_PTR kSubclassId = 1;

bool IsTypable(WPARAM character) {
    return (character >= L'0' && character <= L'9') || character == L'+' || character == L'-' ||
           character == L'.' || (character < 0x20 && character != L'\r');
}

void Settle(HWND edit) {
    SetWindowTextOf(edit, IntegerText(IntervalOfText(WindowTextOf(edit))));
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE:
        // Enter comes to the box, to be refused, instead of going to the dialog.
        if (lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return DLGC_WANTALLKEYS;
        break;
    case WM_CHAR:
        if (!IsTypable(wParam)) {
            MessageBeep(MB_OK);
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        Settle(edit);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, EditProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

IntervalSpinBox IntervalSpinBox::Create(HWND parent, int id, int left, int top, int width,
                                        int height) {
    IntervalSpinBox box;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    box.edit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL, left, top, width,
        height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SetWindowSubclass(box.edit, EditProc, kSubclassId, 0);
    // The buttons take their place inside the given width, at the edit's right end.
    box.buttons =
        CreateWindowExW(0, UPDOWN_CLASSW, L"",
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0,
                        0, 0, 0, parent, nullptr, instance, nullptr);
    SendMessageW(box.buttons, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box.edit), 0);
    SendMessageW(box.buttons, UDM_SETRANGE32, kMinInterval, kMaxInterval);
    box.setValue(kDefaultInterval);
    return box;
}

int IntervalSpinBox::value() const {
    return IntervalOfText(WindowTextOf(edit));
}

void IntervalSpinBox::setValue(int minutes) const {
    SetWindowTextOf(edit, IntegerText(ClampInterval(minutes)));
}

// The step starts from the text as it reads now; the buttons' own position is not used.
LRESULT IntervalSpinBox::Step(const NMUPDOWN& step) const {
    setValue(value() + step.iDelta);
    return 1;
}

} // namespace kolvane::winui
