#include "platform/UserDirectories.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kolvane::platform {
namespace {

std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    // The XDG rules say a relative value is to be ignored.
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

std::string HomeDirectory() {
    std::string home = AbsoluteVariable("HOME");
    if (!home.empty())
        return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/'
               ? std::string(entry->pw_dir)
               : std::string();
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    return ParentOf(ExecutablePath());
}

bool IsDirectoryWritable(const std::string& directory) {
    // The effective user decides, as it does for the files the program creates; a directory on
    // a file system mounted read-only answers EROFS.
    return !directory.empty() &&
           ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string UserConfigDirectory() {
    const std::string configured = AbsoluteVariable("XDG_CONFIG_HOME");
    if (!configured.empty())
        return configured;
    const std::string home = HomeDirectory();
    if (home.empty())
        return {};
    return (home == "/" ? "" : home) + "/.config";
}

std::string ProgramConfigDirectory(const std::string& programName) {
    const std::string base = UserConfigDirectory();
    if (base.empty())
        return {};
    std::string folder = programName;
    std::transform(folder.begin(), folder.end(), folder.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return base + "/" + folder;
}

} // namespace kolvane::platform
