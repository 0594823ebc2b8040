#include "platform/DirectoryListing.h"

#include "base/PathTerms.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Windows.h"

namespace kolvane::platform {
namespace {

bool IsLink(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

EntryType TypeOf(const WIN32_FIND_DATAW& data) {
    if (IsLink(data))
        return EntryType::Link;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryType::Directory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)
        return EntryType::Other;
    return EntryType::File;
}

} // namespace

// The system hands out the first entry when the listing opens; it waits in `data` until Next.
struct DirectoryListing::State {
    std::string path; // with a separator at its end
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false;
    SystemError error = 0;
    std::string name;

    void Open(std::string directory) {
        path = WithSeparator(std::move(directory));
        // "*" matches every name, with or without a full stop.
        find = ::FindFirstFileExW(win32::Wide(path + "*").c_str(), FindExInfoBasic, &data,
                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find != INVALID_HANDLE_VALUE) {
            pending = true;
            return;
        }
        error = static_cast<SystemError>(::GetLastError());
        // The root of a drive may hold nothing at all, not even "." and "..".
        if (error == ERROR_FILE_NOT_FOUND)
            error = 0;
    }

    bool opened() const { return error == 0; }
};

DirectoryListing::DirectoryListing(const std::string& path) : state_(std::make_unique<State>()) {
    state_->Open(path);
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, std::string_view name)
    : state_(std::make_unique<State>()) {
    const std::string path = parent.state_->path + std::string(name);
    const DWORD attributes = ::GetFileAttributesW(win32::Wide(path).c_str());
    // A link put in place of the directory since it was listed is not followed.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        state_->error = ERROR_CANT_RESOLVE_FILENAME;
        return;
    }
    state_->Open(path);
}

DirectoryListing::~DirectoryListing() {
    if (state_->find != INVALID_HANDLE_VALUE)
        ::FindClose(state_->find);
}

DirectoryListing::operator bool() const {
    return state_->opened();
}

SystemError DirectoryListing::error() const {
    return state_->error;
}

std::optional<DirectoryEntry> DirectoryListing::Next() {
    State& state = *state_;
    if (state.find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    for (;;) {
        if (!state.pending && !::FindNextFileW(state.find, &state.data))
            return std::nullopt;
        state.pending = false;
        const std::wstring_view name = state.data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        state.name = win32::Utf8(name);
        return DirectoryEntry{state.name, TypeOf(state.data)};
    }
}

} // namespace kolvane::platform
