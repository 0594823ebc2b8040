#pragma once

#include "base/Text.h"

#include <string_view>

namespace kolvane {

// Header names, the "close" token and cookie attributes are compared without regard to ASCII case.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);
bool ContainsIgnoringCase(std::string_view text, std::string_view part);
bool EndsWithIgnoringCase(std::string_view text, std::string_view end);

} // namespace kolvane
