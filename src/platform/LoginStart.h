#pragma once

#include <string>

namespace kolvane::platform {

// What the system starts when the user logs in: an XDG autostart entry,
// <config>/autostart/<applicationId>.desktop (POSIX), or a shortcut <name>.lnk in the user's
// Startup folder (Windows). No registry key.
struct LoginStartEntry {
    std::string name;          // shown by the desktop; the shortcut's file name on Windows
    std::string applicationId; // the entry's file name and its icon on POSIX
    std::string executable;    // full path, UTF-8
    std::string argument;      // the one command-line argument the entry passes
};

bool IsStartedAtLogin(const LoginStartEntry& entry);

// Writes or removes the entry. False when the system refused, or when the entry cannot be
// written faithfully (a path holding a line break).
bool SetStartedAtLogin(const LoginStartEntry& entry, bool on);

} // namespace kolvane::platform
