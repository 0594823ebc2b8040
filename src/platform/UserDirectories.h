#pragma once

#include <string>

// The directories a program asks the system about to decide where its own files go. Paths are
// UTF-8; an empty path means the system does not say.
namespace kolvane::platform {

// The running executable, and the directory that holds it.
std::string ExecutablePath();
std::string ExecutableDirectory();

// Whether the user running the program may create files in the directory.
bool IsDirectoryWritable(const std::string& directory);

// The directory where the user's programs keep their settings: $XDG_CONFIG_HOME, or
// ~/.config when it is unset or not absolute (POSIX); the roaming application data folder,
// %APPDATA% (Windows).
std::string UserConfigDirectory();

// The folder of `programName` inside the user's configuration directory, named as each system
// names such folders: lower case on POSIX ("kolvane"), as given on Windows ("Kolvane").
std::string ProgramConfigDirectory(const std::string& programName);

} // namespace kolvane::platform
