#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kolvane::program {

// Rules of the main window that do not depend on the toolkit that draws it.

inline constexpr int kSnapShutHeight = 30;
inline constexpr int kMinimumLowerPaneHeight = 30;

// The upper pane's height once a drag of the splitter ends at `requested`: kept so that the
// lower pane keeps kMinimumLowerPaneHeight of `paneArea` (both panes and the splitter), and
// shut (0) when that leaves it kSnapShutHeight or less.
int UpperPaneHeightAfterDrag(int requested, int paneArea, int splitterHeight);

// The advertisement colour: each component uniform over 0 to 254, drawn blue, green, red from a
// generator seeded with `seed`.
struct AdvertColour {
    int red = 0;
    int green = 0;
    int blue = 0;
};
AdvertColour DrawAdvertColour(std::uint32_t seed);

// The application title of an executable named `fileName` (no directory): cut before its first
// ".", every character after the first in lower case.
std::string ApplicationTitleOf(std::string_view fileName);

} // namespace kolvane::program
