// The time-of-day rule reads the time cells the scheduler compares: whatever it accepts must be a
// second of the day that, written as "hh:nn:ss", reads back as the same second, and blanks around
// an accepted text change nothing.

#include "FuzzCheck.h"
#include "engine/Clock.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kolvane {
namespace {

using fuzzing::Require;

bool IsWrittenTimeOfDay(const std::string& text) {
    auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    return text.size() == 8 && digit(0) && digit(1) && text[2] == ':' && digit(3) && digit(4) &&
           text[5] == ':' && digit(6) && digit(7) && text.substr(0, 2) <= "23" && text[3] <= '5' &&
           text[6] <= '5';
}

} // namespace
} // namespace kolvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kolvane;
    // A view of exactly the input, so a read past its end is caught.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<int> seconds = ParseTimeOfDay(text);
    if (!seconds)
        return 0;
    fuzzing::Require(*seconds >= 0 && *seconds < 86400, "a time of day is a second of the day");
    const std::string written = FormatSecondOfDay(*seconds);
    fuzzing::Require(IsWrittenTimeOfDay(written), "a second of the day is written as hh:nn:ss");
    fuzzing::Require(ParseTimeOfDay(written) == seconds, "a written time of day reads back");
    fuzzing::Require(ParseTimeOfDay("  " + std::string(text) + "  ") == seconds,
                     "blanks around a time of day change nothing");
    return 0;
}
