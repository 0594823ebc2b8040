#include "winui/HomePageLink.h"

#include "web/HomePage.h"
#include "winui/WideText.h"

#include <shellapi.h>

namespace kolvane::winui {
namespace {

HomePageOpener& Opener() {
    static HomePageOpener opener;
    return opener;
}

} // namespace

void OpenHomePage(HWND parent) {
    if (Opener()) {
        Opener()(parent, HomePageAddress);
        return;
    }
    ShellExecuteW(parent, L"open", Wide(HomePageAddress).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void SetHomePageOpener(HomePageOpener opener) {
    Opener() = std::move(opener);
}

} // namespace kolvane::winui
