#include "platform/FileCopy.h"

#include "base/PathTerms.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

#include <random>
#include <string_view>

namespace kolvane::platform {
namespace {

using win32::Wide;

constexpr int kTemporaryNameAttempts = 100;
constexpr DWORD kMissing = INVALID_FILE_ATTRIBUTES;

std::wstring TemporaryNameIn(std::string_view directory) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(directory);
    name += ".kolvane-";
    for (int i = 0; i < 10; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return Wide(name += ".tmp");
}

// The system's own copy refuses a read-only or hidden destination; the rename that replaces it
// here would not, so the same refusal is made first.
bool IsProtected(const std::wstring& destination) {
    const DWORD attributes = ::GetFileAttributesW(destination.c_str());
    return attributes != kMissing && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) != 0;
}

// Called by CopyFileExW on the copying thread between chunks.
DWORD CALLBACK StopWhenAsked(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                             DWORD, HANDLE, HANDLE, LPVOID stop) {
    return static_cast<const std::atomic<bool>*>(stop)->load(std::memory_order_relaxed)
               ? PROGRESS_CANCEL
               : PROGRESS_CONTINUE;
}

void RemoveTemporary(const std::wstring& temporary) {
    // A copy of a read-only source is read-only too, and such a file cannot be deleted.
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temporary.c_str());
}

// Copies with CopyFileExW (content, attributes and last-write time) under a temporary name
// beside the destination, then renames it over the destination.
SystemError CopyThroughTemporary(const std::string& source, const std::string& destination,
                                 DWORD flags, const std::atomic<bool>* stop) {
    const std::wstring from = Wide(source), to = Wide(destination);
    if (IsProtected(to))
        return ERROR_ACCESS_DENIED;
    const std::string_view directory = ExtractFilePath(destination);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::wstring temporary = TemporaryNameIn(directory);
        if (!::CopyFileExW(from.c_str(), temporary.c_str(), stop ? StopWhenAsked : nullptr,
                           const_cast<std::atomic<bool>*>(stop), nullptr,
                           flags | COPY_FILE_FAIL_IF_EXISTS)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS)
                continue;
            RemoveTemporary(temporary);
            return static_cast<SystemError>(error);
        }
        if (::MoveFileExW(temporary.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        const DWORD error = ::GetLastError();
        RemoveTemporary(temporary);
        return static_cast<SystemError>(error);
    }
    return ERROR_FILE_EXISTS;
}

} // namespace

SystemError CopyFileAtomically(const std::string& source, const std::string& destination,
                               bool followSource, const std::atomic<bool>& stop) {
    // A stopped copy fails with ERROR_REQUEST_ABORTED, which is CancelledError here.
    const DWORD flags = followSource ? 0 : COPY_FILE_COPY_SYMLINK;
    return CopyThroughTemporary(source, destination, flags, &stop);
}

SystemError CopyLinkAtomically(const std::string& source, const std::string& destination) {
    return CopyThroughTemporary(source, destination, COPY_FILE_COPY_SYMLINK, nullptr);
}

SystemError ReplaceLinkByDirectory(const std::string& path) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == kMissing)
        return static_cast<SystemError>(::GetLastError());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return 0;
    // Removing a directory link removes the link, never what it points to.
    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(wide.c_str())
                                                                 : ::DeleteFileW(wide.c_str());
    if (!removed && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return static_cast<SystemError>(::GetLastError());
    if (::CreateDirectoryW(wide.c_str(), nullptr))
        return 0;
    // Another job may replace the same link at the same moment.
    const DWORD error = ::GetLastError();
    const DWORD now = ::GetFileAttributesW(wide.c_str());
    const bool madeByOther = now != kMissing && (now & FILE_ATTRIBUTE_DIRECTORY) &&
                             (now & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    return error == ERROR_ALREADY_EXISTS && madeByOther ? 0 : static_cast<SystemError>(error);
}

} // namespace kolvane::platform
