#include "web/HomePage.h"
#include "winui/ApplicationWindow.h"
#include "winui/ErrorGuard.h"
#include "winui/TmainForm.h"
#include "winui/WideText.h"

#include <memory>
#include <windows.h>

namespace {

std::string SettingsPathBesideExecutable() {
    return kolvane::winui::Utf8(kolvane::winui::ExecutableDirectory() + L"\\defaultSet.ini");
}

void RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kolvane::winui;
    ApplicationWindow::Create(instance);
    std::unique_ptr<TmainForm> mainForm;
    RunGuarded([&] {
        mainForm =
            std::make_unique<TmainForm>(SettingsPathBesideExecutable(), kolvane::HomePageAddress,
                                        std::make_shared<kolvane::SystemClock>());
    });
    if (mainForm) {
        mainForm->Show();
        RunMessageLoop();
    }
    mainForm.reset();
    ApplicationWindow::Destroy();
    return 0;
}
