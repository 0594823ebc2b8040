#include "platform/LoginStart.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace kolvane::platform {
namespace {

std::wstring ShortcutPath(const LoginStartEntry& entry) {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\" + win32::Wide(entry.name) + L".lnk";
    // The caller frees the text whether or not the call succeeded.
    ::CoTaskMemFree(folder);
    return path;
}

std::wstring DirectoryOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// COM for the calls of one function; a thread that has it already (the UI thread of a front end)
// keeps it as it was.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// Releases the interface on every way out.
template <typename Interface> class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface** out() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

bool WriteShortcut(const std::wstring& path, const LoginStartEntry& entry) {
    const ComScope com;
    if (!com.usable())
        return false;
    ComPointer<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.out()))))
        return false;
    const std::wstring executable = win32::Wide(entry.executable);
    ComPointer<IPersistFile> file;
    return SUCCEEDED(link->SetPath(executable.c_str())) &&
           SUCCEEDED(link->SetArguments(win32::Wide(entry.argument).c_str())) &&
           SUCCEEDED(link->SetWorkingDirectory(DirectoryOf(executable).c_str())) &&
           SUCCEEDED(link->SetDescription(win32::Wide(entry.name).c_str())) &&
           SUCCEEDED(
               link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) &&
           SUCCEEDED(file->Save(path.c_str(), TRUE));
}

} // namespace

bool IsStartedAtLogin(const LoginStartEntry& entry) {
    const std::wstring path = ShortcutPath(entry);
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetStartedAtLogin(const LoginStartEntry& entry, bool on) {
    const std::wstring path = ShortcutPath(entry);
    if (path.empty())
        return false;
    if (on)
        return WriteShortcut(path, entry);
    return ::DeleteFileW(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace kolvane::platform
