#include "engine/NameMask.h"

#include "base/Text.h"

namespace kolvane {
namespace {

constexpr char32_t kAnyRun = U'*';
constexpr char32_t kAnyOne = U'?';

// The length of the UTF-8 sequence that starts with `lead`; a byte that starts none counts alone.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

NameMask::NameMask(std::string_view patterns, bool ignoreLetterCase)
    : ignoreLetterCase_(ignoreLetterCase) {
    while (!patterns.empty()) {
        const std::size_t end = patterns.find(';');
        const std::string_view pattern = TrimBlanks(patterns.substr(0, end));
        if (!pattern.empty())
            patterns_.push_back(CharactersOf(pattern));
        patterns.remove_prefix(end == patterns.npos ? patterns.size() : end + 1);
    }
}

bool NameMask::Matches(std::string_view name) const {
    if (patterns_.empty())
        return false;
    const Characters characters = CharactersOf(name);
    for (const Characters& pattern : patterns_) {
        if (Match(pattern, characters))
            return true;
    }
    return false;
}

// Each character is kept as its bytes packed into one number: equal sequences give equal numbers,
// and a sequence cut short still counts as one character.
NameMask::Characters NameMask::CharactersOf(std::string_view text) const {
    Characters characters;
    characters.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = SequenceLength(static_cast<unsigned char>(text[at]));
        std::size_t taken = 1;
        char32_t character = static_cast<unsigned char>(text[at]);
        while (taken < length && at + taken < text.size() &&
               (static_cast<unsigned char>(text[at + taken]) & 0xC0) == 0x80)
            character = character << 8 | static_cast<unsigned char>(text[at + taken++]);
        if (taken == 1 && ignoreLetterCase_)
            character = static_cast<unsigned char>(AsciiLower(text[at]));
        characters.push_back(character);
        at += taken;
    }
    return characters;
}

// Greedy matching that, on a mismatch, lets the last "*" take one more character; linear in
// practice and never exponential.
bool NameMask::Match(const Characters& pattern, const Characters& name) {
    std::size_t p = 0, n = 0;
    std::size_t starAt = pattern.size(), starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == kAnyRun) {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == kAnyOne || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt < pattern.size()) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

} // namespace kolvane
