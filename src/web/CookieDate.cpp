#include "web/CookieDate.h"

#include "web/HttpText.h"

#include <array>
#include <chrono>
#include <vector>

namespace kolvane {

namespace {

struct DateParts {
    std::optional<int> hour, minute, second;
    std::optional<int> day, month, year;
};

// Everything but digits, letters and ":" separates the parts of a date.
bool IsDelimiter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0x09 || (byte >= 0x20 && byte <= 0x2f) || (byte >= 0x3b && byte <= 0x40) ||
           (byte >= 0x5b && byte <= 0x60) || (byte >= 0x7b && byte <= 0x7e);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || IsDelimiter(text[i])) {
            if (i > start)
                tokens.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    return tokens;
}

// Reads between minDigits and maxDigits digits at the start of text, which must then end or go on
// with something other than a digit.
std::optional<int> LeadingNumber(std::string_view& text, std::size_t minDigits,
                                 std::size_t maxDigits) {
    std::size_t count = 0;
    int value = 0;
    while (count < text.size() && IsDigit(text[count]) && count < maxDigits)
        value = value * 10 + (text[count++] - '0');
    if (count < minDigits || (count < text.size() && IsDigit(text[count])))
        return std::nullopt;
    text.remove_prefix(count);
    return value;
}

bool TakeTime(std::string_view token, DateParts& parts) {
    const auto hour = LeadingNumber(token, 1, 2);
    if (!hour || !token.starts_with(':'))
        return false;
    token.remove_prefix(1);
    const auto minute = LeadingNumber(token, 1, 2);
    if (!minute || !token.starts_with(':'))
        return false;
    token.remove_prefix(1);
    const auto second = LeadingNumber(token, 1, 2);
    if (!second)
        return false;
    parts.hour = hour;
    parts.minute = minute;
    parts.second = second;
    return true;
}

bool TakeNumber(std::string_view token, std::size_t minDigits, std::size_t maxDigits,
                std::optional<int>& into) {
    const auto value = LeadingNumber(token, minDigits, maxDigits);
    if (!value)
        return false;
    into = value;
    return true;
}

bool TakeMonth(std::string_view token, DateParts& parts) {
    static constexpr std::array<std::string_view, 12> names{
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3)
        return false;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (EqualsIgnoringCase(token.substr(0, 3), names[i])) {
            parts.month = static_cast<int>(i) + 1;
            return true;
        }
    return false;
}

// Each part is taken from the first token that looks like it, in this order of tries.
void TakeToken(std::string_view token, DateParts& parts) {
    if (!parts.hour && TakeTime(token, parts))
        return;
    if (!parts.day && TakeNumber(token, 1, 2, parts.day))
        return;
    if (!parts.month && TakeMonth(token, parts))
        return;
    if (!parts.year)
        TakeNumber(token, 2, 4, parts.year);
}

// Two-digit years: 70 to 99 are 1970 to 1999, 00 to 69 are 2000 to 2069.
int FullYear(int year) {
    if (year >= 70 && year <= 99)
        return year + 1900;
    if (year >= 0 && year <= 69)
        return year + 2000;
    return year;
}

} // namespace

std::optional<std::time_t> ParseCookieDate(std::string_view text) {
    DateParts parts;
    for (const auto token : Tokens(text))
        TakeToken(token, parts);
    if (!parts.hour || !parts.day || !parts.month || !parts.year)
        return std::nullopt;
    const int year = FullYear(*parts.year);
    if (year < 1601 || *parts.hour > 23 || *parts.minute > 59 || *parts.second > 59)
        return std::nullopt;

    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year},
                              std::chrono::month{static_cast<unsigned>(*parts.month)},
                              std::chrono::day{static_cast<unsigned>(*parts.day)}};
    if (!date.ok())
        return std::nullopt;
    const auto moment =
        sys_days{date} + hours{*parts.hour} + minutes{*parts.minute} + seconds{*parts.second};
    return static_cast<std::time_t>(moment.time_since_epoch().count());
}

} // namespace kolvane
