#include "engine/UnchangedCopies.h"

#include "platform/Process.h"

#include <utility>

namespace kolvane {

EntryCopies::EntryCopies(std::string sourceRoot, std::string destinationRoot)
    : directories_({std::move(sourceRoot), std::move(destinationRoot)}) {}

platform::SystemError EntryCopies::Copy(std::string_view relative, platform::CopyOptions options,
                                        const std::atomic<bool>& stop) {
    const std::string_view name = directories_.Enter(relative);
    return directories_[kSource].CopyInto(name, directories_[kDestination], options, stop);
}

UnchangedCopies::UnchangedCopies(std::string sourceRoot, std::string destinationRoot)
    : directories_({std::move(sourceRoot), std::move(destinationRoot)}) {}

bool UnchangedCopies::IsUnchanged(std::string_view relative) {
    const std::string_view name = directories_.Enter(relative);
    const auto copy = directories_[kDestination].Of(name);
    if (!copy)
        return false;
    const auto original = directories_[kSource].Of(name);
    return original && platform::SameStamp(*original, *copy);
}

PreviousRunLinks::PreviousRunLinks(std::string sourceRoot, std::string previousRoot,
                                   std::string destinationRoot)
    : directories_({std::move(sourceRoot), std::move(previousRoot), std::move(destinationRoot)}) {}

bool PreviousRunLinks::LinkIfUnchanged(std::string_view relative) {
    const std::string_view name = directories_.Enter(relative);
    const auto earlier = directories_[kPrevious].Of(name);
    if (!earlier)
        return false;
    const auto original = directories_[kSource].Of(name);
    return original && platform::SameStamp(*original, *earlier) &&
           directories_[kPrevious].LinkInto(name, directories_[kDestination]) == 0;
}

UnchangedEntries::UnchangedEntries(const FileList& list, const std::string& sourceRoot,
                                   const std::string& destinationRoot)
    : verdicts_(list.size()), own_(sourceRoot, destinationRoot),
      helper_([this, &list, sourceRoot, destinationRoot](std::stop_token stop) {
          LookAhead(list, sourceRoot, destinationRoot, stop);
      }) {}

bool UnchangedEntries::IsUnchanged(std::size_t index, std::string_view relative) {
    switch (verdicts_[index].load(std::memory_order_relaxed)) {
    case kUnchanged:
        return true;
    case kChanged:
        return false;
    default:
        return own_.IsUnchanged(relative);
    }
}

void UnchangedEntries::LookAhead(const FileList& list, const std::string& sourceRoot,
                                 const std::string& destinationRoot, std::stop_token stop) {
    platform::LowerThreadPriority();
    UnchangedCopies copies(sourceRoot, destinationRoot);
    std::size_t index = 0;
    list.ForEach([&](FileList::Kind kind, std::string_view relative) {
        if (stop.stop_requested())
            return false;
        if (index % 2 == 1 && kind == FileList::Kind::File)
            verdicts_[index].store(copies.IsUnchanged(relative) ? kUnchanged : kChanged,
                                   std::memory_order_relaxed);
        ++index;
        return true;
    });
}

} // namespace kolvane
