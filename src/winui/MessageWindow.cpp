#include "winui/MessageWindow.h"

#include "winui/ErrorGuard.h"

namespace kolvane::winui {
namespace {

constexpr wchar_t kClassName[] = L"KolvaneMessageWindow";

void RegisterOnce() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    RegisterOnce();
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindow::Proc));
}

MessageWindow::~MessageWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK MessageWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == WM_TIMER || message >= WM_APP)) {
        RunGuarded([&] { self->handler_(message, wParam, lParam); });
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace kolvane::winui
