#pragma once

#include "platform/SystemError.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kolvane::platform {

enum class EntryType { File, Directory, Link, Other };

struct DirectoryEntry {
    std::string_view name; // valid until the next call to Next
    EntryType type;
};

// Lists one directory, "." and ".." left out, hidden and system entries included, in the order
// the file system returns them.
class DirectoryListing {
public:
    // Lists `path`, following it when it is a link.
    explicit DirectoryListing(const std::string& path);
    // Lists the subdirectory `name` of an open listing, which is not followed when it is a link.
    DirectoryListing(const DirectoryListing& parent, std::string_view name);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    explicit operator bool() const;
    SystemError error() const; // why the directory could not be opened
    std::optional<DirectoryEntry> Next();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kolvane::platform
