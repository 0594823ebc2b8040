#pragma once

#include <string>

namespace kolvane::program {

// What the choice of the settings file depends on, as the system answers it.
struct SettingsPlaces {
    std::string executableDirectory;
    bool executableDirectoryWritable = false;
    // The program's folder in the user's configuration directory; empty when the system names
    // no such directory.
    std::string userConfigDirectory;
};

// Where defaultSet.ini lives. A copy of the program in a directory its user may write (a
// portable copy, a build) keeps the file beside the executable; an installed one, whose
// directory only the administrator may write, keeps it in the user's configuration folder,
// which the first write makes. Without such a folder it stays beside the executable.
std::string SettingsFilePath(const SettingsPlaces& places);

// The same, for the running program.
std::string SettingsFilePath();

} // namespace kolvane::program
