#pragma once

#include <string>

namespace kolvane::program {

// The notification a front end shows from its tray icon when a run ends with failures while the
// main window is hidden there.
struct Notice {
    std::string title;
    std::string text;
};

Notice RunFailureNotice(const std::string& taskName, int failedFiles);

} // namespace kolvane::program
