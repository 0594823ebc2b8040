#pragma once

#include <ctime>
#include <optional>
#include <string_view>

namespace kolvane {

// The moment an "expires" attribute names, in seconds since the epoch (UTC). Reads the formats
// servers send: "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
// "Sun Nov  6 08:49:37 1994" and their common variants, by picking out a time of day, a day of the
// month, a month name and a year in any order. Nothing when a part is missing or the date does
// not exist.
std::optional<std::time_t> ParseCookieDate(std::string_view text);

} // namespace kolvane
