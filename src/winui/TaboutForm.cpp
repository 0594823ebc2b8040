#include "winui/TaboutForm.h"

#include "web/HomePage.h"
#include "winui/Fonts.h"
#include "winui/HomePageLink.h"
#include "winui/Pictures.h"
#include "winui/WideText.h"
#include "winui/WindowText.h"

namespace kolvane::winui {
namespace {

constexpr int kLabel3Id = 3;
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

} // namespace

TaboutForm::TaboutForm() : FixedDialog(kClassName, L"关于", kClientWidth, kClientHeight) {
    controls_.Image1 = Child(L"STATIC", L"", SS_ICON | SS_CENTERIMAGE, nullptr, 0, 8, 8, 33, 33);
    SendMessageW(controls_.Image1, STM_SETICON, reinterpret_cast<WPARAM>(AboutIcon()), 0);
    SetWindowPos(controls_.Image1, nullptr, 8, 8, 33, 33, SWP_NOZORDER);
    controls_.Label1 = Label(L"Kolvane", 47, 23, AboutBoxFont());
    controls_.Label2 = Label(L"主页：", 47, 72, AboutBoxFont());
    controls_.Label3 = Label(Wide(HomePageAddress).c_str(), 87, 71, WindowFont(), SS_NOTIFY);
    SetWindowLongPtrW(controls_.Label3, GWLP_ID, kLabel3Id);
    // IDOK, so that Enter presses it as Space does.
    controls_.BitBtn1 =
        Child(L"BUTTON", L"知道了", BS_PUSHBUTTON | WS_TABSTOP, nullptr, IDOK, 216, 23, 75, 25);
    SendMessageW(controls_.BitBtn1, WM_SETFONT, reinterpret_cast<WPARAM>(AboutBoxFont()), FALSE);
    SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(AboutBoxFont()), FALSE);
}

HWND TaboutForm::Label(const wchar_t* text, int left, int top, HFONT font, DWORD style) {
    const SIZE size = TextSize(text, font);
    const HWND label = Child(L"STATIC", text, SS_LEFT | SS_NOPREFIX | style, nullptr, 0, left, top,
                             size.cx, size.cy);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return label;
}

void TaboutForm::FormShow() {
    SetFocus(controls_.BitBtn1);
}

LRESULT TaboutForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            BitBtn1Click();
        else if (LOWORD(wParam) == kLabel3Id && HIWORD(wParam) == STN_CLICKED)
            Label3Click();
        // Escape (IDCANCEL) does nothing: the dialog has no cancel button.
        return 0;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == controls_.Label3) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kLinkColour);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == controls_.Label3) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FixedDialog::Handle(message, wParam, lParam);
}

// The dialog stays open.
void TaboutForm::Label3Click() {
    OpenHomePage(handle());
}

void TaboutForm::BitBtn1Click() {
    Finish();
}

void ShowAboutBox(HWND over) {
    TaboutForm aboutForm;
    aboutForm.ShowModal(over);
}

} // namespace kolvane::winui
