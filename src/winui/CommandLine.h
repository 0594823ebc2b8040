#pragma once

#include <string>
#include <vector>

namespace kolvane::winui {

// The words of a command line as the system's programs split it (quotes, backslashes before
// quotes), UTF-8; the first is the program.
std::vector<std::string> CommandLineArguments(const wchar_t* commandLine);

} // namespace kolvane::winui
