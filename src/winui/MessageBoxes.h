#pragma once

#include "program/MessageBoxes.h"

#include <functional>
#include <string>
#include <windows.h>

namespace kolvane::winui {

// What a box would show: tests read it through the responder.
struct ShownBox {
    HWND owner = nullptr;
    UINT type = 0; // the MessageBoxW flags
    std::string caption;
    std::string text;
};

// Every box of the program goes through here. With a responder set (tests only) no box is shown:
// the responder sees what would have been shown and gives the answer (IDOK, IDCANCEL).
using MessageBoxResponder = std::function<int(const ShownBox&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);

// The flags of each kind of box.
UINT MessageBoxType(program::BoxKind kind);

// The program's boxes over one window; the general error box is owned by the application window.
class WinMessageBoxes final : public program::MessageBoxService {
public:
    WinMessageBoxes(HWND owner, HWND applicationWindow)
        : owner_(owner), applicationWindow_(applicationWindow) {}
    bool Show(const program::MessageBoxRequest& request) override;

private:
    HWND owner_;
    HWND applicationWindow_;
};

// The general error box for an error that escaped a handler.
void ShowGeneralErrorBox(const std::string& message);

} // namespace kolvane::winui
