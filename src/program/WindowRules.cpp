#include "program/WindowRules.h"

#include <algorithm>
#include <random>

namespace kolvane::program {

int UpperPaneHeightAfterDrag(int requested, int paneArea, int splitterHeight) {
    if (requested <= kSnapShutHeight)
        return 0;
    const int tallest = paneArea - splitterHeight - kMinimumLowerPaneHeight;
    return std::max(0, std::min(requested, tallest));
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
