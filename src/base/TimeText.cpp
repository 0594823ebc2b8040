#include "base/TimeText.h"

#include <cstdio>

namespace kolvane {
namespace {

std::string Printed(const char* format, auto... values) {
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// Days since 1970-01-01 on the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// Reads the time-of-day text rule from the front of a text, one part at a time.
class TimeOfDayReader {
public:
    explicit TimeOfDayReader(std::string_view text) : rest_(text) {}

    std::optional<int> Read() {
        SkipBlanks();
        std::optional<bool> marker = ReadMarker();
        int hours = 0, minutes = 0, seconds = 0, milliseconds = 0;
        if (!ReadNumber(hours) || !ReadSeparator(':') || !ReadNumber(minutes))
            return std::nullopt;
        if (ReadSeparator(':')) {
            if (!ReadNumber(seconds))
                return std::nullopt;
            if (ReadSeparator('.') && !ReadNumber(milliseconds))
                return std::nullopt;
        }
        if (!marker)
            marker = ReadMarker();
        if (!rest_.empty())
            return std::nullopt;
        if (marker) {
            if (hours < 1 || hours > 12)
                return std::nullopt;
            hours = (hours % 12) + (*marker ? 12 : 0);
        }
        if (hours > 23 || minutes > 59 || seconds > 59 || milliseconds > 999)
            return std::nullopt;
        return hours * 3600 + minutes * 60 + seconds;
    }

private:
    void SkipBlanks() {
        while (!rest_.empty() && rest_.front() == ' ')
            rest_.remove_prefix(1);
    }

    // An "AM" or "PM" marker in any letter case; yields whether it is the afternoon one.
    std::optional<bool> ReadMarker() {
        if (rest_.size() < 2 || (rest_[1] != 'M' && rest_[1] != 'm'))
            return std::nullopt;
        const char first = rest_[0];
        if (first != 'A' && first != 'a' && first != 'P' && first != 'p')
            return std::nullopt;
        rest_.remove_prefix(2);
        SkipBlanks();
        return first == 'P' || first == 'p';
    }

    bool ReadSeparator(char separator) {
        if (rest_.empty() || rest_.front() != separator)
            return false;
        rest_.remove_prefix(1);
        SkipBlanks();
        return true;
    }

    // Digits are taken while the value read so far is below 1000, so the number stays small.
    bool ReadNumber(int& value) {
        if (rest_.empty() || rest_.front() < '0' || rest_.front() > '9')
            return false;
        value = 0;
        while (!rest_.empty() && rest_.front() >= '0' && rest_.front() <= '9' && value < 1000) {
            value = value * 10 + (rest_.front() - '0');
            rest_.remove_prefix(1);
        }
        SkipBlanks();
        return true;
    }

    std::string_view rest_;
};

} // namespace

std::string FormatTimeStamp(const LocalDateTime& time) {
    return Printed("%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                   time.minute, time.second);
}

std::string FormatSubDirName(const LocalDateTime& time) {
    return Printed("%04d%02d%02d-%02d%02d%02d", time.year, time.month, time.day, time.hour,
                   time.minute, time.second);
}

std::string FormatTimeOfDay(const LocalDateTime& time) {
    return Printed("%02d:%02d:%02d", time.hour, time.minute, time.second);
}

std::string FormatSecondOfDay(int secondOfDay) {
    LocalDateTime time;
    time.hour = secondOfDay / 3600;
    time.minute = secondOfDay / 60 % 60;
    time.second = secondOfDay % 60;
    return FormatTimeOfDay(time);
}

std::optional<LocalDateTime> ParseTimeStamp(std::string_view text) {
    static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kShape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    LocalDateTime time{
        number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2), 0};
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > kDays[time.month - 1] ||
        time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    const bool leapYear = (time.year % 4 == 0 && time.year % 100 != 0) || time.year % 400 == 0;
    if (time.month == 2 && time.day == 29 && !leapYear)
        return std::nullopt;
    return time;
}

std::int64_t CivilSeconds(const LocalDateTime& time) {
    return DaysFromCivil(time.year, static_cast<unsigned>(time.month),
                         static_cast<unsigned>(time.day)) *
               86400 +
           time.hour * 3600 + time.minute * 60 + time.second;
}

std::optional<int> ParseTimeOfDay(std::string_view text) {
    return TimeOfDayReader(text).Read();
}

} // namespace kolvane
