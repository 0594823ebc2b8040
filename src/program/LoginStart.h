#pragma once

#include "platform/LoginStart.h"

#include <string>
#include <string_view>
#include <vector>

namespace kolvane::program {

// The switch the login entry passes: a program started with it comes up hidden in the
// notification area where there is one. Started by hand, without it, the program shows its window.
inline constexpr std::string_view kStartedAtLoginSwitch = "--autostart";

// Whether the arguments after the program's own name hold the switch.
bool StartedAtLogin(const std::vector<std::string>& arguments);

// The running program's login entry: this executable, started with the switch.
platform::LoginStartEntry LoginStartOfThisProgram();

// Writes or removes the entry and answers whether it is there afterwards: what a menu shows,
// also when the system refused the change.
bool SwitchStartedAtLogin(const platform::LoginStartEntry& entry, bool on);

} // namespace kolvane::program
