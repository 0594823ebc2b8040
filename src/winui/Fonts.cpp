#include "winui/Fonts.h"

namespace kolvane::winui {
namespace {

HFONT MakeFont(int height, const wchar_t* face) {
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

} // namespace

HFONT WindowFont() {
    static const HFONT font = MakeFont(-11, L"Tahoma");
    return font;
}

HFONT AboutBoxFont() {
    static const HFONT font = MakeFont(-12, L"新宋体");
    return font;
}

void SetFontOfTree(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EnumChildWindows(window, SetFontOfChild, reinterpret_cast<LPARAM>(font));
}

} // namespace kolvane::winui
