#pragma once

#include "engine/FileList.h"
#include "platform/BackupFiles.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kolvane {

// Tells whether the copy of an entry in the destination has the size and modification time of
// its source, and so need not be copied again. A job's entries come directory by directory, so
// the two directories of the last entry asked about are kept open and names are looked up in
// them. Belongs to the thread that asks.
class UnchangedCopies {
public:
    UnchangedCopies(std::string sourceRoot, std::string destinationRoot);

    // `relative` as the job's list holds it, under both roots. A copy that is not a regular file
    // (a link, say) is never unchanged: the copy replaces it.
    bool IsUnchanged(std::string_view relative);

private:
    std::string sourceRoot_, destinationRoot_;
    std::string directory_;
    bool opened_ = false;
    platform::NamedDirectory source_, destination_;
};

// Makes each file of a run that is unchanged since the previous run (same size and modification
// time there) a link to its copy there. Keeps the three directories of the last entry open: the
// source's, the previous run's and the run's own, which must exist. Belongs to one thread.
class PreviousRunLinks {
public:
    PreviousRunLinks(std::string sourceRoot, std::string previousRoot, std::string destinationRoot);

    // Whether the file was unchanged and is now a link. A link that cannot be made (another
    // volume, a file system without links, the link limit, a name already taken) leaves it to be
    // copied.
    bool LinkIfUnchanged(std::string_view relative);

private:
    std::string sourceRoot_, previousRoot_, destinationRoot_;
    std::string directory_;
    bool opened_ = false;
    platform::NamedDirectory source_, previous_, destination_;
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
