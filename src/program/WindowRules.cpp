#include "program/WindowRules.h"

#include <algorithm>
#include <random>

namespace kolvane::program {

// Kept first, so that a pane area too small to leave more than the snap height above also shuts.
int UpperPaneHeightAfterDrag(int requested, int paneArea, int splitterHeight) {
    const int tallest = paneArea - splitterHeight - kMinimumLowerPaneHeight;
    const int kept = std::min(requested, tallest);
    return kept <= kSnapShutHeight ? 0 : kept;
}

AdvertColour DrawAdvertColour(std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> component(0, 254);
    AdvertColour colour;
    colour.blue = component(generator);
    colour.green = component(generator);
    colour.red = component(generator);
    return colour;
}

// Only ASCII letters change case: the executable's name is the program's own.
std::string ApplicationTitleOf(std::string_view fileName) {
    std::string title(fileName.substr(0, fileName.find('.')));
    for (std::size_t i = 1; i < title.size(); ++i) {
        if (title[i] >= 'A' && title[i] <= 'Z')
            title[i] = static_cast<char>(title[i] - 'A' + 'a');
    }
    return title;
}

} // namespace kolvane::program
