#pragma once

#include <string>
#include <string_view>

// Text helpers shared by the store and the engine. All text inside the program is UTF-8; these
// touch ASCII bytes only, so multi-byte characters pass through unchanged.
namespace kolvane {

// Removes leading and trailing characters with codes 0 to 32 (blanks and control characters).
std::string TrimControl(std::string_view text);

// A blank or a tab.
bool IsBlank(char c);

// Removes leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// "A" to "Z" become "a" to "z"; every other byte stays.
char AsciiLower(char c);
std::string AsciiLower(std::string_view text);

} // namespace kolvane
