#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the program's text, which is UTF-8 throughout, and the legacy text of
// files written by programs of the system: the ANSI code page on Windows (936 on the systems the
// program serves), GBK elsewhere.
namespace kolvane::platform {

// Whether the system's own text is UTF-8, so that a file without a byte-order mark whose bytes
// are valid UTF-8 is taken as UTF-8; where it is not, such a file is legacy text.
bool SystemTextIsUtf8();

// Nothing when the bytes are not valid text of the legacy encoding.
std::optional<std::string> LegacyToUtf8(std::string_view legacy);

// Nothing when the text is not valid UTF-8 or holds a character the legacy encoding has no exact
// counterpart for: a character is never replaced by '?' or by a look-alike.
std::optional<std::string> Utf8ToLegacy(std::string_view utf8);

} // namespace kolvane::platform
