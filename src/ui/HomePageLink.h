#pragma once

#include <QUrl>
#include <functional>

namespace kolvane::ui {

// Opens HomePageAddress in the user's browser; a failure to open is ignored.
void OpenHomePage();

// Test seam: replaces the browser hand-over. An empty function restores it.
void SetHomePageOpener(std::function<void(const QUrl&)> opener);

} // namespace kolvane::ui
