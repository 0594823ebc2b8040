#pragma once

#include "base/PathTerms.h"
#include "engine/FileList.h"
#include "platform/BackupFiles.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kolvane {

// The directory of an entry under each of several roots, kept open while the entries asked about
// stay in it: a job's entries come directory by directory, and names are looked up in the open
// directories instead of walking each whole path. Belongs to the thread that asks.
template <std::size_t Roots> class EntryDirectories {
public:
    explicit EntryDirectories(std::array<std::string, Roots> roots) : roots_(std::move(roots)) {}

    // Opens the directory of `relative` (as the job's list holds it) under every root, unless it
    // is the one open, and returns the entry's name in it.
    std::string_view Enter(std::string_view relative) {
        const std::string_view directory = ExtractFilePath(relative);
        if (!opened_ || directory != directory_) {
            directory_.assign(directory);
            for (std::size_t root = 0; root < Roots; ++root)
                open_[root].Open(roots_[root] + directory_);
            opened_ = true;
        }
        return ExtractFileName(relative);
    }
    const platform::NamedDirectory& operator[](std::size_t root) const { return open_[root]; }

private:
    std::array<std::string, Roots> roots_;
    std::string directory_;
    bool opened_ = false;
    std::array<platform::NamedDirectory, Roots> open_;
};

// Copies the files of a job's tree into the destination through their open directories.
class EntryCopies {
public:
    EntryCopies(std::string sourceRoot, std::string destinationRoot);

    // `relative` as the job's list holds it, under both roots.
    platform::SystemError Copy(std::string_view relative, platform::CopyOptions options,
                               const std::atomic<bool>& stop);

private:
    enum Root { kSource, kDestination };
    EntryDirectories<2> directories_;
};

// Tells whether the copy of an entry in the destination has the size and modification time of
// its source, and so need not be copied again.
class UnchangedCopies {
public:
    UnchangedCopies(std::string sourceRoot, std::string destinationRoot);

    // `relative` as the job's list holds it, under both roots. A copy that is not a regular file
    // (a link, say) is never unchanged: the copy replaces it.
    bool IsUnchanged(std::string_view relative);

private:
    enum Root { kSource, kDestination };
    EntryDirectories<2> directories_;
};

// Makes each file of a run that is unchanged since the previous run (same size and modification
// time there) a link to its copy there. The run's own directory of each entry must exist.
class PreviousRunLinks {
public:
    PreviousRunLinks(std::string sourceRoot, std::string previousRoot, std::string destinationRoot);

    // Whether the file was unchanged and is now a link. A link that cannot be made (another
    // volume, a file system without links, the link limit, a name already taken) leaves it to be
    // copied.
    bool LinkIfUnchanged(std::string_view relative);

private:
    enum Root { kSource, kPrevious, kDestination };
    EntryDirectories<3> directories_;
};

// UnchangedCopies for the entries of a job's list, on the thread that asks and, for every second
// entry ahead of it, on a helper thread of its own, so that the lookups spread over two cores. An
// entry the helper has not reached yet is looked at by the asking thread itself.
class UnchangedEntries {
public:
    UnchangedEntries(const FileList& list, const std::string& sourceRoot,
                     const std::string& destinationRoot);
    // Stops the helper and waits for it.
    ~UnchangedEntries() = default;

    // `index` is the entry's 0-based position in the list.
    bool IsUnchanged(std::size_t index, std::string_view relative);

private:
    enum Verdict : unsigned char { kNotYet, kUnchanged, kChanged };
    void LookAhead(const FileList& list, const std::string& sourceRoot,
                   const std::string& destinationRoot, std::stop_token stop);

    std::vector<std::atomic<unsigned char>> verdicts_;
    UnchangedCopies own_;
    std::jthread helper_; // last: it ends before the members it uses go
};

} // namespace kolvane
