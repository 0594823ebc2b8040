#include "platform/Files.h"

#include "base/PathTerms.h"
#include "platform/Temporaries.h"
#include "platform/posix/Descriptor.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace kolvane::platform {
namespace {

void SyncDirectoryOf(const std::string& path) {
    posix::Descriptor directory(
        ::open(posix::DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory)
        ::fsync(directory.get());
}

} // namespace

FileIdentity IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return {static_cast<std::uint64_t>(status.st_dev),
            static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec),
            static_cast<std::int64_t>(status.st_mtim.tv_nsec),
            true};
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    posix::Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool IsExistingFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsReadOnly(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0;
}

SystemError MakeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

SystemError RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

std::optional<std::string> CanonicalPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    struct stat status {};
    const bool fileExists = ::stat(path.c_str(), &status) == 0;
    const mode_t mode = fileExists ? status.st_mode & 07777 : 0666;
    std::string temporary;
    int descriptor = -1;
    // A crashed instance may have left a temporary file under the name this one would take.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = ReplacementTemporaryNameFor(path);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST)
            break;
    }
    posix::Descriptor fd(descriptor);
    if (!fd)
        return false;
    // The mode given to open is cut by the umask; a replacement keeps the old file's bits.
    const bool written = posix::WriteAll(fd.get(), content) == 0 &&
                         (!fileExists || ::fchmod(fd.get(), mode) == 0) && ::fsync(fd.get()) == 0 &&
                         fd.Close() == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectoryOf(path);
    return true;
}

// Taken on the file's directory, since the file itself is replaced by every write.
struct WriteLock::Handle {
    posix::Descriptor directory;
};

WriteLock::WriteLock(const std::string& path) : handle_(std::make_unique<Handle>()) {
    Handle& handle = *handle_;
    handle.directory.Reset(
        ::open(posix::DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (handle.directory && ::flock(handle.directory.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            handle.directory.Close();
            break;
        }
    }
}

WriteLock::~WriteLock() = default;

bool WriteLock::held() const {
    return static_cast<bool>(handle_->directory);
}

} // namespace kolvane::platform
