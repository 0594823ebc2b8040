#include "winui/MessageBoxes.h"

#include "winui/ApplicationWindow.h"
#include "winui/WideText.h"

namespace kolvane::winui {
namespace {

MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}

} // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) {
    Responder() = std::move(responder);
}

UINT MessageBoxType(program::BoxKind kind) {
    switch (kind) {
    case program::BoxKind::Info:
        return MB_OK | MB_ICONINFORMATION;
    case program::BoxKind::DeleteQuestion:
        return MB_OKCANCEL | MB_ICONQUESTION;
    case program::BoxKind::Error:
        return MB_OK | MB_ICONSTOP;
    }
    return MB_OK;
}

bool WinMessageBoxes::Show(const program::MessageBoxRequest& request) {
    const ShownBox box{request.kind == program::BoxKind::Error ? applicationWindow_ : owner_,
                       MessageBoxType(request.kind), request.caption, request.text};
    if (Responder())
        return Responder()(box) == IDOK;
    return MessageBoxW(box.owner, Wide(box.text).c_str(), Wide(box.caption).c_str(), box.type) ==
           IDOK;
}

void ShowGeneralErrorBox(const std::string& message) {
    const HWND application = ApplicationWindow::Handle();
    WinMessageBoxes(application, application)
        .Show(program::ErrorBox(ApplicationWindow::Title(), message));
}

} // namespace kolvane::winui
