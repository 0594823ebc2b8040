#include "base/Text.h"

#include <algorithm>

namespace kolvane {
namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

template <typename Predicate> std::string_view Trimmed(std::string_view text, Predicate trims) {
    while (!text.empty() && trims(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && trims(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimControl(std::string_view text) {
    return std::string(Trimmed(text, IsControl));
}

std::string_view TrimBlanks(std::string_view text) {
    return Trimmed(text, IsBlank);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return AsciiLower(c); });
    return lowered;
}

} // namespace kolvane
