#pragma once

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace kolvane::winui {

// What a pop-up menu would show: tests read it through the chooser.
struct ShownMenuItem {
    int command = 0; // 0 for a separator
    std::string text;
    bool checked = false;
};

struct ShownMenu {
    HWND owner = nullptr;
    std::vector<ShownMenuItem> items;
};

// With a chooser set (tests only) no menu is shown: the chooser sees what would have been shown
// and gives the command picked, 0 for a menu dismissed.
using PopupMenuChooser = std::function<int(const ShownMenu&)>;
void SetPopupMenuChooser(PopupMenuChooser chooser);

// Opens `menu` at the screen point `where` for `owner` and waits for the user: the command
// picked, 0 when the menu was dismissed. Menus whose choice the program acts on itself go
// through here.
int ChooseFromPopupMenu(HMENU menu, HWND owner, POINT where);

} // namespace kolvane::winui
