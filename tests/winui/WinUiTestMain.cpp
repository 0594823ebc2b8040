#include "winui/ApplicationWindow.h"

#include <gtest/gtest.h>
#include <windows.h>

// The windows need the application window that owns them.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    kolvane::winui::ApplicationWindow::Create(GetModuleHandleW(nullptr));
    const int result = RUN_ALL_TESTS();
    kolvane::winui::ApplicationWindow::Destroy();
    return result;
}
