#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolvane {

// The names a task leaves out: patterns separated by ";", in which "*" stands for any run of
// characters and "?" for one character (a whole UTF-8 sequence). Blanks around a pattern are
// ignored, and so are empty patterns.
class NameMask {
public:
    NameMask() = default;
    // With ignoreLetterCase, "A" to "Z" match "a" to "z" (other letters match only as written).
    NameMask(std::string_view patterns, bool ignoreLetterCase);

    // Whether the name of one file or directory (no path) matches any of the patterns.
    bool Matches(std::string_view name) const;

private:
    using Characters = std::vector<char32_t>;
    Characters CharactersOf(std::string_view text) const;
    static bool Match(const Characters& pattern, const Characters& name);

    std::vector<Characters> patterns_;
    bool ignoreLetterCase_ = false;
};

} // namespace kolvane
