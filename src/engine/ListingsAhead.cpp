#include "engine/ListingsAhead.h"

#include "platform/Process.h"

#include <algorithm>
#include <utility>

namespace kolvane {
namespace {

// Enough entries to hold a usual directory whole, few enough to keep a walk's memory small
// however many entries a directory holds.
constexpr std::size_t kEntriesPerRead = 1024;
constexpr std::size_t kDirectoriesPerThread = 2;
constexpr std::size_t kMostThreads = 4;

} // namespace

bool ListedEntries::ReadFrom(platform::DirectoryListing& listing, std::size_t most) {
    names_.clear();
    entries_.clear();
    while (entries_.size() < most) {
        const auto entry = listing.Next();
        if (!entry)
            return true;
        names_ += entry->name;
        entries_.push_back({static_cast<std::uint32_t>(names_.size()), entry->type});
    }
    return false;
}

std::string_view ListedEntries::Name(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : entries_[i - 1].end;
    return std::string_view(names_).substr(begin, entries_[i].end - begin);
}

ListedDirectory ListedDirectory::Open(const platform::DirectoryListing& parent,
                                      std::string_view name) {
    ListedDirectory directory(std::make_unique<platform::DirectoryListing>(parent, name));
    if (*directory.listing)
        directory.ReadMore();
    return directory;
}

void ListedDirectory::ReadMore() {
    complete = entries.ReadFrom(*listing, kEntriesPerRead);
}

std::size_t ListingsAhead::ThreadsForThisMachine() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMostThreads);
}

ListingsAhead::ListingsAhead(std::size_t threads)
    : slots_(std::max<std::size_t>(threads, 1) * kDirectoriesPerThread) {
    threads_.reserve(threads);
    try {
        for (std::size_t i = 0; i < threads; ++i)
            threads_.emplace_back([this] { Work(); });
    } catch (...) {
        Close();
        throw;
    }
}

ListingsAhead::~ListingsAhead() {
    Close();
}

void ListingsAhead::Close() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    asked_.notify_all();
    threads_.clear(); // joins
}

bool ListingsAhead::HasRoom() const {
    std::lock_guard lock(mutex_);
    return std::any_of(slots_.begin(), slots_.end(),
                       [](const Slot& slot) { return slot.state == State::Free; });
}

ListingsAhead::Ticket ListingsAhead::Ask(const platform::DirectoryListing& parent,
                                         std::string_view name) {
    std::size_t ticket;
    {
        std::lock_guard lock(mutex_);
        const auto free = std::find_if(slots_.begin(), slots_.end(),
                                       [](const Slot& slot) { return slot.state == State::Free; });
        free->state = State::Asked;
        free->order = asks_++;
        free->parent = &parent;
        free->name.assign(name);
        ticket = static_cast<Ticket>(free - slots_.begin());
    }
    asked_.notify_one();
    return ticket;
}

ListedDirectory ListingsAhead::Take(Ticket ticket) {
    std::unique_lock lock(mutex_);
    Slot& slot = slots_[ticket];
    read_.wait(lock, [&] { return slot.state == State::Read; });
    slot.state = State::Free;
    return std::move(slot.read);
}

void ListingsAhead::Forget(Ticket ticket) {
    ListedDirectory dropped; // closed after the lock is let go
    std::unique_lock lock(mutex_);
    Slot& slot = slots_[ticket];
    read_.wait(lock, [&] { return slot.state != State::Reading; });
    slot.state = State::Free;
    dropped = std::move(slot.read);
}

ListingsAhead::Slot* ListingsAhead::OldestAsked() {
    Slot* oldest = nullptr;
    for (Slot& slot : slots_)
        if (slot.state == State::Asked && (!oldest || slot.order < oldest->order))
            oldest = &slot;
    return oldest;
}

SubdirectoriesAhead::~SubdirectoriesAhead() {
    ForgetAll();
}

void SubdirectoriesAhead::ForgetAll() {
    for (const auto& [entry, ticket] : asked_)
        ahead_.Forget(ticket);
    asked_.clear();
}

ListedDirectory SubdirectoriesAhead::Open(std::size_t i, std::string_view name) {
    if (!asked_.empty() && asked_.front().first == i) {
        ListedDirectory read = ahead_.Take(asked_.front().second);
        asked_.pop_front();
        if (*read.listing)
            return read;
    }
    return ListedDirectory::Open(parent_, name);
}

void SubdirectoriesAhead::Restart() {
    ForgetAll();
    examined_ = 0;
}

// A slot is written by its thread alone between being marked Reading and Read, both under the
// lock, so the walk sees the whole of it.
void ListingsAhead::Work() {
    platform::LowerThreadPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        Slot* slot = nullptr;
        asked_.wait(lock, [&] { return closing_ || (slot = OldestAsked()) != nullptr; });
        if (closing_)
            return;
        slot->state = State::Reading;
        lock.unlock();
        ListedDirectory read = ListedDirectory::Open(*slot->parent, slot->name);
        lock.lock();
        slot->read = std::move(read);
        slot->state = State::Read;
        read_.notify_all();
    }
}

} // namespace kolvane
