#include "platform/FileCopy.h"

#include "base/PathTerms.h"
#include "platform/Temporaries.h"
#include "platform/win32/Handle.h"
#include "platform/win32/NameLength.h"
#include "platform/win32/WideText.h"

#include <string_view>
#include <vector>

namespace kolvane::platform {
namespace {

using win32::Wide;

using win32::Handle;

// Large enough to keep the copy efficient, small enough that a stop is seen quickly.
constexpr std::size_t kCopyChunk = 1 << 20;
constexpr int kTemporaryNameAttempts = 100;
constexpr DWORD kMissing = INVALID_FILE_ATTRIBUTES;
// The attributes a copy carries over, as the system's own copy does.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The system's own copy refuses to replace a read-only or hidden file; the rename that replaces
// it here would not refuse, so the same refusal is made first. Returns 0 when it may be replaced.
SystemError RefuseProtected(const std::wstring& destination) {
    const DWORD attributes = ::GetFileAttributesW(destination.c_str());
    if (attributes == kMissing || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return ReadOnlyDestinationError();
    return (attributes & FILE_ATTRIBUTE_HIDDEN) ? AccessDeniedError() : 0;
}

void RemoveTemporary(const std::wstring& temporary) {
    // A copy of a read-only source is read-only too, and such a file cannot be deleted.
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temporary.c_str());
}

// Creates a file under a fresh temporary name in the directory; `temporary` receives the name.
SystemError CreateTemporary(std::string_view directory, std::wstring& temporary, Handle& file) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        temporary = Wide(CopyTemporaryNameIn(directory));
        file = Handle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (file)
            return 0;
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return static_cast<SystemError>(::GetLastError());
    }
    return ERROR_FILE_EXISTS;
}

SystemError CopyContent(HANDLE in, HANDLE out, const std::atomic<bool>& stop) {
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return CancelledError();
        DWORD got = 0;
        if (!::ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return static_cast<SystemError>(::GetLastError());
        if (got == 0)
            return 0;
        DWORD written = 0;
        if (!::WriteFile(out, buffer.data(), got, &written, nullptr) || written != got)
            return static_cast<SystemError>(::GetLastError());
    }
}

// Renames the complete temporary file over the destination; removes it when that fails.
SystemError Commit(const std::wstring& temporary, const std::wstring& destination) {
    if (::MoveFileExW(temporary.c_str(), destination.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    const DWORD error = ::GetLastError();
    RemoveTemporary(temporary);
    return static_cast<SystemError>(error);
}

} // namespace

// The copy is made here rather than by CopyFileExW, whose progress routine would be the place to
// stop: wine never calls it, so a stop there waits for the whole file. Copying chunk by chunk
// sees a stop between any two chunks, on every system.
SystemError CopyFileAtomically(const std::string& source, const std::string& destination,
                               CopyOptions options, const std::atomic<bool>& stop) {
    const DWORD openFlags =
        FILE_FLAG_SEQUENTIAL_SCAN | (options.followSource ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    Handle in(::CreateFileW(Wide(source).c_str(), GENERIC_READ, win32::kShareAll, nullptr,
                            OPEN_EXISTING, openFlags, nullptr));
    if (!in)
        return static_cast<SystemError>(::GetLastError());
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(in.get(), &information))
        return static_cast<SystemError>(::GetLastError());
    if (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return ERROR_ACCESS_DENIED;
    const std::wstring to = Wide(destination);
    if (win32::HasOverlongName(to))
        return ERROR_FILENAME_EXCED_RANGE;
    if (SystemError refusal = RefuseProtected(to))
        return refusal;
    std::wstring temporary;
    Handle out;
    if (SystemError error = CreateTemporary(ExtractFilePath(destination), temporary, out))
        return error;
    SystemError error = CopyContent(in.get(), out.get(), stop);
    if (error == 0 && !::SetFileTime(out.get(), nullptr, nullptr, &information.ftLastWriteTime))
        error = static_cast<SystemError>(::GetLastError());
    if (!out.Close() && error == 0)
        error = static_cast<SystemError>(::GetLastError());
    const DWORD attributes = information.dwFileAttributes & kCopiedAttributes;
    if (error == 0 &&
        !::SetFileAttributesW(temporary.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL))
        error = static_cast<SystemError>(::GetLastError());
    if (error != 0) {
        RemoveTemporary(temporary);
        return error;
    }
    return Commit(temporary, to);
}

// A link is recreated by the system's copy, which copies the link itself with this flag.
SystemError CopyLinkAtomically(const std::string& source, const std::string& destination) {
    const std::wstring to = Wide(destination);
    if (SystemError refusal = RefuseProtected(to))
        return refusal;
    const std::string_view directory = ExtractFilePath(destination);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::wstring temporary = Wide(CopyTemporaryNameIn(directory));
        if (::CopyFileExW(Wide(source).c_str(), temporary.c_str(), nullptr, nullptr, nullptr,
                          COPY_FILE_COPY_SYMLINK | COPY_FILE_FAIL_IF_EXISTS))
            return Commit(temporary, to);
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return static_cast<SystemError>(::GetLastError());
    }
    return ERROR_FILE_EXISTS;
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
