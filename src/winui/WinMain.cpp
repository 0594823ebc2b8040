#include "program/LoginStart.h"
#include "program/SettingsLocation.h"
#include "web/HomePage.h"
#include "winui/ApplicationWindow.h"
#include "winui/CommandLine.h"
#include "winui/ErrorGuard.h"
#include "winui/TmainForm.h"

#include <memory>
#include <windows.h>

namespace {

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
        mainForm = std::make_unique<TmainForm>(kolvane::program::SettingsFilePath(),
                                               kolvane::HomePageAddress,
                                               std::make_shared<kolvane::SystemClock>());
    });
    if (mainForm) {
        mainForm->ShowAtStart(
            kolvane::program::StartedAtLogin(CommandLineArguments(GetCommandLineW())));
        RunMessageLoop();
    }
    mainForm.reset();
    ApplicationWindow::Destroy();
    return 0;
}
