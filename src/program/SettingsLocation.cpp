#include "program/SettingsLocation.h"

#include "base/PathTerms.h"
#include "platform/UserDirectories.h"

namespace kolvane::program {
namespace {

constexpr const char* kSettingsFileName = "defaultSet.ini";

std::string FileIn(const std::string& directory) {
    if (directory.empty())
        return kSettingsFileName;
    return WithSeparator(directory) + kSettingsFileName;
}

} // namespace

std::string SettingsFilePath(const SettingsPlaces& places) {
    if (places.executableDirectoryWritable || places.userConfigDirectory.empty())
        return FileIn(places.executableDirectory);
    return FileIn(places.userConfigDirectory);
}

std::string SettingsFilePath() {
    SettingsPlaces places;
    places.executableDirectory = platform::ExecutableDirectory();
    places.executableDirectoryWritable = platform::IsDirectoryWritable(places.executableDirectory);
    places.userConfigDirectory = platform::ProgramConfigDirectory("Kolvane");
    return SettingsFilePath(places);
}

} // namespace kolvane::program
