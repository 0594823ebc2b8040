#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kolvane {

class IniDocument;

// Raised when the settings file cannot be written; the message names the file's full path.
class WriteError : public std::runtime_error {
public:
    explicit WriteError(const std::string& path);
};

// The settings file as it stood at one moment. Reads through it make no system call, so a
// reader that takes many values at once (the task table) parses the file once and sees one
// consistent state.
class IniSnapshot {
public:
    std::string GetEntry(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
    std::int32_t GetNumber(const std::string& section, const std::string& key,
                           std::int32_t fallback) const;
    bool GetFlag(const std::string& section, const std::string& key, bool fallback) const;
    void ListSections(std::vector<std::string>& names) const;
    // Empties the list, then appends the names of the sections an earlier section of the same
    // name (letter case and surrounding blanks aside) hides from every read, in file order.
    void ListShadowedSections(std::vector<std::string>& names) const;

private:
    friend class TIniFile;
    explicit IniSnapshot(std::shared_ptr<const IniDocument> document);
    std::shared_ptr<const IniDocument> document_;
};

// The settings file defaultSet.ini: sections of key=value lines. Every write reaches the file
// before it returns (atomically, under a lock shared by all instances of the program), and every
// read sees every earlier write, from this object, another object or another process.
class TIniFile {
public:
    // Remembers the path; touches neither the file nor its directory. The first write makes
    // the directory when it is missing.
    explicit TIniFile(std::string path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& path() const { return path_; }

    // The file's current content; revalidated by one stat and parsed again only when it changed.
    IniSnapshot Snapshot() const;

    std::string GetEntry(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
    std::int32_t GetNumber(const std::string& section, const std::string& key,
                           std::int32_t fallback) const;
    bool GetFlag(const std::string& section, const std::string& key, bool fallback) const;
    // Empties the list, then appends every section name of the file in file order.
    void ListSections(std::vector<std::string>& names) const;

    void PutEntry(const std::string& section, const std::string& key, const std::string& value);
    void PutNumber(const std::string& section, const std::string& key, std::int32_t value);
    void PutFlag(const std::string& section, const std::string& key, bool value);
    // Reads the number the file holds now (0 when it holds none), adds 1 (the largest number
    // stays as it is) and writes it back in one step under the write lock, so that no count of
    // another object or instance is lost. Returns the number written.
    std::int32_t IncrementNumber(const std::string& section, const std::string& key);
    // Removes the first section of that name: a later one of the same name is left, as every
    // read and write addresses the first. Erasing a section that does not exist succeeds and
    // changes nothing.
    void DropSection(const std::string& section);

    // Removes every line of that key from the first section of that name; a key or section that
    // does not exist is no change, and nothing is written.
    void DeleteKey(const std::string& section, const std::string& key);

    // Writes hold nothing back, so flushing only lets go of the parsed copy.
    void FlushFile();

private:
    std::shared_ptr<const IniDocument> Current() const;
    std::shared_ptr<const IniDocument> Load() const;
    // `edit` changes the parsed file; a refused change raises the write error.
    template <typename Edit> void Write(Edit&& edit);

    std::string path_;
    mutable std::shared_ptr<const IniDocument> cache_;
    mutable platform::FileIdentity cachedIdentity_;
};

} // namespace kolvane
