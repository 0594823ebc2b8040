#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kolvane {

// The integer text rule shared by the settings file and the table cells: leading spaces, then
// either an optionally signed decimal number or a "$", "x" or "0x" prefixed hexadecimal 32-bit
// pattern; the whole text must be used. Returns nothing for any other text.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// ParseInteger with a fallback for text that is not an integer.
std::int32_t IntegerOr(std::string_view text, std::int32_t fallback);

std::string IntegerText(std::int32_t value);

// A count that reached the largest number stays there rather than turning negative.
std::int32_t CountPlusOne(std::int32_t count);

} // namespace kolvane
