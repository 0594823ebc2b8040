#include "store/IniFile.h"

#include "base/PathTerms.h"
#include "platform/Files.h"
#include "store/IniDocument.h"
#include "store/IntegerText.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

namespace kolvane {
namespace {

// Values, keys and section names are single lines of the file; a line break inside one would
// split the entry and could plant foreign sections.
bool FitsOnOneLine(std::string_view text) {
    return text.find_first_of("\r\n") == text.npos;
}

// The file of an installed program lives in a folder of the user's configuration directory
// that nothing makes before the first task is saved. A failure shows as the write error the
// lock then raises.
void MakeMissingDirectory(const std::string& path) {
    const std::string_view directory = ExtractFilePath(path);
    if (directory.empty())
        return;
    std::error_code ignored;
    std::filesystem::create_directories(std::u8string(directory.begin(), directory.end()), ignored);
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
    Write([&](IniDocument& document) { return document.Drop(section); });
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Write([&](IniDocument& document) { return document.DeleteKey(section, key); });
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

// Reads never fail: a file that cannot be read shows as empty, and is tried again next time.
std::shared_ptr<const IniDocument> TIniFile::Current() const {
    std::shared_ptr<const IniDocument> document = Load();
    return document ? document : std::make_shared<const IniDocument>();
}

// Nothing when the file exists but cannot be read in full; only what was read is kept.
std::shared_ptr<const IniDocument> TIniFile::Load() const {
    const platform::FileIdentity identity = platform::IdentityOf(path_);
    if (cache_ && identity == cachedIdentity_)
        return cache_;
    cache_.reset();
    const std::optional<std::string> content = platform::ReadWholeFile(path_);
    if (!content)
        return nullptr;
    cache_ = std::make_shared<const IniDocument>(IniDocument::Parse(*content));
    cachedIdentity_ = identity;
    return cache_;
}

template <typename Edit> void TIniFile::Write(Edit&& edit) {
    MakeMissingDirectory(path_);
    platform::WriteLock lock(path_);
    if (!lock.held())
        throw WriteError(path_);
    if (platform::IsReadOnly(path_))
        throw WriteError(path_);
    // A file that exists but cannot be read must not be rewritten from nothing: that would
    // erase every task in it.
    const std::shared_ptr<const IniDocument> current = Load();
    if (!current)
        throw WriteError(path_);
    platform::RemoveStaleReplacementTemporaries(path_);
    IniDocument next = *current;
    const IniDocument::Change change = edit(next);
    if (change == IniDocument::Change::Refused)
        throw WriteError(path_);
    if (change == IniDocument::Change::None)
        return;
    if (!platform::ReplaceFileContent(path_, next.Serialize()))
        throw WriteError(path_);
    // The file now holds exactly `next`, and nobody else writes while the lock is held.
    cache_ = std::make_shared<const IniDocument>(std::move(next));
    cachedIdentity_ = platform::IdentityOf(path_);
}

} // namespace kolvane
