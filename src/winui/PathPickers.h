#pragma once

#include "program/PathPicks.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>

namespace kolvane::winui {

// Every path picker of the program goes through here. With a responder set (tests only) no
// dialog is shown: the responder sees the request and gives the chosen path, or nothing for a
// cancelled dialog.
using PathPickerResponder =
    std::function<std::optional<std::string>(const program::PathRequest& request)>;
void SetPathPickerResponder(PathPickerResponder responder);

// Shows the system's common item dialog modally over `over`, picking folders for a directory;
// the file-system path chosen, or nothing when the user cancels or no dialog can be made.
std::optional<std::string> PickPath(HWND over, const program::PathRequest& request);

} // namespace kolvane::winui
