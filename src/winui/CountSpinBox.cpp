#include "winui/CountSpinBox.h"

#include "store/IntegerText.h"
#include "winui/WindowText.h"

#include <algorithm>

namespace kolvane::winui {

CountSpinBox CountSpinBox::Create(HWND parent, int id, int maximum, int left, int top, int width,
                                  int height) {
    CountSpinBox box;
    box.maximum = maximum;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    box.edit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_NUMBER, left,
        top, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
        nullptr);
    // The buttons take their place inside the given width, at the edit's right end, and step
    // the number in the edit themselves.
    box.buttons = CreateWindowExW(0, UPDOWN_CLASSW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | UDS_ALIGNRIGHT |
                                      UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS,
                                  0, 0, 0, 0, parent, nullptr, instance, nullptr);
    SendMessageW(box.buttons, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box.edit), 0);
    SendMessageW(box.buttons, UDM_SETRANGE32, 0, maximum);
    box.setValue(0);
    return box;
}

int CountSpinBox::value() const {
    return std::clamp(IntegerOr(WindowTextOf(edit), 0), 0, maximum);
}

void CountSpinBox::setValue(int count) const {
    SetWindowTextOf(edit, IntegerText(std::clamp(count, 0, maximum)));
}

} // namespace kolvane::winui
