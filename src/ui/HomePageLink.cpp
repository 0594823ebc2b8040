#include "ui/HomePageLink.h"

#include "web/HomePage.h"

#include <QDesktopServices>

namespace kolvane::ui {
namespace {

std::function<void(const QUrl&)>& Opener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

} // namespace

void OpenHomePage() {
    const QUrl address(QString::fromUtf8(HomePageAddress));
    if (Opener())
        Opener()(address);
    else
        QDesktopServices::openUrl(address);
}

void SetHomePageOpener(std::function<void(const QUrl&)> opener) {
    Opener() = std::move(opener);
}

} // namespace kolvane::ui
