#pragma once

#include "platform/DirectoryListing.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kolvane {

// Some entries of one directory, read in one go, their names packed into one buffer.
class ListedEntries {
public:
    // Reads up to `most` entries that follow in `listing`; returns whether none is left after them.
    bool ReadFrom(platform::DirectoryListing& listing, std::size_t most);

    std::size_t size() const { return entries_.size(); }
    std::string_view Name(std::size_t i) const;
    platform::EntryType Type(std::size_t i) const { return entries_[i].type; }

private:
    struct Entry {
        std::uint32_t end; // where the name ends in names_
        platform::EntryType type;
    };
    std::string names_;
    std::vector<Entry> entries_;
};

// An open directory with the entries read from it so far.
struct ListedDirectory {
    ListedDirectory() = default;
    explicit ListedDirectory(std::unique_ptr<platform::DirectoryListing> opened)
        : listing(std::move(opened)) {}

    std::unique_ptr<platform::DirectoryListing> listing;
    ListedEntries entries;
    bool complete = false; // nothing is left to read after `entries`

    // Opens `name` under `parent` and reads its first entries.
    static ListedDirectory Open(const platform::DirectoryListing& parent, std::string_view name);
    // Reads the entries that follow, in place of those read before.
    void ReadMore();
};

// Opens subdirectories and reads their first entries on threads of its own while the walk
// that asked for them is busy elsewhere: listing is the file system's work, and over many
// directories it then runs on every core. Whoever asks for a directory takes it back or forgets
// it before the parent's listing closes, since the threads open it relative to that listing.
// Every member is called on the walk's thread.
class ListingsAhead {
public:
    using Ticket = std::size_t;

    explicit ListingsAhead(std::size_t threads);
    ~ListingsAhead(); // waits for the directories being read; all are to be taken or forgotten
    ListingsAhead(const ListingsAhead&) = delete;
    ListingsAhead& operator=(const ListingsAhead&) = delete;

    // Whether another directory may be asked for now.
    bool HasRoom() const;
    Ticket Ask(const platform::DirectoryListing& parent, std::string_view name);
    // Waits until the directory is read.
    ListedDirectory Take(Ticket ticket);
    void Forget(Ticket ticket);

    // A thread per core, at most four: listing cached directories is the processor's work.
    static std::size_t ThreadsForThisMachine();

private:
    enum class State : unsigned char { Free, Asked, Reading, Read };
    struct Slot {
        State state = State::Free;
        std::size_t order = 0; // slots asked for earlier are read first
        const platform::DirectoryListing* parent = nullptr;
        std::string name;
        ListedDirectory read;
    };

    void Work();
    void Close();
    Slot* OldestAsked();

    mutable std::mutex mutex_;
    std::condition_variable asked_; // a slot was asked for, or the threads are to end
    std::condition_variable read_;  // a slot was read
    std::vector<Slot> slots_;
    std::size_t asks_ = 0;
    bool closing_ = false;
    std::vector<std::jthread> threads_;
};

// The subdirectories among one directory's entries that are asked for ahead of the walk, in the
// entries' order. Those not taken are forgotten when it ends, before the directory closes.
class SubdirectoriesAhead {
public:
    SubdirectoriesAhead(ListingsAhead& ahead, const platform::DirectoryListing& parent)
        : ahead_(ahead), parent_(parent) {}
    ~SubdirectoriesAhead();
    SubdirectoriesAhead(const SubdirectoriesAhead&) = delete;
    SubdirectoriesAhead& operator=(const SubdirectoriesAhead&) = delete;

    // Asks for the entries not yet looked at that `descends(i)` picks, while there is room.
    template <typename Descends> void AskAhead(const ListedEntries& entries, Descends descends) {
        for (; examined_ < entries.size(); ++examined_) {
            if (!descends(examined_))
                continue;
            if (!ahead_.HasRoom())
                return;
            asked_.emplace_back(examined_, ahead_.Ask(parent_, entries.Name(examined_)));
        }
    }
    // The subdirectory `name` at entry `i`: the one read ahead, or else opened now. One that
    // could not be opened ahead is tried again now, when the descriptors held by the others read
    // ahead may have been what it lacked.
    ListedDirectory Open(std::size_t i, std::string_view name);
    // Starts over on the next entries read from the directory.
    void Restart();

private:
    void ForgetAll();

    ListingsAhead& ahead_;
    const platform::DirectoryListing& parent_;
    std::deque<std::pair<std::size_t, ListingsAhead::Ticket>> asked_; // entry, ticket
    std::size_t examined_ = 0;
};

} // namespace kolvane
