#include "platform/UserDirectories.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

#include <shlobj.h>

namespace kolvane::platform {
namespace {

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return {};
    // "C:" alone would name the current directory of drive C, not its root.
    const bool driveRoot = separator == 2 && path[1] == L':';
    return path.substr(0, driveRoot ? separator + 1 : separator);
}

std::wstring WideExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        // A name that fills the buffer to its end was cut short.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::string ExecutablePath() {
    return win32::Utf8(WideExecutablePath());
}

std::string ExecutableDirectory() {
    return win32::Utf8(ParentOf(WideExecutablePath()));
}

bool IsDirectoryWritable(const std::string& directory) {
    const std::wstring wideDirectory = win32::Wide(directory);
    if (wideDirectory.empty())
        return false;
    // Access rights on Windows come from lists that only the system evaluates well: creating a
    // file there is the one sure answer. The file goes when its handle closes.
    const std::wstring probeStem =
        wideDirectory + L"\\.kolvane-write-check-" + std::to_wstring(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring probe = probeStem + L"-" + std::to_wstring(attempt);
        const HANDLE handle = ::CreateFileW(
            probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

std::string UserConfigDirectory() {
    PWSTR path = nullptr;
    std::string directory;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)))
        directory = win32::Utf8(path);
    // The caller frees the text whether or not the call succeeded.
    ::CoTaskMemFree(path);
    return directory;
}

std::string ProgramConfigDirectory(const std::string& programName) {
    const std::string base = UserConfigDirectory();
    return base.empty() ? std::string() : base + "\\" + programName;
}

} // namespace kolvane::platform
