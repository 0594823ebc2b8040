#include "winui/Pictures.h"

#include "winui/ResourceIds.h"

#include <initializer_list>

namespace kolvane::winui {
namespace {

HICON LoadIconOfSize(int id, int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HIMAGELIST MakeImageList(std::initializer_list<int> iconIds) {
    const HIMAGELIST list =
        ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconIds.size()), 0);
    for (const int id : iconIds)
        ImageList_AddIcon(list, LoadIconOfSize(id, 16));
    return list;
}

} // namespace

HICON ApplicationIcon() {
    static const HICON icon = LoadIconOfSize(KOLVANE_ICON_APPLICATION, 32);
    return icon;
}

HICON ApplicationIconSmall() {
    static const HICON icon = LoadIconOfSize(KOLVANE_ICON_APPLICATION, 16);
    return icon;
}

HICON AboutIcon() {
    static const HICON icon = LoadIconOfSize(KOLVANE_ICON_ABOUT, 32);
    return icon;
}

HIMAGELIST ToolbarImages() {
    static const HIMAGELIST list =
        MakeImageList({KOLVANE_ICON_TOOLBAR_NEW_TASK, KOLVANE_ICON_TOOLBAR_REFRESH,
                       KOLVANE_ICON_TOOLBAR_RUN, KOLVANE_ICON_TOOLBAR_ABOUT});
    return list;
}

HIMAGELIST EditorPageImages() {
    static const HIMAGELIST list =
        MakeImageList({KOLVANE_ICON_PAGE_BASE, KOLVANE_ICON_PAGE_DIR, KOLVANE_ICON_PAGE_SCHEDULE,
                       KOLVANE_ICON_PAGE_ADVANCED});
    return list;
}

} // namespace kolvane::winui
