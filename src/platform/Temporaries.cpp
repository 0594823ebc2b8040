#include "platform/Temporaries.h"

#include "base/PathTerms.h"
#include "platform/DirectoryListing.h"
#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <atomic>
#include <charconv>
#include <optional>
#include <random>
#include <system_error>

namespace kolvane::platform {
namespace {

constexpr std::string_view kCopyPrefix = ".kolvane-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr char kCopyLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kCopyRandomLength = 10;

bool IsNumber(std::string_view digits) {
    return !digits.empty() && digits.find_first_not_of("0123456789") == digits.npos;
}

// Leading zeros are no name this layer makes.
std::optional<ProcessId> ProcessIdOf(std::string_view digits) {
    if (!IsNumber(digits) || digits.front() == '0')
        return std::nullopt;
    ProcessId owner = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), owner);
    if (error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return owner;
}

// The owner of a name made by CopyTemporaryNameIn; nothing for any other name.
std::optional<ProcessId> CopyTemporaryOwner(std::string_view name) {
    if (!name.starts_with(kCopyPrefix) || !name.ends_with(kTemporarySuffix))
        return std::nullopt;
    name.remove_prefix(kCopyPrefix.size());
    name.remove_suffix(kTemporarySuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == name.npos || name.size() - dash - 1 != kCopyRandomLength)
        return std::nullopt;
    if (name.substr(dash + 1).find_first_not_of(kCopyLetters) != name.npos)
        return std::nullopt;
    return ProcessIdOf(name.substr(0, dash));
}

// The owner of a name made by ReplacementTemporaryNameFor for `fileName`; nothing for any other
// name.
std::optional<ProcessId> ReplacementTemporaryOwner(std::string_view name,
                                                   std::string_view fileName) {
    const std::string prefix = "." + std::string(fileName) + ".";
    if (!name.starts_with(prefix) || !name.ends_with(kTemporarySuffix) ||
        name.size() < prefix.size() + kTemporarySuffix.size())
        return std::nullopt;
    const std::string_view middle =
        name.substr(prefix.size(), name.size() - prefix.size() - kTemporarySuffix.size());
    const std::size_t dot = middle.find('.');
    if (dot == middle.npos || !IsNumber(middle.substr(dot + 1)))
        return std::nullopt;
    return ProcessIdOf(middle.substr(0, dot));
}

// Removes every entry of `directory` of the kinds given whose name `owner` reads as a temporary
// of a process that no longer runs.
template <typename OwnerOf>
void RemoveTemporariesOfDeadOwners(const std::string& directory, bool linksToo, OwnerOf owner) {
    DirectoryListing listing(directory.empty() ? std::string(".") : directory);
    if (!listing)
        return;
    const std::string prefix = directory.empty() ? "" : WithSeparator(directory);
    while (auto entry = listing.Next()) {
        if (entry->type != EntryType::File && !(linksToo && entry->type == EntryType::Link))
            continue;
        const std::optional<ProcessId> process = owner(entry->name);
        if (process && !IsProcessAlive(*process))
            RemoveFile(prefix + std::string(entry->name));
    }
}

} // namespace

// The process id is asked for each name rather than kept, so a forked child names its own.
std::string CopyTemporaryNameIn(std::string_view directory) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(directory);
    name.append(kCopyPrefix).append(std::to_string(CurrentProcessId())) += '-';
    for (std::size_t i = 0; i < kCopyRandomLength; ++i)
        name += kCopyLetters[random() % (sizeof kCopyLetters - 1)];
    return name.append(kTemporarySuffix);
}

std::string ReplacementTemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return std::string(ExtractFilePath(path)) + "." + std::string(ExtractFileName(path)) + "." +
           std::to_string(CurrentProcessId()) + "." + std::to_string(counter++) + ".tmp";
}

void RemoveStaleCopyTemporaries(const std::string& directory) {
    RemoveTemporariesOfDeadOwners(directory, true, CopyTemporaryOwner);
}

void RemoveStaleReplacementTemporaries(const std::string& path) {
    const std::string_view fileName = ExtractFileName(path);
    RemoveTemporariesOfDeadOwners(
        std::string(ExtractFilePath(path)), false,
        [fileName](std::string_view name) { return ReplacementTemporaryOwner(name, fileName); });
}

} // namespace kolvane::platform
