#pragma once

#include <string>
#include <windows.h>

namespace kolvane::winui {

// The invisible, zero-size top-level window that carries the taskbar button and owns the main
// window and every dialog. Its title is the application title. One per process.
class ApplicationWindow {
public:
    // Loads the common controls the windows are made of, then makes the window.
    static void Create(HINSTANCE instance);
    static void Destroy();
    static HWND Handle();
    static const std::string& Title();

    // The window a click on the taskbar button activates: the main window, or the dialog that is
    // open over it.
    static void SetMainWindow(HWND mainWindow);
};

// The executable's path, from GetModuleFileNameW.
std::wstring ExecutablePath();

} // namespace kolvane::winui
