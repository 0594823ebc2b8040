#include "winui/PopupMenus.h"

#include "winui/WideText.h"

namespace kolvane::winui {
namespace {

PopupMenuChooser& Chooser() {
    static PopupMenuChooser chooser;
    return chooser;
}

ShownMenuItem ItemOf(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = 256;
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    if (info.fType & MFT_SEPARATOR)
        return {};
    return {static_cast<int>(info.wID), Utf8(text), (info.fState & MFS_CHECKED) != 0};
}

ShownMenu MenuOf(HMENU menu, HWND owner) {
    ShownMenu shown{owner, {}};
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position)
        shown.items.push_back(ItemOf(menu, position));
    return shown;
}

} // namespace

void SetPopupMenuChooser(PopupMenuChooser chooser) {
    Chooser() = std::move(chooser);
}

int ChooseFromPopupMenu(HMENU menu, HWND owner, POINT where) {
    if (Chooser())
        return Chooser()(MenuOf(menu, owner));
    // A menu opened for a window in the background, as the notification area's are, closes on
    // a click elsewhere only while that window is in the foreground; the message after it ends
    // the menu's mode at once.
    SetForegroundWindow(owner);
    const int command = static_cast<int>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, where.x, where.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    return command;
}

} // namespace kolvane::winui
