#include "platform/DirectoryListing.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kolvane::platform {

// A subdirectory is opened relative to its parent's descriptor, so a walk never resolves a long
// path again and cannot be led elsewhere by a directory renamed under it.
struct DirectoryListing::State {
    DIR* directory = nullptr;
    int error = 0;

    void Open(int parent, const char* name, bool followLink) {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
        const int fd = ::openat(parent, name, flags);
        if (fd < 0) {
            error = errno;
            return;
        }
        directory = ::fdopendir(fd);
        if (!directory) {
            error = errno;
            ::close(fd);
        }
    }
};

DirectoryListing::DirectoryListing(const std::string& path) : state_(std::make_unique<State>()) {
    state_->Open(AT_FDCWD, path.c_str(), true);
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, std::string_view name)
    : state_(std::make_unique<State>()) {
    state_->Open(::dirfd(parent.state_->directory), std::string(name).c_str(), false);
}

DirectoryListing::~DirectoryListing() {
    if (state_->directory)
        ::closedir(state_->directory);
}

DirectoryListing::operator bool() const {
    return state_->directory != nullptr;
}

SystemError DirectoryListing::error() const {
    return state_->error;
}

std::optional<DirectoryEntry> DirectoryListing::Next() {
    while (const dirent* entry = ::readdir(state_->directory)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status {};
            if (::fstatat(::dirfd(state_->directory), entry->d_name, &status,
                          AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = IFTODT(status.st_mode);
        }
        switch (type) {
        case DT_REG:
            return DirectoryEntry{name, EntryType::File};
        case DT_DIR:
            return DirectoryEntry{name, EntryType::Directory};
        case DT_LNK:
            return DirectoryEntry{name, EntryType::Link};
        default:
            return DirectoryEntry{name, EntryType::Other};
        }
    }
    return std::nullopt;
}

} // namespace kolvane::platform
