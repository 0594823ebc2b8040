#include "store/IniFile.h"

#include "store/IniDocument.h"
#include "store/IntegerText.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kolvane {
namespace {

// Values, keys and section names are single lines of the file; a line break inside one would
// split the entry and could plant foreign sections.
bool FitsOnOneLine(std::string_view text) {
    return text.find_first_of("\r\n") == text.npos;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes its descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Every instance of the program, and every settings object in it, writes under this lock.
// It is taken on the file's directory, since the file itself is replaced by every write.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& directory)
        : fd_(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (fd_.valid() && ::flock(fd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_.release());
                break;
            }
        }
    }
    bool held() const { return fd_.valid(); }

private:
    FileDescriptor fd_;
};

// A missing file reads as empty; nothing when the file exists but cannot be read in full.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
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

// "." name "." owner's pid "." counter ".tmp", beside the file.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return DirectoryOf(path) + "/." + FileNameOf(path) + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + ".tmp";
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == text.npos;
}

// The pid in a temporary name of the file `fileName`, or 0 for any other name.
pid_t OwnerOfTemporary(std::string_view entry, const std::string& fileName) {
    const std::string prefix = "." + fileName + ".";
    if (!entry.starts_with(prefix) || !entry.ends_with(".tmp"))
        return 0;
    entry = entry.substr(prefix.size(), entry.size() - prefix.size() - 4);
    const std::size_t dot = entry.find('.');
    const std::string_view pid = entry.substr(0, dot);
    if (dot == entry.npos || !AllDigits(pid) || !AllDigits(entry.substr(dot + 1)) || pid.size() > 9)
        return 0;
    return static_cast<pid_t>(std::stol(std::string(pid)));
}

bool IsRunning(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A writer killed between creating its temporary and renaming it leaves the temporary behind;
// those of processes that have ended are removed, so crashes do not pile them up beside the file.
void RemoveStaleTemporaries(const std::string& path) {
    const std::string directory = DirectoryOf(path), fileName = FileNameOf(path);
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = OwnerOfTemporary(entry->d_name, fileName);
        if (owner > 0 && !IsRunning(owner))
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

} // namespace

WriteError::WriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

IniSnapshot::IniSnapshot(std::shared_ptr<const IniDocument> document)
    : document_(std::move(document)) {}

std::string IniSnapshot::GetEntry(const std::string& section, const std::string& key,
                                  const std::string& fallback) const {
    std::string value;
    return document_->Find(section, key, value) ? value : fallback;
}

std::int32_t IniSnapshot::GetNumber(const std::string& section, const std::string& key,
                                    std::int32_t fallback) const {
    return IntegerOr(GetEntry(section, key, ""), fallback);
}

bool IniSnapshot::GetFlag(const std::string& section, const std::string& key, bool fallback) const {
    return GetNumber(section, key, fallback ? 1 : 0) != 0;
}

void IniSnapshot::ListSections(std::vector<std::string>& names) const {
    names.clear();
    document_->SectionNames(names);
}

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {}

TIniFile::~TIniFile() {
    FlushFile();
}

IniSnapshot TIniFile::Snapshot() const {
    return IniSnapshot(Current());
}

std::string TIniFile::GetEntry(const std::string& section, const std::string& key,
                               const std::string& fallback) const {
    return Snapshot().GetEntry(section, key, fallback);
}

std::int32_t TIniFile::GetNumber(const std::string& section, const std::string& key,
                                 std::int32_t fallback) const {
    return Snapshot().GetNumber(section, key, fallback);
}

bool TIniFile::GetFlag(const std::string& section, const std::string& key, bool fallback) const {
    return Snapshot().GetFlag(section, key, fallback);
}

void TIniFile::ListSections(std::vector<std::string>& names) const {
    Snapshot().ListSections(names);
}

void TIniFile::PutEntry(const std::string& section, const std::string& key,
                        const std::string& value) {
    if (!FitsOnOneLine(section) || !FitsOnOneLine(key) || !FitsOnOneLine(value))
        throw WriteError(path_);
    Write([&](IniDocument& document) {
        document.Set(section, key, value);
        return true;
    });
}

void TIniFile::PutNumber(const std::string& section, const std::string& key, std::int32_t value) {
    PutEntry(section, key, IntegerText(value));
}

void TIniFile::PutFlag(const std::string& section, const std::string& key, bool value) {
    PutEntry(section, key, value ? "1" : "0");
}

void TIniFile::DropSection(const std::string& section) {
    Write([&](IniDocument& document) { return document.Drop(section); });
}

void TIniFile::FlushFile() {
    cache_.reset();
    cachedIdentity_ = {};
}

// Reads never fail: a file that is missing or cannot be read counts as empty.
TIniFile::Identity TIniFile::IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    // Every write replaces the file, so a changed file always shows a new inode.
    return {static_cast<std::uint64_t>(status.st_dev),
            static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec),
            static_cast<std::int64_t>(status.st_mtim.tv_nsec),
            true};
}

// Reads never fail: a file that cannot be read shows as empty, and is tried again next time.
std::shared_ptr<const IniDocument> TIniFile::Current() const {
    std::shared_ptr<const IniDocument> document = Load();
    return document ? document : std::make_shared<const IniDocument>();
}

// Nothing when the file exists but cannot be read in full; only what was read is kept.
std::shared_ptr<const IniDocument> TIniFile::Load() const {
    const Identity identity = IdentityOf(path_);
    if (cache_ && identity == cachedIdentity_)
        return cache_;
    cache_.reset();
    const std::optional<std::string> content = ReadWholeFile(path_);
    if (!content)
        return nullptr;
    cache_ = std::make_shared<const IniDocument>(IniDocument::Parse(*content));
    cachedIdentity_ = identity;
    return cache_;
}

template <typename Change> void TIniFile::Write(Change&& change) {
    DirectoryLock lock(DirectoryOf(path_));
    if (!lock.held())
        throw WriteError(path_);
    struct stat status {};
    const bool fileExists = ::stat(path_.c_str(), &status) == 0;
    // A file without any write permission is read-only, whoever runs the program.
    if (fileExists && (status.st_mode & 0222) == 0)
        throw WriteError(path_);
    // A file that exists but cannot be read must not be rewritten from nothing: that would
    // erase every task in it.
    const std::shared_ptr<const IniDocument> current = Load();
    if (!current)
        throw WriteError(path_);
    IniDocument next = *current;
    if (!change(next))
        return;
    if (!temporariesSwept_) {
        RemoveStaleTemporaries(path_);
        temporariesSwept_ = true;
    }
    const std::string content = next.Serialize();
    Replace(content, fileExists ? status.st_mode & 07777 : 0666, fileExists);
    // The file now holds exactly `next`, and nobody else writes while the lock is held.
    cache_ = std::make_shared<const IniDocument>(std::move(next));
    cachedIdentity_ = IdentityOf(path_);
}

// Writes the new content beside the file and renames it over the file only when it is complete
// and on disk, so the file's name never stands for a half-written file.
void TIniFile::Replace(const std::string& content, std::uint32_t mode, bool fileExists) {
    std::string temporary;
    int descriptor = -1;
    // A crashed instance may have left a temporary file under the name this one would take.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameFor(path_);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            static_cast<mode_t>(mode));
        if (descriptor >= 0 || errno != EEXIST)
            break;
    }
    FileDescriptor fd(descriptor);
    if (!fd.valid())
        throw WriteError(path_);
    const bool written = WriteAll(fd.get(), content) &&
                         (!fileExists || ::fchmod(fd.get(), static_cast<mode_t>(mode)) == 0) &&
                         ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                         ::rename(temporary.c_str(), path_.c_str()) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
        throw WriteError(path_);
    }
    FileDescriptor directory(
        ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid())
        ::fsync(directory.get());
}

} // namespace kolvane
