#include "winui/FixedDialog.h"

#include "winui/ApplicationWindow.h"
#include "winui/ErrorGuard.h"
#include "winui/ModalLoop.h"

namespace kolvane::winui {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

} // namespace

FixedDialog::FixedDialog(const wchar_t* className, const wchar_t* caption, int clientWidth,
                         int clientHeight) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FixedDialog::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    // Registered at the first dialog of its kind; later ones find the class there.
    RegisterClassExW(&windowClass);
    const SIZE outer = OuterSizeOf(kStyle, kExtendedStyle, clientWidth, clientHeight);
    window_ =
        CreateWindowExW(kExtendedStyle, className, caption, kStyle, 0, 0, outer.cx, outer.cy,
                        ApplicationWindow::Handle(), nullptr, GetModuleHandleW(nullptr), this);
}

FixedDialog::~FixedDialog() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

FixedDialog* FixedDialog::FromWindow(HWND window) {
    return reinterpret_cast<FixedDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void FixedDialog::ShowModal(HWND over) {
    CentreOver(window_, over);
    FormShow();
    RunModal(window_, over, finished_);
    // A quit request ended the loop: the dialog closes as if cancelled.
    if (!finished_)
        Finish();
}

void FixedDialog::Finish() {
    if (finished_)
        return;
    finished_ = true;
    FormClose();
}

HWND FixedDialog::Child(const wchar_t* className, const wchar_t* text, DWORD style, HWND parent,
                        int id, int left, int top, int width, int height,
                        DWORD extendedStyle) const {
    return CreateWindowExW(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, left, top,
                           width, height, parent ? parent : window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

LRESULT FixedDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        Finish();
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK FixedDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FixedDialog*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    FixedDialog* self = FromWindow(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    RunGuarded([&] { result = self->Handle(message, wParam, lParam); });
    return result;
}

} // namespace kolvane::winui
