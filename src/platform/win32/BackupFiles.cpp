#include "platform/BackupFiles.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

namespace kolvane::platform {
namespace {

using win32::Wide;

// A directory that is a reparse point (a junction or a directory link) is removed as a name,
// never entered.
SystemError RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return static_cast<SystemError>(::GetLastError());
    SystemError failure = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring inner = path + L"\\" + name;
        const DWORD attributes = data.dwFileAttributes;
        // Backups keep the read-only attribute of what they copied; it must not keep them.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesW(inner.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!::DeleteFileW(inner.c_str()))
                failure = static_cast<SystemError>(::GetLastError());
        } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (!::RemoveDirectoryW(inner.c_str()))
                failure = static_cast<SystemError>(::GetLastError());
        } else {
            failure = RemoveTree(inner);
        }
    } while (failure == 0 && ::FindNextFileW(find, &data));
    ::FindClose(find);
    if (failure != 0)
        return failure;
    if (!::RemoveDirectoryW(path.c_str()))
        return static_cast<SystemError>(::GetLastError());
    return 0;
}

std::int64_t Combined(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

} // namespace

std::optional<FileStamp> RegularFileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return std::nullopt;
    // FILETIME counts 100-nanosecond steps.
    const std::int64_t ticks =
        Combined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return FileStamp{Combined(data.nFileSizeHigh, data.nFileSizeLow), ticks / 10000000,
                     ticks % 10000000 * 100};
}

// Windows has no lookup relative to an open directory that is cheaper than a whole path.
struct NamedDirectory::State {
    std::string directory;
    bool open = false;
};

NamedDirectory::NamedDirectory() : state_(std::make_unique<State>()) {}
NamedDirectory::~NamedDirectory() = default;

void NamedDirectory::Open(const std::string& path) {
    state_->directory = path;
    if (!state_->directory.empty() && state_->directory.back() != '\\' &&
        state_->directory.back() != '/')
        state_->directory += '\\';
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    state_->open = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStamp> NamedDirectory::Of(std::string_view name) const {
    if (!state_->open)
        return std::nullopt;
    return RegularFileStamp(state_->directory + std::string(name));
}

SystemError NamedDirectory::LinkInto(std::string_view name, const NamedDirectory& target) const {
    if (!state_->open || !target.state_->open)
        return static_cast<SystemError>(ERROR_PATH_NOT_FOUND);
    return MakeHardLink(state_->directory + std::string(name),
                        target.state_->directory + std::string(name));
}

SystemError NamedDirectory::CopyInto(std::string_view name, const NamedDirectory& target,
                                     CopyOptions options, const std::atomic<bool>& stop) const {
    return CopyFileAtomically(state_->directory + std::string(name),
                              target.state_->directory + std::string(name), options, stop);
}

SystemError MakeHardLink(const std::string& existing, const std::string& link) {
    if (::CreateHardLinkW(Wide(link).c_str(), Wide(existing).c_str(), nullptr))
        return 0;
    return static_cast<SystemError>(::GetLastError());
}

SystemError RemoveDirectoryTree(const std::string& path) {
    std::wstring wide = Wide(path);
    while (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/'))
        wide.pop_back();
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return static_cast<SystemError>(::GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return static_cast<SystemError>(ERROR_DIRECTORY);
    return RemoveTree(wide);
}

} // namespace kolvane::platform
