#include "program/LoginStart.h"

#include "platform/UserDirectories.h"

#include <algorithm>

namespace kolvane::program {

bool StartedAtLogin(const std::vector<std::string>& arguments) {
    return arguments.size() > 1 && std::find(arguments.begin() + 1, arguments.end(),
                                             kStartedAtLoginSwitch) != arguments.end();
}

platform::LoginStartEntry LoginStartOfThisProgram() {
    return {"Kolvane", KOLVANE_APP_ID, platform::ExecutablePath(),
            std::string(kStartedAtLoginSwitch)};
}

bool SwitchStartedAtLogin(const platform::LoginStartEntry& entry, bool on) {
    platform::SetStartedAtLogin(entry, on);
    return platform::IsStartedAtLogin(entry);
}

} // namespace kolvane::program
