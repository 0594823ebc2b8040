#include "store/IntegerText.h"

#include <cctype>
#include <limits>

namespace kolvane {
namespace {

std::optional<std::int32_t> ParseHex(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        int digit = std::isdigit(static_cast<unsigned char>(c))
                        ? c - '0'
                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) // a ninth significant digit
            return std::nullopt;
    }
    // The digits are a 32-bit pattern read as a signed number, so $FFFFFFFF is -1.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X'))
        return ParseHex(text.substr(1));
    if (text.starts_with("0x") || text.starts_with("0X"))
        return ParseHex(text.substr(2));
    return ParseDecimal(text);
}

std::int32_t IntegerOr(std::string_view text, std::int32_t fallback) {
    return ParseInteger(text).value_or(fallback);
}

std::string IntegerText(std::int32_t value) {
    return std::to_string(value);
}

std::int32_t CountPlusOne(std::int32_t count) {
    return count == std::numeric_limits<std::int32_t>::max() ? count : count + 1;
}

} // namespace kolvane
