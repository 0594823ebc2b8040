#pragma once

#include "program/PathPicks.h"

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace kolvane::ui {

// Every path picker of the program goes through here. With a responder set (tests only) no
// dialog is shown: the responder sees the request and gives the chosen path, or nothing for a
// cancelled dialog.
using PathPickerResponder =
    std::function<std::optional<std::string>(const program::PathRequest& request)>;
void SetPathPickerResponder(PathPickerResponder responder);

// Shows the standard file dialog modally over `over`; the path chosen in the system's own
// notation, or nothing when the user cancels.
std::optional<std::string> PickPath(QWidget* over, const program::PathRequest& request);

} // namespace kolvane::ui
