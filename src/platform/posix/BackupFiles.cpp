#include "platform/BackupFiles.h"

#include "platform/posix/CopyAt.h"
#include "platform/posix/Descriptor.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kolvane::platform {
namespace {

// Empties the directory open as `directory`, which this call closes.
SystemError RemoveEntriesOf(int directory) {
    DIR* listing = ::fdopendir(directory);
    if (!listing) {
        const SystemError error = errno;
        ::close(directory);
        return error;
    }
    SystemError failure = 0;
    while (failure == 0) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (!entry) {
            failure = errno;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (::unlinkat(directory, name.c_str(), 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM) {
            failure = errno;
            break;
        }
        // Linux refuses to unlink a directory with EISDIR, other systems with EPERM.
        const int inner =
            ::openat(directory, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inner < 0) {
            failure = errno;
            break;
        }
        failure = RemoveEntriesOf(inner);
        if (failure == 0 && ::unlinkat(directory, name.c_str(), AT_REMOVEDIR) != 0)
            failure = errno;
    }
    ::closedir(listing);
    return failure;
}

} // namespace

std::optional<FileStamp> RegularFileStamp(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec),
                     static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

struct NamedDirectory::State {
    posix::Descriptor directory;
    std::string path;
    mutable std::string name; // zero-terminated for the call
    // Found at the first copy into the directory.
    mutable std::optional<std::optional<mode_t>> creationMask;
};

NamedDirectory::NamedDirectory() : state_(std::make_unique<State>()) {}
NamedDirectory::~NamedDirectory() = default;

void NamedDirectory::Open(const std::string& path) {
    state_->directory.Reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    state_->path = path;
    state_->creationMask.reset();
}

std::optional<FileStamp> NamedDirectory::Of(std::string_view name) const {
    if (!state_->directory)
        return std::nullopt;
    state_->name.assign(name);
    struct stat status {};
    if (::fstatat(state_->directory.get(), state_->name.c_str(), &status, AT_SYMLINK_NOFOLLOW) !=
            0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec),
                     static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

SystemError NamedDirectory::LinkInto(std::string_view name, const NamedDirectory& target) const {
    if (!state_->directory || !target.state_->directory)
        return EBADF;
    state_->name.assign(name);
    return ::linkat(state_->directory.get(), state_->name.c_str(), target.state_->directory.get(),
                    state_->name.c_str(), 0) == 0
               ? 0
               : errno;
}

SystemError NamedDirectory::CopyInto(std::string_view name, const NamedDirectory& target,
                                     CopyOptions options, const std::atomic<bool>& stop) const {
    const State& to = *target.state_;
    // A directory that could not be opened: the copy by whole paths tells why.
    if (!state_->directory || !to.directory)
        return CopyFileAtomically(state_->path + std::string(name), to.path + std::string(name),
                                  options, stop);
    if (!to.creationMask)
        to.creationMask = posix::CreationMaskOf(to.path);
    state_->name.assign(name);
    return posix::CopyFileAt({state_->directory.get(), state_->name.c_str()},
                             {to.directory.get(), state_->name.c_str()}, options, stop,
                             *to.creationMask);
}

SystemError MakeHardLink(const std::string& existing, const std::string& link) {
    return ::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, link.c_str(), 0) == 0 ? 0 : errno;
}

SystemError RemoveDirectoryTree(const std::string& path) {
    const int directory = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (directory < 0)
        return errno;
    if (const SystemError error = RemoveEntriesOf(directory))
        return error;
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

} // namespace kolvane::platform
