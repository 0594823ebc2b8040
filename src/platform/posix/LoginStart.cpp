#include "platform/LoginStart.h"

#include "platform/UserDirectories.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace kolvane::platform {
namespace {

namespace fs = std::filesystem;

std::string EntryPath(const LoginStartEntry& entry) {
    const std::string config = UserConfigDirectory();
    if (config.empty())
        return {};
    return (fs::path(config) / "autostart" / (entry.applicationId + ".desktop")).string();
}

// One argument of an Exec line: quoted, with the characters that stay special inside quotes
// escaped, field codes kept from expanding, and the backslashes escaped once more for the
// file's own string rules.
std::string ExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    quoted += '"';
    std::string escaped;
    for (const char c : quoted) {
        escaped += c;
        if (c == '\\')
            escaped += '\\';
    }
    return escaped;
}

bool HoldsLineBreak(const LoginStartEntry& entry) {
    for (const std::string* text :
         {&entry.name, &entry.applicationId, &entry.executable, &entry.argument})
        if (text->find_first_of("\r\n") != std::string::npos)
            return true;
    return false;
}

std::string EntryText(const LoginStartEntry& entry) {
    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + entry.name + "\n";
    text += "Exec=" + ExecArgument(entry.executable) + " " + ExecArgument(entry.argument) + "\n";
    text += "Icon=" + entry.applicationId + "\n";
    text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

// Written beside the entry and renamed over it, so a session that starts meanwhile never reads
// half an entry.
bool WriteEntry(const std::string& path, const std::string& text) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    if (error)
        fs::remove(temporary, error);
    return !error;
}

} // namespace

bool IsStartedAtLogin(const LoginStartEntry& entry) {
    const std::string path = EntryPath(entry);
    if (path.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    // A desktop that switches an entry off in its settings marks it hidden instead of removing it.
    for (std::string line; std::getline(in, line);)
        if (line == "Hidden=true")
            return false;
    return true;
}

bool SetStartedAtLogin(const LoginStartEntry& entry, bool on) {
    const std::string path = EntryPath(entry);
    if (path.empty())
        return false;
    if (!on) {
        std::error_code error;
        fs::remove(path, error);
        return !error;
    }
    return !HoldsLineBreak(entry) && WriteEntry(path, EntryText(entry));
}

} // namespace kolvane::platform
