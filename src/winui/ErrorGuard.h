#pragma once

#include "winui/MessageBoxes.h"

#include <exception>

namespace kolvane::winui {

// Runs a handler of a window message. An error must not unwind through the window system's own
// frames, so it ends here, where the handler ends, and shows the general error box; the program
// goes on.
template <typename Handler> void RunGuarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowGeneralErrorBox(error.what());
    } catch (...) {
        ShowGeneralErrorBox("Unknown error");
    }
}

} // namespace kolvane::winui
