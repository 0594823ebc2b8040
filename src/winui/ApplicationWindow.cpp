#include "winui/ApplicationWindow.h"

#include "program/WindowRules.h"
#include "winui/WideText.h"

#include <commctrl.h>

namespace kolvane::winui {
namespace {

constexpr wchar_t kClassName[] = L"KolvaneApplication";

HWND& Window() {
    static HWND window = nullptr;
    return window;
}

HWND& MainWindow() {
    static HWND window = nullptr;
    return window;
}

std::wstring FileNameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND main = MainWindow();
    switch (message) {
    case WM_ACTIVATE:
        // The taskbar button activates this window; the user works in the ones it owns.
        if (LOWORD(wParam) != WA_INACTIVE && main && IsWindowVisible(main)) {
            SetActiveWindow(GetLastActivePopup(window));
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        // Minimising and closing from the taskbar button act on the main window.
        if (main && ((wParam & 0xFFF0) == SC_MINIMIZE || (wParam & 0xFFF0) == SC_CLOSE)) {
            SendMessageW(main, WM_SYSCOMMAND, wParam, lParam);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (main)
            PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void ApplicationWindow::Create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_DATE_CLASSES | ICC_UPDOWN_CLASS |
                                                       ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ApplicationProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    const int centreX = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int centreY = GetSystemMetrics(SM_CYSCREEN) / 2;
    Window() = CreateWindowExW(0, kClassName, Wide(Title()).c_str(),
                               WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, centreX,
                               centreY, 0, 0, nullptr, nullptr, instance, nullptr);
}

void ApplicationWindow::Destroy() {
    if (Window())
        DestroyWindow(Window());
    Window() = nullptr;
    MainWindow() = nullptr;
}

HWND ApplicationWindow::Handle() {
    return Window();
}

const std::string& ApplicationWindow::Title() {
    static const std::string title =
        program::ApplicationTitleOf(Utf8(FileNameOf(ExecutablePath())));
    return title;
}

void ApplicationWindow::SetMainWindow(HWND mainWindow) {
    MainWindow() = mainWindow;
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace kolvane::winui
