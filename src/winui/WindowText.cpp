#include "winui/WindowText.h"

#include "winui/WideText.h"

namespace kolvane::winui {

std::string WindowTextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
}

void SetWindowTextOf(HWND window, const std::string& text) {
    SetWindowTextW(window, Wide(text).c_str());
}

SIZE TextSize(const std::wstring& text, HFONT font) {
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

} // namespace kolvane::winui
