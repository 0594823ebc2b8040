#include "winui/CommandLine.h"

#include "winui/WideText.h"

// windows.h declares what shellapi.h uses.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace kolvane::winui {

std::vector<std::string> CommandLineArguments(const wchar_t* commandLine) {
    std::vector<std::string> arguments;
    // An empty line would be answered with this executable's own path.
    if (commandLine == nullptr || *commandLine == L'\0')
        return arguments;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(commandLine, &count);
    if (words == nullptr)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8(words[i]));
    LocalFree(words);
    return arguments;
}

} // namespace kolvane::winui
