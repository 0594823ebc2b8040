// Compares the integer rule with a model written from its wording, by other means (digit strings
// compared as texts instead of a running overflow check), and checks that every 32-bit value
// written in decimal reads back as itself.

#include "FuzzCheck.h"
#include "store/IntegerText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace kolvane {
namespace {

using fuzzing::Require;

bool AllOf(std::string_view text, const char* alphabet) {
    return !text.empty() && text.find_first_not_of(alphabet) == text.npos;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == digits.npos ? "0" : digits.substr(first);
}

// Digit strings without leading zeros compare as numbers when compared by length, then as texts.
bool AtMost(std::string_view digits, std::string_view limit) {
    return digits.size() < limit.size() || (digits.size() == limit.size() && digits <= limit);
}

std::optional<std::int32_t> DecimalModel(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (text.starts_with('-') || text.starts_with('+'))
        text.remove_prefix(1);
    if (!AllOf(text, "0123456789"))
        return std::nullopt;
    const std::string_view digits = WithoutLeadingZeros(text);
    if (!AtMost(digits, negative ? "2147483648" : "2147483647"))
        return std::nullopt;
    const long long magnitude = std::stoll(std::string(digits));
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// One to eight significant hexadecimal digits: a 32-bit pattern read as a signed number.
std::optional<std::int32_t> HexModel(std::string_view text) {
    if (!AllOf(text, "0123456789abcdefABCDEF"))
        return std::nullopt;
    const std::string_view digits = WithoutLeadingZeros(text);
    if (digits.size() > 8)
        return std::nullopt;
    const auto pattern = static_cast<std::uint32_t>(std::stoul(std::string(digits), nullptr, 16));
    std::int32_t value;
    std::memcpy(&value, &pattern, sizeof value);
    return value;
}

std::optional<std::int32_t> IntegerModel(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    text = start == text.npos ? "" : text.substr(start);
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"})
        if (text.starts_with(prefix))
            return HexModel(text.substr(prefix.size()));
    return DecimalModel(text);
}

std::int32_t ValueOf(const std::uint8_t* data, std::size_t size) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, data, std::min(size, sizeof bits));
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace
} // namespace kolvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kolvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> parsed = ParseInteger(text);
    fuzzing::Require(parsed == IntegerModel(text), "the integer rule agrees with its model");
    fuzzing::Require(IntegerOr(text, 17) == parsed.value_or(17), "invalid text gives the default");

    const std::int32_t value = ValueOf(data, size);
    fuzzing::Require(ParseInteger(IntegerText(value)) == value, "a written number reads back");
    return 0;
}
