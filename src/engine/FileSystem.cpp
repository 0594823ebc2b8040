#include "engine/FileSystem.h"

#include "engine/Paths.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kolvane::filesystem {
namespace {

// Large enough to keep in-kernel copies efficient, small enough that a stop is seen quickly even
// while writeback is throttled.
constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::size_t kFallbackBuffer = 256 << 10;
constexpr int kTemporaryNameAttempts = 100;
constexpr off_t kLargeFile = 1 << 20;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Returns 0 or the errno of a failed close (a write error can surface only here).
    int Close() {
        if (fd_ < 0)
            return 0;
        const int result = ::close(std::exchange(fd_, -1));
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

constexpr std::string_view kTemporaryPrefix = ".kolvane-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr char kTemporaryLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTemporaryRandomLength = 10;

// ".kolvane-<owner's process id>-<random letters>.tmp": the owner's id tells a later run whether
// the temporary was left by a process that died.
std::string TemporaryNameIn(std::string_view directory) {
    static const std::string owner = std::to_string(::getpid());
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(directory);
    name.append(kTemporaryPrefix).append(owner) += '-';
    for (std::size_t i = 0; i < kTemporaryRandomLength; ++i)
        name += kTemporaryLetters[random() % (sizeof kTemporaryLetters - 1)];
    return name.append(kTemporarySuffix);
}

// The owner's process id of a name made by TemporaryNameIn; nothing for any other name.
std::optional<long> TemporaryOwner(std::string_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return std::nullopt;
    name.remove_prefix(kTemporaryPrefix.size());
    name.remove_suffix(kTemporarySuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != kTemporaryRandomLength)
        return std::nullopt;
    const std::string_view random = name.substr(dash + 1);
    if (random.find_first_not_of(kTemporaryLetters) != std::string_view::npos)
        return std::nullopt;
    long pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    if (error != std::errc{} || end != name.data() + dash || pid <= 0 || name.front() == '0')
        return std::nullopt;
    return pid;
}

bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// Where a copy's content is written until it is complete: a file without a name where the file
// system allows one (a crash or a stop leaves nothing behind), otherwise a hidden name beside the
// destination, removed unless committed. A file that replaces another is staged under a hidden
// name at once: linking an unnamed file in and then renaming it costs an orphan-list update per
// file, which made replacing many small files half again as slow; a kill mid-copy may leave that
// hidden name, never a truncated destination.
class StagingFile {
public:
    StagingFile(std::string_view directory, bool replacing) : directory_(directory) {
        if (!replacing && CanNameUnnamedFiles()) {
            const std::string where = directory_.empty() ? "." : directory_;
            descriptor_.Reset(::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
            if (descriptor_)
                return;
        }
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            std::string path = TemporaryNameIn(directory_);
            descriptor_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (descriptor_) {
                path_ = std::move(path);
                return;
            }
            if (errno != EEXIST)
                break;
        }
        error_ = errno;
    }
    ~StagingFile() {
        descriptor_.Close();
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    int error() const { return error_; }
    int descriptor() const { return descriptor_.get(); }

    int CommitAs(const std::string& destination, bool destinationExists) {
        const bool unnamed = path_.empty();
        if (unnamed && !destinationExists) {
            if (LinkAs(destination))
                return descriptor_.Close();
            if (errno != EEXIST)
                return errno;
        }
        // Replacing needs a rename, and a rename needs a name.
        if (unnamed) {
            if (int error = LinkUnderTemporaryName())
                return error;
        }
        if (int error = descriptor_.Close())
            return error;
        if (::rename(path_.c_str(), destination.c_str()) != 0)
            return errno;
        path_.clear();
        return 0;
    }

private:
    // Gives the unnamed file a name; on failure errno says why.
    bool LinkAs(const std::string& name) {
        const std::string self = "/proc/self/fd/" + std::to_string(descriptor_.get());
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    int LinkUnderTemporaryName() {
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            std::string path = TemporaryNameIn(directory_);
            if (LinkAs(path)) {
                path_ = std::move(path);
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    std::string directory_;
    std::string path_; // the temporary name, while there is one
    Descriptor descriptor_;
    int error_ = 0;
};

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int CopyByReading(int in, int out, const std::atomic<bool>& stop) {
    std::vector<char> buffer(kFallbackBuffer);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return ECANCELED;
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0 ? 0 : errno;
        if (int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(count)))
            return error;
    }
}

bool CannotCopyInKernel(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

int CopyContent(int in, int out, const std::atomic<bool>& stop) {
    for (bool first = true;; first = false) {
        if (stop.load(std::memory_order_relaxed))
            return ECANCELED;
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, kCopyChunk, 0);
        if (copied > 0)
            continue;
        if (copied < 0 && errno == EINTR)
            continue;
        // Some file systems report files they generate as empty to in-kernel copies, so an
        // apparently empty file is confirmed by reading it.
        if (first && (copied == 0 || CannotCopyInKernel(errno)))
            return CopyByReading(in, out, stop);
        return copied == 0 ? 0 : errno;
    }
}

// The cached pages of a large file about to be replaced are of no further use; letting them go
// first gives the new copy memory that is ready, instead of holding both copies in the cache.
void ForgetCachedContent(const std::string& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file)
        ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
}

// A destination file without any write permission is protected from replacement, whoever runs.
int RefuseReadOnly(const std::string& destination, bool& exists) {
    struct stat status {};
    exists = ::lstat(destination.c_str(), &status) == 0;
    if (exists && S_ISREG(status.st_mode) && (status.st_mode & 0222) == 0)
        return kReadOnlyDestination;
    if (exists && S_ISREG(status.st_mode) && status.st_size >= kLargeFile)
        ForgetCachedContent(destination);
    return 0;
}

int CopyAttributes(int out, const struct stat& source) {
    if (::fchmod(out, source.st_mode & 0777) != 0)
        return errno;
    const timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
    return ::futimens(out, times) == 0 ? 0 : errno;
}

std::optional<std::string> ReadLink(const std::string& path, int& error) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            error = errno;
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

} // namespace

bool IsExistingFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

ErrorKind KindOfError(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return ErrorKind::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return ErrorKind::DiskFull;
    case ENOENT:
        return ErrorKind::NotFound;
    case kReadOnlyDestination:
        return ErrorKind::ReadOnlyDestination;
    case EROFS:
        return ErrorKind::ReadOnlyFileSystem;
    case ENAMETOOLONG:
        return ErrorKind::NameTooLong;
    case EBUSY:
    case ETXTBSY:
        return ErrorKind::InUse;
    default:
        return ErrorKind::Other;
    }
}

std::string SystemErrorText(int error) {
    return std::generic_category().message(error);
}

std::optional<std::string> CanonicalPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

bool IsProcessRunning(long pid) {
    // EPERM: the process exists but belongs to another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

void RemoveStaleTemporaries(const std::string& directory) {
    DirectoryListing listing(AT_FDCWD, directory.c_str(), false);
    if (!listing)
        return;
    while (auto entry = listing.Next()) {
        if (entry->type != EntryType::File && entry->type != EntryType::Link)
            continue;
        const std::optional<long> owner = TemporaryOwner(entry->name);
        if (owner && !IsProcessRunning(*owner))
            ::unlinkat(listing.descriptor(), entry->name.data(), 0);
    }
}

DirectoryListing::DirectoryListing(int parent, const char* name, bool followLink) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::openat(parent, name, flags);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    directory_ = ::fdopendir(fd);
    if (!directory_) {
        error_ = errno;
        ::close(fd);
    }
}

DirectoryListing::~DirectoryListing() {
    if (directory_)
        ::closedir(directory_);
}

int DirectoryListing::descriptor() const {
    return ::dirfd(directory_);
}

std::optional<DirectoryEntry> DirectoryListing::Next() {
    while (const dirent* entry = ::readdir(directory_)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status {};
            if (::fstatat(descriptor(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
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

int ReplaceLinkByDirectory(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno;
    if (!S_ISLNK(status.st_mode))
        return 0;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return errno;
    if (::mkdir(path.c_str(), 0777) == 0)
        return 0;
    // Another job may replace the same link at the same moment.
    const int error = errno;
    const bool madeByOther = ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    return error == EEXIST && madeByOther ? 0 : error;
}

int CopyFileAtomically(const std::string& source, const std::string& destination, bool followSource,
                       const std::atomic<bool>& stop) {
    // Non-blocking, so that a pipe met at the source cannot hold the job.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followSource ? 0 : O_NOFOLLOW);
    Descriptor in(::open(source.c_str(), flags));
    if (!in)
        return errno;
    struct stat status {};
    if (::fstat(in.get(), &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    bool destinationExists = false;
    if (int refusal = RefuseReadOnly(destination, destinationExists))
        return refusal;
    StagingFile staging(ExtractFilePath(destination), destinationExists);
    if (staging.error())
        return staging.error();
    if (int error = CopyContent(in.get(), staging.descriptor(), stop))
        return error;
    if (int error = CopyAttributes(staging.descriptor(), status))
        return error;
    return staging.CommitAs(destination, destinationExists);
}

int CopyLinkAtomically(const std::string& source, const std::string& destination) {
    int error = 0;
    const std::optional<std::string> target = ReadLink(source, error);
    if (!target)
        return error;
    bool destinationExists = false;
    if (int refusal = RefuseReadOnly(destination, destinationExists))
        return refusal;
    const std::string_view directory = ExtractFilePath(destination);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string temporary = TemporaryNameIn(directory);
        if (::symlink(target->c_str(), temporary.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::rename(temporary.c_str(), destination.c_str()) == 0)
            return 0;
        error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    return EEXIST;
}

} // namespace kolvane::filesystem
