#include "platform/Files.h"

#include "base/PathTerms.h"
#include "platform/Temporaries.h"
#include "platform/win32/Handle.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <atomic>

namespace kolvane::platform {
namespace {

using win32::Handle;
using win32::Wide;

constexpr DWORD kMissing = INVALID_FILE_ATTRIBUTES;
// What a replacement of the settings file carries over from the file it replaces; the read-only
// attribute never needs to, since a read-only file is not written.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

DWORD AttributesOf(const std::string& path) {
    return ::GetFileAttributesW(Wide(path).c_str());
}

// FILETIME counts 100-nanosecond steps.
void SetModified(FileIdentity& identity, const FILETIME& time) {
    const std::int64_t ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    identity.modifiedSeconds = ticks / 10000000;
    identity.modifiedNanoseconds = ticks % 10000000 * 100;
}

std::int64_t SizeOf(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

// A file another program holds open without sharing still shows its size and time.
FileIdentity IdentityFromAttributes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {};
    FileIdentity identity;
    identity.exists = true;
    identity.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
    SetModified(identity, data.ftLastWriteTime);
    return identity;
}

bool WriteAll(HANDLE file, std::string_view data) {
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0)
            return false;
        data.remove_prefix(written);
    }
    return true;
}

// One name for every instance that writes the same file, however the path is spelled: the
// full path in one letter case, hashed to stay within the length a name may have.
std::wstring LockNameFor(const std::string& path) {
    const std::wstring wide = Wide(path);
    std::wstring full(MAX_PATH, L'\0');
    DWORD length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length > full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    }
    full.resize(length == 0 ? 0 : length);
    if (full.empty())
        full = wide;
    ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : full) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    ::wsprintfW(name, L"Local\\kolvane-write-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
                static_cast<unsigned long>(hash & 0xffffffffu));
    return name;
}

} // namespace

FileIdentity IdentityOf(const std::string& path) {
    const std::wstring wide = Wide(path);
    Handle file(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, win32::kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !::GetFileInformationByHandle(file.get(), &information))
        return IdentityFromAttributes(wide);
    FileIdentity identity;
    identity.exists = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.file =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    identity.size = SizeOf(information.nFileSizeHigh, information.nFileSizeLow);
    SetModified(identity, information.ftLastWriteTime);
    return identity;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    // Shared for deleting too, so that another instance can rename its new file over this one.
    Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, win32::kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? std::optional<std::string>("") : std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, got);
    }
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != kMissing && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != kMissing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != kMissing && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

SystemError MakeDirectory(const std::string& path) {
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr) ? 0 : static_cast<int>(::GetLastError());
}

// As on POSIX, where only the directory decides, a read-only file is removed all the same.
SystemError RemoveFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == kMissing)
        return static_cast<SystemError>(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // A link to a directory is itself a directory entry.
    const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(wide.c_str())
                                                                 : ::DeleteFileW(wide.c_str());
    return removed ? 0 : static_cast<SystemError>(::GetLastError());
}

std::optional<std::string> CanonicalPath(const std::string& path) {
    // Directories open only with backup semantics.
    Handle entry(::CreateFileW(Wide(path).c_str(), 0, win32::kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry)
        return std::nullopt;
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(entry.get(), resolved.data(),
                                        static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return std::nullopt;
        if (length < resolved.size()) {
            resolved.resize(length);
            break;
        }
        resolved.resize(length);
    }
    // The answer names the path in its long form: "\\?\C:\..." or "\\?\UNC\server\...".
    constexpr std::wstring_view kLong = L"\\\\?\\", kLongShare = L"\\\\?\\UNC\\";
    std::wstring_view shown = resolved;
    if (shown.starts_with(kLongShare))
        return "\\\\" + win32::Utf8(shown.substr(kLongShare.size()));
    if (shown.starts_with(kLong))
        shown.remove_prefix(kLong.size());
    return win32::Utf8(shown);
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    const DWORD old = AttributesOf(path);
    const DWORD attributes =
        old == kMissing ? FILE_ATTRIBUTE_NORMAL : (old & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    std::wstring temporary;
    Handle file;
    // A crashed instance may have left a temporary file under the name this one would take.
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = Wide(ReplacementTemporaryNameFor(path));
        file = Handle(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!file)
        return false;
    const bool written = WriteAll(file.get(), content) && ::FlushFileBuffers(file.get()) &&
                         file.Close() &&
                         ::MoveFileExW(temporary.c_str(), Wide(path).c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!written) {
        file.Close();
        ::DeleteFileW(temporary.c_str());
    }
    return written;
}

// A named mutex: a directory cannot be locked on Windows, and the file itself is replaced by
// every write. The system hands an abandoned mutex to the next waiter, so a crashed writer
// never blocks the others.
struct WriteLock::Handle {
    HANDLE mutex = nullptr;
    bool held = false;
};

WriteLock::WriteLock(const std::string& path) : handle_(std::make_unique<Handle>()) {
    handle_->mutex = ::CreateMutexW(nullptr, FALSE, LockNameFor(path).c_str());
    if (!handle_->mutex)
        return;
    const DWORD waited = ::WaitForSingleObject(handle_->mutex, INFINITE);
    handle_->held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

WriteLock::~WriteLock() {
    if (handle_->held)
        ::ReleaseMutex(handle_->mutex);
    if (handle_->mutex)
        ::CloseHandle(handle_->mutex);
}

bool WriteLock::held() const {
    return handle_->held;
}

} // namespace kolvane::platform
