#include "expr/datetime.h"

#include <cmath>

namespace pv {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long yy = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const long kSerialEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string TwoDigits(int v) {
    v %= 100;
    if (v < 0) v = -v;
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// Reads exactly `width` digits (or 1..width when width is negative).
bool Digits(std::string_view s, size_t& i, int width, int& out) {
    int maxw = width < 0 ? -width : width;
    int n = 0;
    out = 0;
    while (n < maxw && i < s.size() && s[i] >= '0' && s[i] <= '9') {
        out = out * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    return width < 0 ? n > 0 : n == width;
}

bool ParseTime(std::string_view s, size_t& i, DateTime& dt) {
    if (!Digits(s, i, -2, dt.Hour) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!Digits(s, i, 2, dt.Minute)) return false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!Digits(s, i, 2, dt.Second)) return false;
    }
    return true;
}

} // namespace

bool IsValidDateTime(const DateTime& dt) {
    return dt.Year >= 100 && dt.Year <= 9999 && dt.Month >= 1 && dt.Month <= 12 && dt.Day >= 1 &&
           dt.Day <= DaysInMonth(dt.Year, dt.Month) && dt.Hour >= 0 && dt.Hour < 24 &&
           dt.Minute >= 0 && dt.Minute < 60 && dt.Second >= 0 && dt.Second < 60;
}

int DayOfWeek(const DateTime& dt) {
    long days =
        DaysFromCivil(dt.Year, static_cast<unsigned>(dt.Month), static_cast<unsigned>(dt.Day));
    // 1970-01-01 was a Thursday (5).
    long w = (days + 4) % 7;
    if (w < 0) w += 7;
    return static_cast<int>(w) + 1;
}

int DayOfYear(const DateTime& dt) {
    return static_cast<int>(DaysFromCivil(dt.Year, static_cast<unsigned>(dt.Month),
                                          static_cast<unsigned>(dt.Day)) -
                            DaysFromCivil(dt.Year, 1, 1)) +
           1;
}

int WeekOfYear(const DateTime& dt) {
    DateTime jan1{dt.Year, 1, 1, 0, 0, 0};
    return (DayOfYear(dt) - 1 + DayOfWeek(jan1) - 1) / 7 + 1;
}

double ToSerial(const DateTime& dt) {
    double days = static_cast<double>(
        DaysFromCivil(dt.Year, static_cast<unsigned>(dt.Month), static_cast<unsigned>(dt.Day)) -
        kSerialEpoch);
    double time = (dt.Hour * 3600 + dt.Minute * 60 + dt.Second) / 86400.0;
    // Before day 0 the time still counts forward within the day.
    return days < 0 ? days - time : days + time;
}

bool FromSerial(double serial, DateTime& out) {
    if (!(serial > -657435.0 && serial < 2958466.0)) return false;
    double whole = std::trunc(serial);
    long seconds = std::lround(std::fabs(serial - whole) * 86400.0);
    long day = static_cast<long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += serial < 0 ? -1 : 1;
    }
    CivilFromDays(day + kSerialEpoch, out.Year, out.Month, out.Day);
    out.Hour = static_cast<int>(seconds / 3600);
    out.Minute = static_cast<int>(seconds / 60 % 60);
    out.Second = static_cast<int>(seconds % 60);
    return out.Year >= 100 && out.Year <= 9999;
}

std::optional<DateTime> ParseDateTime(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    DateTime dt;
    size_t i = 0;
    if (s.size() >= 3 && (s[1] == ':' || s[2] == ':')) {
        if (!ParseTime(s, i, dt) || i != s.size()) return std::nullopt;
    } else {
        if (!Digits(s, i, 4, dt.Year) || i >= s.size() || s[i++] != '-' ||
            !Digits(s, i, -2, dt.Month) || i >= s.size() || s[i++] != '-' ||
            !Digits(s, i, -2, dt.Day))
            return std::nullopt;
        if (i < s.size()) {
            if (s[i] != ' ' && s[i] != 'T') return std::nullopt;
            while (i < s.size() && (s[i] == ' ' || s[i] == 'T'))
                ++i;
            if (!ParseTime(s, i, dt) || i != s.size()) return std::nullopt;
        }
    }
    if (!IsValidDateTime(dt)) return std::nullopt;
    return dt;
}

std::string ExpandDateTime(std::string_view text, const DateTime& now) {
    std::string out(text);
    if (out.find('{') == std::string::npos) return out; // the usual postamble
    const struct {
        const char* name;
        int value;
    } kHolders[] = {{"{CENTURY}", now.Year / 100}, {"{YEAR}", now.Year % 100},
                    {"{MONTH}", now.Month},        {"{DAY}", now.Day},
                    {"{HOUR}", now.Hour},          {"{MINUTE}", now.Minute},
                    {"{SECOND}", now.Second}};
    for (const auto& h : kHolders) {
        std::string_view name(h.name);
        if (out.size() < name.size()) continue;
        for (size_t i = 0; i + name.size() <= out.size(); ++i) {
            size_t k = 0;
            while (k < name.size() && Upper(out[i + k]) == name[k])
                ++k;
            if (k == name.size()) {
                out.replace(i, name.size(), TwoDigits(h.value));
                break;
            }
        }
    }
    return out;
}

} // namespace pv
