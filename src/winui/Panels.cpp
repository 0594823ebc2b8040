#include "winui/Panels.h"

namespace kolvane::winui {
namespace {

constexpr wchar_t kPanelClass[] = L"KolvanePanel";
constexpr wchar_t kSplitterClass[] = L"KolvaneSplitter";
constexpr wchar_t kVerticalSplitterClass[] = L"KolvaneVerticalSplitter";
constexpr wchar_t kSpeedButtonClass[] = L"KolvaneSpeedButton";

// Kept per window in GWLP_USERDATA, freed with the window.
struct Look {
    Bevel bevel = Bevel::None;
    COLORREF textColour = 0;
    bool pressed = false; // speed button: the mouse went down on it and is held
    bool acrossX = false; // splitter: the panes lie left and right of it
    int dragStart = 0;    // splitter: screen coordinate across it where the drag began
};

Look* LookOf(HWND window) {
    return reinterpret_cast<Look*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool IsNotificationForParent(UINT message) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case kSplitterDragEnded:
        return true;
    default:
        return false;
    }
}

void PaintPanel(HWND panel) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(panel, &paint);
    RECT area;
    GetClientRect(panel, &area);
    const Look* look = LookOf(panel);
    if (look && look->bevel == Bevel::Lowered)
        DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
    wchar_t text[512];
    const int length = GetWindowTextW(panel, text, 512);
    if (length > 0 && look) {
        const HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(panel, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, look->textColour);
        DrawTextW(dc, text, length, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
    EndPaint(panel, &paint);
}

// The font a panel was given, kept so that its text paints in it.
LRESULT FontMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFONT) {
        SetPropW(window, L"KolvaneFont", reinterpret_cast<HANDLE>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return reinterpret_cast<LRESULT>(GetPropW(window, L"KolvaneFont"));
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsNotificationForParent(message))
        return SendMessageW(GetParent(panel), message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        PaintPanel(panel);
        return 0;
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(panel, message, wParam, lParam);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(panel, message, wParam, lParam);
        InvalidateRect(panel, nullptr, TRUE);
        return result;
    }
    case WM_NCDESTROY:
        RemovePropW(panel, L"KolvaneFont");
        delete LookOf(panel);
        SetWindowLongPtrW(panel, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

int ScreenCoordinateAcross(HWND splitter, LPARAM lParam, bool acrossX) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(splitter, &at);
    return acrossX ? at.x : at.y;
}

LRESULT CALLBACK SplitterProc(HWND splitter, UINT message, WPARAM wParam, LPARAM lParam) {
    Look* look = LookOf(splitter);
    switch (message) {
    case WM_LBUTTONDOWN:
        look->dragStart = ScreenCoordinateAcross(splitter, lParam, look->acrossX);
        SetCapture(splitter);
        return 0;
    case WM_LBUTTONUP:
        // The panes change when the button is released, not while dragging.
        if (GetCapture() == splitter) {
            const int end = ScreenCoordinateAcross(splitter, lParam, look->acrossX);
            ReleaseCapture();
            SendMessageW(GetParent(splitter), kSplitterDragEnded,
                         static_cast<WPARAM>(end - look->dragStart),
                         reinterpret_cast<LPARAM>(splitter));
        }
        return 0;
    case WM_PAINT:
        if (look && look->bevel == Bevel::Raised) {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(splitter, &paint);
            RECT area;
            GetClientRect(splitter, &area);
            DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
            EndPaint(splitter, &paint);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        delete look;
        SetWindowLongPtrW(splitter, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(splitter, message, wParam, lParam);
}

void PaintSpeedButton(HWND button) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(button, &paint);
    RECT area;
    GetClientRect(button, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    const Look* look = LookOf(button);
    if (look->pressed)
        DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
    wchar_t text[128];
    const int length = GetWindowTextW(button, text, 128);
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look->textColour);
    if (look->pressed)
        OffsetRect(&area, 1, 1);
    DrawTextW(dc, text, length, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(button, &paint);
}

void Click(HWND button) {
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

LRESULT CALLBACK SpeedButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    Look* look = LookOf(button);
    switch (message) {
    case WM_PAINT:
        PaintSpeedButton(button);
        return 0;
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(button, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        look->pressed = true;
        SetCapture(button);
        InvalidateRect(button, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        const bool wasPressed = look->pressed;
        look->pressed = false;
        ReleaseCapture();
        InvalidateRect(button, nullptr, FALSE);
        RECT area;
        GetClientRect(button, &area);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (wasPressed && PtInRect(&area, at))
            Click(button);
        return 0;
    }
    case BM_CLICK:
        Click(button);
        return 0;
    case WM_NCDESTROY:
        RemovePropW(button, L"KolvaneFont");
        delete look;
        SetWindowLongPtrW(button, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(button, message, wParam, lParam);
}

void RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpfnWndProc = PanelProc;
        windowClass.lpszClassName = kPanelClass;
        RegisterClassExW(&windowClass);
        windowClass.lpfnWndProc = SpeedButtonProc;
        windowClass.lpszClassName = kSpeedButtonClass;
        RegisterClassExW(&windowClass);
        windowClass.lpfnWndProc = SplitterProc;
        windowClass.lpszClassName = kSplitterClass;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_SIZENS);
        RegisterClassExW(&windowClass);
        windowClass.lpszClassName = kVerticalSplitterClass;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_SIZEWE);
        RegisterClassExW(&windowClass);
        return true;
    }();
    (void)registered;
}

HWND CreateWithLook(const wchar_t* className, HWND parent, int id, const wchar_t* text, Look look) {
    RegisterClasses();
    // Keyboard navigation of a dialog goes into the controls a panel holds.
    const HWND window = CreateWindowExW(
        WS_EX_CONTROLPARENT, className, text,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Look(look)));
    return window;
}

} // namespace

HWND CreatePanel(HWND parent, Bevel bevel, int id) {
    Look look;
    look.bevel = bevel;
    return CreateWithLook(kPanelClass, parent, id, L"", look);
}

void SetPanelTextColour(HWND panel, COLORREF colour) {
    LookOf(panel)->textColour = colour;
    InvalidateRect(panel, nullptr, TRUE);
}

RECT PanelInside(HWND panel) {
    RECT area;
    GetClientRect(panel, &area);
    if (LookOf(panel)->bevel == Bevel::Lowered)
        InflateRect(&area, -1, -1);
    return area;
}

HWND CreateHorizontalSplitter(HWND parent, int id) {
    return CreateWithLook(kSplitterClass, parent, id, L"", Look{});
}

HWND CreateVerticalSplitter(HWND parent, int id) {
    Look look;
    look.bevel = Bevel::Raised;
    look.acrossX = true;
    return CreateWithLook(kVerticalSplitterClass, parent, id, L"", look);
}

HWND CreateSpeedButton(HWND parent, int id, const wchar_t* caption) {
    return CreateWithLook(kSpeedButtonClass, parent, id, caption, Look{});
}

void SetSpeedButtonTextColour(HWND button, COLORREF colour) {
    LookOf(button)->textColour = colour;
    InvalidateRect(button, nullptr, FALSE);
}

} // namespace kolvane::winui
