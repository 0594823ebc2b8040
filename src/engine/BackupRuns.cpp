#include "engine/BackupRuns.h"

#include "platform/DirectoryListing.h"

#include <algorithm>

namespace kolvane {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

} // namespace

bool IsTimeNamed(std::string_view name) {
    if (name.size() != 15 || name[8] != '-')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i != 8 && !IsDigit(name[i]))
            return false;
    }
    const int month = Number(name.substr(4, 2)), day = Number(name.substr(6, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && Number(name.substr(9, 2)) < 24 &&
           Number(name.substr(11, 2)) < 60 && Number(name.substr(13, 2)) < 60;
}

std::vector<std::string> ListTimeNamedRuns(const std::string& root) {
    std::vector<std::string> runs;
    platform::DirectoryListing listing(root);
    if (!listing)
        return runs;
    while (auto entry = listing.Next()) {
        if (entry->type == platform::EntryType::Directory && IsTimeNamed(entry->name))
            runs.emplace_back(entry->name);
    }
    std::sort(runs.begin(), runs.end());
    return runs;
}

std::optional<std::string> NewestRunBefore(const std::vector<std::string>& runs,
                                           std::string_view name) {
    const auto after = std::lower_bound(runs.begin(), runs.end(), name);
    if (after == runs.begin())
        return std::nullopt;
    return *std::prev(after);
}

std::vector<std::string> RunsToRemove(const std::vector<std::string>& runs, int keepLast,
                                      std::string_view justMade,
                                      const std::vector<std::string>& inUse) {
    std::vector<std::string> removed;
    if (keepLast <= 0 || runs.size() <= static_cast<std::size_t>(keepLast))
        return removed;
    const auto kept = runs.end() - keepLast;
    for (auto run = runs.begin(); run != kept; ++run) {
        if (*run != justMade && std::find(inUse.begin(), inUse.end(), *run) == inUse.end())
            removed.push_back(*run);
    }
    return removed;
}

} // namespace kolvane
