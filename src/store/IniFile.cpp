#include "store/IniFile.h"

#include "platform/Process.h"
#include "store/IniDocument.h"
#include "store/IntegerText.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
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

std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return DirectoryOf(path) + "/." + FileNameOf(path) + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter++) + ".tmp";
}

// The process that made a temporary named by TemporaryNameFor for `fileName`; nothing for any
// other name.
std::optional<platform::ProcessId> TemporaryOwner(std::string_view name,
                                                  std::string_view fileName) {
    const std::string prefix = "." + std::string(fileName) + ".";
    constexpr std::string_view suffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(suffix) ||
        name.size() < prefix.size() + suffix.size())
        return std::nullopt;
    const std::string_view middle =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dot = middle.find('.');
    const auto isNumber = [](std::string_view digits) {
        return !digits.empty() && digits.find_first_not_of("0123456789") == digits.npos;
    };
    if (dot == middle.npos || !isNumber(middle.substr(0, dot)) || !isNumber(middle.substr(dot + 1)))
        return std::nullopt;
    platform::ProcessId owner = 0;
    const auto [end, error] = std::from_chars(middle.data(), middle.data() + dot, owner);
    if (error != std::errc() || end != middle.data() + dot)
        return std::nullopt;
    return owner;
}

std::filesystem::path PathOfUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// The file of an installed program lives in a folder of the user's configuration directory
// that nothing makes before the first task is saved. A failure shows as the write error the
// lock then raises.
void MakeMissingDirectory(const std::string& directory) {
    std::error_code ignored;
    std::filesystem::create_directories(PathOfUtf8(directory), ignored);
}

// An instance killed while it wrote leaves its temporary behind; the names carry the owner's
// process id, so one whose owner has gone can be removed without touching anything else.
void RemoveStaleTemporaries(const std::string& path) {
    namespace fs = std::filesystem;
    const std::string fileName = FileNameOf(path);
    std::error_code error;
    for (fs::directory_iterator entry(PathOfUtf8(DirectoryOf(path)), error), end;
         !error && entry != end; entry.increment(error)) {
        const std::u8string name = entry->path().filename().u8string();
        const std::optional<platform::ProcessId> owner =
            TemporaryOwner({reinterpret_cast<const char*>(name.data()), name.size()}, fileName);
        std::error_code ignored;
        if (owner && entry->symlink_status(ignored).type() == fs::file_type::regular &&
            !platform::IsProcessAlive(*owner))
            fs::remove(entry->path(), ignored);
    }
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

void IniSnapshot::ListShadowedSections(std::vector<std::string>& names) const {
    names.clear();
    document_->ShadowedSectionNames(names);
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
    Write([&](IniDocument& document) { return document.Set(section, key, value); });
}

void TIniFile::PutNumber(const std::string& section, const std::string& key, std::int32_t value) {
    PutEntry(section, key, IntegerText(value));
}

void TIniFile::PutFlag(const std::string& section, const std::string& key, bool value) {
    PutEntry(section, key, value ? "1" : "0");
}

void TIniFile::DropSection(const std::string& section) {
    Write([&](IniDocument& document) {
        return document.Drop(section) ? IniDocument::Change::Made : IniDocument::Change::None;
    });
}

std::int32_t TIniFile::IncrementNumber(const std::string& section, const std::string& key) {
    if (!FitsOnOneLine(section) || !FitsOnOneLine(key))
        throw WriteError(path_);
    std::int32_t count = 0;
    Write([&](IniDocument& document) {
        std::string stored;
        count = CountPlusOne(document.Find(section, key, stored) ? IntegerOr(stored, 0) : 0);
        return document.Set(section, key, IntegerText(count));
    });
    return count;
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

template <typename Edit> void TIniFile::Write(Edit&& edit) {
    MakeMissingDirectory(DirectoryOf(path_));
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
    RemoveStaleTemporaries(path_);
    IniDocument next = *current;
    const IniDocument::Change change = edit(next);
    if (change == IniDocument::Change::Refused)
        throw WriteError(path_);
    if (change == IniDocument::Change::None)
        return;
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
