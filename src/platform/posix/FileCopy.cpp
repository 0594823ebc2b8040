#include "platform/FileCopy.h"

#include "base/PathTerms.h"
#include "platform/Temporaries.h"
#include "platform/posix/CopyAt.h"
#include "platform/posix/Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kolvane::platform {
namespace {

// Large enough to keep in-kernel copies efficient, small enough that a stop is seen quickly even
// while writeback is throttled.
constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::size_t kReadBuffer = 256 << 10;
constexpr off_t kSmallFile = 64 << 10;
constexpr int kTemporaryNameAttempts = 100;
constexpr off_t kLargeFile = 1 << 20;

using posix::Descriptor;

bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// Whether a file without a name can be linked in through its own descriptor (AT_EMPTY_PATH),
// which spares looking up /proc/self/fd for each file; older kernels allow that to privileged
// processes only. Unknown until the first link.
std::atomic<int> emptyPathLinks{-1};

// Where a copy's content is written until it is complete: a file without a name where the file
// system allows one (a crash or a stop leaves nothing behind), otherwise a hidden name beside the
// destination, removed unless committed. A file that replaces another is staged under a hidden
// name at once: linking an unnamed file in and then renaming it costs an orphan-list update per
// file, which made replacing many small files half again as slow; a kill mid-copy may leave that
// hidden name, never a truncated destination.
class StagingFile {
public:
    // An unnamed file is made with `unnamedMode`; a named one is readable by its owner alone.
    StagingFile(const posix::FileAt& destination, bool replacing, mode_t unnamedMode)
        : directory_(destination.directory), folder_(destination.folder) {
        if (!replacing && CanNameUnnamedFiles()) {
            const std::string where = folder_.empty() ? "." : folder_;
            descriptor_.Reset(
                ::openat(directory_, where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, unnamedMode));
            if (descriptor_)
                return;
        }
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            std::string path = CopyTemporaryNameIn(folder_);
            descriptor_.Reset(
                ::openat(directory_, path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
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
            ::unlinkat(directory_, path_.c_str(), 0);
    }
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    int error() const { return error_; }
    int descriptor() const { return descriptor_.get(); }
    // Whether the file was made without a name, and so with the mode asked for.
    bool unnamed() const { return descriptor_ && path_.empty(); }

    // Returns EEXIST, the staging file kept, when a destination thought missing is there.
    int CommitAs(const posix::FileAt& destination, bool destinationExists) {
        const bool unnamed = path_.empty();
        if (unnamed && !destinationExists)
            return LinkAs(destination.name) ? descriptor_.Close() : errno;
        // Replacing needs a rename, and a rename needs a name.
        if (unnamed) {
            if (int error = LinkUnderTemporaryName())
                return error;
        }
        if (int error = descriptor_.Close())
            return error;
        if (::renameat(directory_, path_.c_str(), directory_, destination.name) != 0)
            return errno;
        path_.clear();
        return 0;
    }

private:
    // Gives the unnamed file a name; on failure errno says why.
    bool LinkAs(const char* name) {
        if (emptyPathLinks.load(std::memory_order_relaxed) != 0) {
            if (::linkat(descriptor_.get(), "", directory_, name, AT_EMPTY_PATH) == 0) {
                emptyPathLinks.store(1, std::memory_order_relaxed);
                return true;
            }
            if (errno != ENOENT && errno != EPERM)
                return false;
        }
        if (!LinkThroughProc(name))
            return false;
        emptyPathLinks.store(0, std::memory_order_relaxed);
        return true;
    }

    bool LinkThroughProc(const char* name) {
        constexpr std::string_view kSelf = "/proc/self/fd/";
        char self[kSelf.size() + 12] = {};
        kSelf.copy(self, kSelf.size());
        std::to_chars(self + kSelf.size(), self + sizeof self - 1, descriptor_.get());
        return ::linkat(AT_FDCWD, self, directory_, name, AT_SYMLINK_FOLLOW) == 0;
    }

    int LinkUnderTemporaryName() {
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            std::string path = CopyTemporaryNameIn(folder_);
            if (LinkAs(path.c_str())) {
                path_ = std::move(path);
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    int directory_;
    std::string folder_;
    std::string path_; // the temporary name, while there is one
    Descriptor descriptor_;
    int error_ = 0;
};

std::vector<char>& ReadBuffer() {
    thread_local std::vector<char> buffer(kReadBuffer);
    return buffer;
}

// `size` is the size the source had when it was opened: a read that returns less than asked for
// once that much is copied has met the end, which spares small files the read that returns 0.
int CopyByReading(int in, int out, off_t size, const std::atomic<bool>& stop) {
    std::vector<char>& buffer = ReadBuffer();
    for (off_t copied = 0;;) {
        if (stop.load(std::memory_order_relaxed))
            return ECANCELED;
        const ssize_t count = ::read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0 ? 0 : errno;
        if (int error = posix::WriteAll(out, {buffer.data(), static_cast<std::size_t>(count)}))
            return error;
        copied += count;
        if (static_cast<std::size_t>(count) < buffer.size() && copied >= size)
            return 0;
    }
}

bool CannotCopyInKernel(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

// An in-kernel copy costs more than a read and a write on a small file.
int CopyContent(int in, int out, off_t size, const std::atomic<bool>& stop) {
    if (size < kSmallFile)
        return CopyByReading(in, out, size, stop);
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
            return CopyByReading(in, out, size, stop);
        return copied == 0 ? 0 : errno;
    }
}

// The cached pages of a large file about to be replaced are of no further use; letting them go
// first gives the new copy memory that is ready, instead of holding both copies in the cache.
void ForgetCachedContent(const posix::FileAt& place) {
    Descriptor file(
        ::openat(place.directory, place.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file)
        ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
}

// A destination file without any write permission is protected from replacement, whoever runs.
int RefuseReadOnly(const posix::FileAt& destination, bool& exists, struct stat& status) {
    exists = ::fstatat(destination.directory, destination.name, &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISREG(status.st_mode) && (status.st_mode & 0222) == 0)
        return ReadOnlyDestinationError();
    return 0;
}

int RefuseReadOnly(const posix::FileAt& destination, bool& exists) {
    struct stat status {};
    return RefuseReadOnly(destination, exists, status);
}

// What a copy gives its file: the source's size, permission bits and modification time.
bool HasCopiedAttributes(const struct stat& copy, const struct stat& source) {
    return S_ISREG(copy.st_mode) && copy.st_size == source.st_size &&
           (copy.st_mode & 07777) == (source.st_mode & 0777) &&
           copy.st_mtim.tv_sec == source.st_mtim.tv_sec &&
           copy.st_mtim.tv_nsec == source.st_mtim.tv_nsec;
}

// Reads until `buffer` is full or the file ends; returns the count or -1 with errno set.
ssize_t ReadFully(int file, std::span<char> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t count = ::read(file, buffer.data() + filled, buffer.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    return static_cast<ssize_t>(filled);
}

enum class Comparison { Same, Different, Stopped };

// Reads `in` and `copy` side by side to the end of both.
Comparison CompareContent(int in, int copy, const std::atomic<bool>& stop) {
    std::vector<char>& buffer = ReadBuffer();
    const std::size_t half = buffer.size() / 2;
    const std::span<char> ours(buffer.data(), half), theirs(buffer.data() + half, half);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return Comparison::Stopped;
        const ssize_t count = ReadFully(in, ours);
        if (count < 0 || ReadFully(copy, theirs) != count ||
            !std::equal(ours.begin(), ours.begin() + count, theirs.begin()))
            return Comparison::Different;
        if (static_cast<std::size_t>(count) < half)
            return Comparison::Same;
    }
}

// Whether the destination already holds what a copy would give it, which spares rewriting it:
// replacing a file costs a new inode and the freeing of the old one's blocks, many times the
// cost of reading both. `in` is back at its start when the answer is no.
Comparison CompareWithCopy(int in, const struct stat& source, const posix::FileAt& destination,
                           const struct stat& copy, const std::atomic<bool>& stop, int& error) {
    if (!HasCopiedAttributes(copy, source))
        return Comparison::Different;
    const Descriptor held(::openat(destination.directory, destination.name,
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!held)
        return Comparison::Different;
    const Comparison comparison = CompareContent(in, held.get(), stop);
    if (comparison == Comparison::Different && ::lseek(in, 0, SEEK_SET) != 0)
        error = errno;
    return comparison;
}

// `modeSet` when the file was made with the source's permission bits and nothing took any away.
int CopyAttributes(int out, const struct stat& source, bool modeSet) {
    if (!modeSet && ::fchmod(out, source.st_mode & 0777) != 0)
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

SystemError ReplaceLinkByDirectory(const std::string& path) {
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

namespace posix {

std::optional<mode_t> CreationMaskOf(const std::string& directory) {
    // The umask is read without changing it, which umask() cannot do; the program never changes
    // its own after the start.
    static const std::optional<mode_t> processMask = []() -> std::optional<mode_t> {
        std::FILE* status = std::fopen("/proc/self/status", "re");
        if (!status)
            return std::nullopt;
        std::optional<mode_t> mask;
        char line[256];
        unsigned value = 0;
        while (!mask && std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &value) == 1)
                mask = static_cast<mode_t>(value);
        std::fclose(status);
        return mask;
    }();
    if (!processMask)
        return std::nullopt;
    // A default ACL replaces the umask for what is made in its directory.
    if (::getxattr(directory.c_str(), "system.posix_acl_default", nullptr, 0) >= 0 ||
        (errno != ENODATA && errno != ENOTSUP))
        return std::nullopt;
    return processMask;
}

SystemError CopyFileAt(const FileAt& source, const FileAt& destination, CopyOptions options,
                       const std::atomic<bool>& stop, std::optional<mode_t> creationMask) {
    // Non-blocking, so that a pipe met at the source cannot hold the job.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (options.followSource ? 0 : O_NOFOLLOW);
    Descriptor in(::openat(source.directory, source.name, flags));
    if (!in)
        return errno;
    struct stat status {};
    if (::fstat(in.get(), &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    bool destinationExists = false;
    if (!options.destinationIsNew) {
        struct stat held {};
        if (int refusal = RefuseReadOnly(destination, destinationExists, held))
            return refusal;
        if (destinationExists) {
            int error = 0;
            switch (CompareWithCopy(in.get(), status, destination, held, stop, error)) {
            case Comparison::Same:
                return 0;
            case Comparison::Stopped:
                return ECANCELED;
            case Comparison::Different:
                break;
            }
            if (error != 0)
                return error;
            if (S_ISREG(held.st_mode) && held.st_size >= kLargeFile)
                ForgetCachedContent(destination);
        }
    }
    const mode_t mode = status.st_mode & 0777;
    const bool modeKept = creationMask && (mode & *creationMask) == 0;
    StagingFile staging(destination, destinationExists, modeKept ? mode : 0600);
    if (staging.error())
        return staging.error();
    if (int error = CopyContent(in.get(), staging.descriptor(), status.st_size, stop))
        return error;
    if (int error = CopyAttributes(staging.descriptor(), status, modeKept && staging.unnamed()))
        return error;
    const int error = staging.CommitAs(destination, destinationExists);
    // Put there meanwhile, by another job of the same task say: replaced like any other.
    if (error != EEXIST || destinationExists)
        return error;
    if (int refusal = RefuseReadOnly(destination, destinationExists))
        return refusal;
    return staging.CommitAs(destination, true);
}

} // namespace posix

SystemError CopyFileAtomically(const std::string& source, const std::string& destination,
                               CopyOptions options, const std::atomic<bool>& stop) {
    return posix::CopyFileAt({AT_FDCWD, source.c_str()},
                             {AT_FDCWD, destination.c_str(), ExtractFilePath(destination)}, options,
                             stop, std::nullopt);
}

SystemError CopyLinkAtomically(const std::string& source, const std::string& destination) {
    int error = 0;
    const std::optional<std::string> target = ReadLink(source, error);
    if (!target)
        return error;
    bool destinationExists = false;
    if (int refusal = RefuseReadOnly({AT_FDCWD, destination.c_str()}, destinationExists))
        return refusal;
    const std::string_view directory = ExtractFilePath(destination);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string temporary = CopyTemporaryNameIn(directory);
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

} // namespace kolvane::platform
