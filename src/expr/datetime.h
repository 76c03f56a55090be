#pragma once
// Calendar date and time of day, as read from the clock or a field, and
// the placeholder expansion used in preambles, postambles and commands.
#include <optional>
#include <string>
#include <string_view>

namespace pv {

struct DateTime {
    int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0;
    bool operator==(const DateTime&) const = default;
};

/// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(const DateTime& dt);
/// 1 .. 366.
int DayOfYear(const DateTime& dt);
/// 1 .. 54; week 1 holds January 1st, weeks start on Sunday.
int WeekOfYear(const DateTime& dt);
bool IsValidDateTime(const DateTime& dt);

/// Days since 1899-12-30, the time of day as the fraction (the classic
/// serial date form that numbers formatted as dates are read in).
double ToSerial(const DateTime& dt);
/// False outside the years 100..9999.
bool FromSerial(double serial, DateTime& out);

/// "YYYY-MM-DD", optionally followed by " hh:mm" or " hh:mm:ss" (or "T"
/// between), or a time "hh:mm[:ss]" alone (on day 0 of the serial form).
std::optional<DateTime> ParseDateTime(std::string_view text);

/// Replaces the first occurrence (any case) of each of {CENTURY} {YEAR}
/// {MONTH} {DAY} {HOUR} {MINUTE} {SECOND} with two digits of `now`.
std::string ExpandDateTime(std::string_view text, const DateTime& now);

} // namespace pv
