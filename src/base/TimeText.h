#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The program's time texts, shared by the store and the engine.
namespace kolvane {

// A local date and time as the wall clock shows it.
struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const LocalDateTime&) const = default;
};

// "yyyy-mm-dd hh:nn:ss", the stamp of every log line.
std::string FormatTimeStamp(const LocalDateTime& time);
// "yyyymmdd-hhnnss", the name of a run's own sub-directory.
std::string FormatSubDirName(const LocalDateTime& time);
// "hh:nn:ss", the daily time of a task.
std::string FormatTimeOfDay(const LocalDateTime& time);
// "hh:nn:ss" of a second of the day, 0 to 86399.
std::string FormatSecondOfDay(int secondOfDay);

// Reads back exactly what FormatTimeStamp writes, a real date and time; nothing for anything else.
std::optional<LocalDateTime> ParseTimeStamp(std::string_view text);

// Seconds counted on the local calendar (no time zone applied), so that consecutive wall-clock
// seconds differ by one and the remainder modulo 86400 is the time of day.
std::int64_t CivilSeconds(const LocalDateTime& time);

// The time-of-day text rule: optional AM/PM marker, hours, ":" minutes, optionally ":" seconds
// and "." milliseconds, blanks around every part. Returns the seconds of the day (0 to 86399),
// or nothing when the text is not a time of day.
std::optional<int> ParseTimeOfDay(std::string_view text);

} // namespace kolvane
