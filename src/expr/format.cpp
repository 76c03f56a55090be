#include "expr/format.h"

#include "expr/leading_number.h"
#include "text/locale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace pv {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsNoCase(std::string_view s, size_t i, std::string_view prefix) {
    return s.size() - i >= prefix.size() && EqualsNoCase(s.substr(i, prefix.size()), prefix);
}

// ---- decimal digits -------------------------------------------------------

// A non-negative number as 0.<digits> x 10^exp; no digits means zero.
// Working in decimal makes rounding follow the digits the user sees
// (2.675 rounds to 2.68) and scaling by 100 or 1000 exact.
struct Decimal {
    std::string digits;
    int exp = 0;
};

Decimal ToDecimal(double x, bool single) {
    Decimal d;
    x = std::fabs(x);
    if (x == 0 || !std::isfinite(x)) return d;
    char buf[64];
    auto r =
        std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, single ? 6 : 14);
    std::string_view s(buf, r.ptr - buf);
    size_t e = s.find('e');
    for (char c : s.substr(0, e))
        if (c >= '0' && c <= '9') d.digits += c;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    d.exp = std::atoi(std::string(s.substr(e + 1)).c_str()) + 1;
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero.
void RoundDigits(Decimal& d, long keep) {
    if (d.digits.empty() || keep >= static_cast<long>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        } else {
            ++d.digits[static_cast<size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty()) d.exp = 0;
}

// Digit at decimal position p (10^p); '0' outside the held digits.
char DigitAt(const Decimal& d, long p) {
    long i = d.exp - 1 - p;
    if (i < 0 || i >= static_cast<long>(d.digits.size())) return '0';
    return d.digits[static_cast<size_t>(i)];
}

// ---- number patterns ------------------------------------------------------

enum class T { Zero, Hash, Point, Comma, Percent, Exp, Literal };

struct Tok {
    T type;
    std::string text; // literal text, or "E+"/"e-" for exponents
};

std::vector<std::string_view> SplitSections(std::string_view pattern) {
    std::vector<std::string_view> out;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (quoted) {
            if (c == '"') quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == '\\') {
            ++i;
        } else if (c == ';') {
            out.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(pattern.substr(start));
    if (out.size() > 4) out.resize(4);
    return out;
}

std::vector<Tok> Tokenize(std::string_view s) {
    std::vector<Tok> out;
    bool seenPoint = false, seenExp = false;
    auto literal = [&](std::string_view text) {
        if (!out.empty() && out.back().type == T::Literal)
            out.back().text += text;
        else
            out.push_back({T::Literal, std::string(text)});
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        switch (c) {
        case '0': out.push_back({T::Zero, {}}); break;
        case '#': out.push_back({T::Hash, {}}); break;
        case '.':
            if (!seenPoint && !seenExp) {
                seenPoint = true;
                out.push_back({T::Point, {}});
            } else {
                literal(".");
            }
            break;
        case ',': out.push_back({T::Comma, {}}); break;
        case '%': out.push_back({T::Percent, {}}); break;
        case 'E':
        case 'e':
            if (!seenExp && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
                seenExp = true;
                out.push_back({T::Exp, std::string{c, s[i + 1]}});
                ++i;
            } else {
                literal(std::string_view(&s[i], 1));
            }
            break;
        case '\\':
            if (i + 1 < s.size()) literal(s.substr(++i, 1));
            break;
        case '"': {
            size_t end = s.find('"', i + 1);
            if (end == std::string_view::npos) end = s.size();
            literal(s.substr(i + 1, end - i - 1));
            i = end;
            break;
        }
        default: literal(std::string_view(&s[i], 1)); break;
        }
    }
    return out;
}

bool IsDigitTok(T t) {
    return t == T::Zero || t == T::Hash;
}

// A number pattern section, analysed once: placeholders counted, commas
// resolved into grouping, scaling or text.
struct Section {
    std::vector<Tok> toks;
    size_t pointAt = 0, expAt = 0, mantissaEnd = 0;
    int intPh = 0, fracPh = 0, percents = 0, scale = 0, expDigits = 0;
    bool grouping = false, anyPlaceholder = false, sci = false;
    std::vector<T> fracTypes;
};

Section PrepareSection(std::string_view text) {
    Section sec;
    std::vector<Tok>& toks = sec.toks;
    toks = Tokenize(text);

    // Regions: integer placeholders, fraction placeholders, exponent.
    size_t pointAt = toks.size(), expAt = toks.size();
    for (size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].type == T::Point && pointAt == toks.size()) pointAt = i;
        if (toks[i].type == T::Exp) expAt = i;
    }
    size_t mantissaEnd = std::min(pointAt, expAt);
    long firstInt = -1, lastInt = -1;
    for (size_t i = 0; i < toks.size(); ++i) {
        if (IsDigitTok(toks[i].type)) {
            if (i < mantissaEnd) {
                ++sec.intPh;
                if (firstInt < 0) firstInt = static_cast<long>(i);
                lastInt = static_cast<long>(i);
            } else if (i < expAt) {
                ++sec.fracPh;
                sec.fracTypes.push_back(toks[i].type);
            } else {
                ++sec.expDigits; // both 0 and # pad the exponent
            }
        }
        if (toks[i].type == T::Percent) ++sec.percents;
    }
    sec.anyPlaceholder = sec.intPh + sec.fracPh > 0;
    long lastDigit = -1;
    for (size_t i = 0; i < expAt && i < toks.size(); ++i)
        if (IsDigitTok(toks[i].type)) lastDigit = static_cast<long>(i);
    // Commas between integer placeholders group; commas after the last
    // whole-number placeholder or at the end of the number divide by 1000
    // each; others are text.
    for (size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].type != T::Comma) continue;
        long at = static_cast<long>(i);
        if (i < mantissaEnd && firstInt >= 0 && at > firstInt && at < lastInt) {
            sec.grouping = true;
            toks[i].type = T::Literal, toks[i].text.clear();
        } else if ((i < mantissaEnd && lastInt >= 0 && at > lastInt) ||
                   (lastDigit >= 0 && at > lastDigit && i < expAt)) {
            ++sec.scale;
            toks[i].type = T::Literal, toks[i].text.clear();
        } else if (i > pointAt && i < expAt) {
            toks[i].type = T::Literal, toks[i].text.clear();
        } else {
            toks[i].type = T::Literal, toks[i].text.assign(1, ',');
        }
    }
    sec.pointAt = pointAt;
    sec.expAt = expAt;
    sec.mantissaEnd = mantissaEnd;
    sec.sci = expAt < toks.size();
    return sec;
}

// Renders |x| with one section. `allZero` reports whether no non-zero digit
// was shown, so the caller can drop the sign of a number rounded to zero.
std::string RenderSection(double x, bool single, const Section& sec, bool& allZero) {
    const NumericLocale& loc = CurrentNumericLocale();
    const std::vector<Tok>& toks = sec.toks;
    const int intPh = sec.intPh, fracPh = sec.fracPh;

    Decimal d = ToDecimal(x, single);
    if (!d.digits.empty()) d.exp += 2 * sec.percents - 3 * sec.scale;

    long exponent = 0;
    if (sec.sci) {
        if (!d.digits.empty()) {
            // Shift so the mantissa has as many whole digits as placeholders.
            exponent = d.exp - intPh;
            d.exp = intPh;
            RoundDigits(d, intPh + fracPh);
            if (d.exp > intPh && intPh > 0) {
                ++exponent;
                d.exp = intPh;
            } else if (intPh == 0 && d.exp > 0) {
                exponent += d.exp;
                d.exp = 0;
            }
        }
    } else {
        RoundDigits(d, d.exp + fracPh);
    }
    allZero = d.digits.empty();

    // Whole digits: the leftmost placeholder also takes any surplus digits.
    long wholeDigits = std::max(0, d.exp);
    std::string out;
    int intSeen = 0, fracSeen = 0;
    bool zeroSeen = false, expPrinted = false;
    // Fraction: '#' positions at the end show nothing while their digit is 0.
    int fracShown = fracPh;
    while (fracShown > 0 && sec.fracTypes[static_cast<size_t>(fracShown - 1)] == T::Hash &&
           DigitAt(d, -fracShown) == '0')
        --fracShown;
    auto emitDigit = [&](long pos) {
        out += DigitAt(d, pos);
        if (sec.grouping && pos > 0 && pos % 3 == 0) out += loc.ThousandsSeparator;
    };
    auto emitExponent = [&]() {
        std::string e = std::to_string(std::labs(exponent));
        if (static_cast<int>(e.size()) < sec.expDigits)
            e.insert(0, static_cast<size_t>(sec.expDigits) - e.size(), '0');
        out += e;
        expPrinted = true;
    };
    for (size_t i = 0; i < toks.size(); ++i) {
        const Tok& t = toks[i];
        switch (t.type) {
        case T::Zero:
        case T::Hash:
            if (i < sec.mantissaEnd) {
                long pos = intPh - 1 - intSeen; // decimal position of this placeholder
                if (intSeen == 0)
                    for (long p = wholeDigits - 1; p > pos; --p)
                        emitDigit(p);
                // From the first '0' on, every placeholder shows its digit.
                zeroSeen = zeroSeen || t.type == T::Zero;
                if (pos < wholeDigits || zeroSeen) emitDigit(pos);
                ++intSeen;
            } else if (i < sec.expAt) {
                ++fracSeen;
                if (fracSeen <= fracShown) out += DigitAt(d, -fracSeen);
            } else if (!expPrinted) {
                emitExponent();
            }
            break;
        case T::Point: out += loc.DecimalPoint; break;
        case T::Percent: out += '%'; break;
        case T::Exp:
            out += t.text[0];
            if (exponent < 0)
                out += '-';
            else if (t.text[1] == '+')
                out += '+';
            // Without exponent placeholders the digits follow the marker.
            if (sec.expDigits == 0) emitExponent();
            break;
        case T::Literal:
        case T::Comma: out += t.text; break;
        }
    }
    if (!sec.anyPlaceholder) allZero = true;
    return out;
}

// Up to four sections: positive, negative, zero, empty value.
struct NumberPattern {
    std::vector<Section> sections;
    std::vector<bool> blank;
};

NumberPattern PrepareNumberPattern(std::string_view pattern) {
    NumberPattern np;
    for (std::string_view s : SplitSections(pattern)) {
        np.sections.push_back(PrepareSection(s));
        np.blank.push_back(s.empty());
    }
    return np;
}

std::string FormatNumberPattern(double x, bool single, const NumberPattern& np, bool isNull) {
    const auto& sec = np.sections;
    bool allZero = false;
    if (isNull) return sec.size() >= 4 ? RenderSection(0, single, sec[3], allZero) : "";
    if (x < 0 && sec.size() >= 2 && !np.blank[1]) return RenderSection(x, single, sec[1], allZero);
    if (x == 0 && sec.size() >= 3 && !np.blank[2]) return RenderSection(x, single, sec[2], allZero);
    std::string body = RenderSection(x, single, sec[0], allZero);
    if (x < 0 && !allZero) body.insert(body.begin(), '-');
    return body;
}

// ---- date/time patterns ---------------------------------------------------

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

enum class D {
    Literal,
    General,
    Day,
    Day2,
    DayName3,
    DayName,
    ShortDate,
    LongDate,
    Weekday,
    Week,
    Month,
    Month2,
    MonthName3,
    MonthName,
    Quarter,
    DayOfYear,
    Year2,
    Year4,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    LongTime,
    AmPm
};

struct DTok {
    D type;
    std::string text; // literal text, or the AM/PM marker as written
};

std::vector<DTok> TokenizeDate(std::string_view s) {
    std::vector<DTok> out;
    auto literal = [&](std::string_view text) {
        if (!out.empty() && out.back().type == D::Literal)
            out.back().text += text;
        else
            out.push_back({D::Literal, std::string(text)});
    };
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < s.size() && Lower(s[i + n]) == c)
            ++n;
        return n;
    };
    while (i < s.size()) {
        char c = Lower(s[i]);
        size_t n = run(c);
        switch (c) {
        case 'c': out.push_back({D::General, {}}), i += 1; continue;
        case 'd': {
            size_t k = std::min<size_t>(n, 6);
            static const D kD[] = {D::Day,     D::Day2,      D::DayName3,
                                   D::DayName, D::ShortDate, D::LongDate};
            out.push_back({kD[k - 1], {}});
            i += k;
            continue;
        }
        case 'w': {
            size_t k = std::min<size_t>(n, 2);
            out.push_back({k == 2 ? D::Week : D::Weekday, {}});
            i += k;
            continue;
        }
        case 'm': {
            size_t k = std::min<size_t>(n, 4);
            static const D kM[] = {D::Month, D::Month2, D::MonthName3, D::MonthName};
            out.push_back({kM[k - 1], {}});
            i += k;
            continue;
        }
        case 'q': out.push_back({D::Quarter, {}}), i += 1; continue;
        case 'y': {
            size_t k = n >= 4 ? 4 : n >= 2 ? 2 : 1;
            out.push_back({k == 4 ? D::Year4 : k == 2 ? D::Year2 : D::DayOfYear, {}});
            i += k;
            continue;
        }
        case 'h':
        case 'n':
        case 's': {
            size_t k = std::min<size_t>(n, 2);
            D one = c == 'h' ? D::Hour : c == 'n' ? D::Minute : D::Second;
            D two = c == 'h' ? D::Hour2 : c == 'n' ? D::Minute2 : D::Second2;
            out.push_back({k == 2 ? two : one, {}});
            i += k;
            continue;
        }
        case 't':
            if (n >= 5) {
                out.push_back({D::LongTime, {}});
                i += 5;
                continue;
            }
            break;
        case 'a':
            if (StartsNoCase(s, i, "am/pm")) {
                out.push_back({D::AmPm, std::string(s.substr(i, 5))});
                i += 5;
                continue;
            }
            if (StartsNoCase(s, i, "ampm")) {
                out.push_back({D::AmPm, "AMPM"});
                i += 4;
                continue;
            }
            if (StartsNoCase(s, i, "a/p")) {
                out.push_back({D::AmPm, std::string(s.substr(i, 3))});
                i += 3;
                continue;
            }
            break;
        case '\\':
            if (i + 1 < s.size()) literal(s.substr(i + 1, 1));
            i += 2;
            continue;
        case '"': {
            size_t end = s.find('"', i + 1);
            if (end == std::string_view::npos) end = s.size();
            literal(s.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        default: break;
        }
        literal(s.substr(i, 1));
        ++i;
    }
    // "m" right after an hour (text between allowed) is the minute;
    // anywhere else it is the month.
    for (size_t k = 0; k < out.size(); ++k) {
        if (out[k].type != D::Month && out[k].type != D::Month2) continue;
        long prev = static_cast<long>(k) - 1;
        while (prev >= 0 && out[static_cast<size_t>(prev)].type == D::Literal)
            --prev;
        bool afterHour = prev >= 0 && (out[static_cast<size_t>(prev)].type == D::Hour ||
                                       out[static_cast<size_t>(prev)].type == D::Hour2);
        if (afterHour) out[k].type = out[k].type == D::Month ? D::Minute : D::Minute2;
    }
    return out;
}

std::string Pad2(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

std::string RenderDate(const DateTime& dt, std::string_view pattern);

bool IsMidnight(const DateTime& dt) {
    return dt.Hour == 0 && dt.Minute == 0 && dt.Second == 0;
}
bool IsDayZero(const DateTime& dt) {
    return dt.Year == 1899 && dt.Month == 12 && dt.Day == 30;
}

std::string GeneralDate(const DateTime& dt) {
    if (IsDayZero(dt) && !IsMidnight(dt)) return RenderDate(dt, "ttttt");
    if (IsMidnight(dt)) return RenderDate(dt, "ddddd");
    return RenderDate(dt, "ddddd ttttt");
}

std::string RenderDateTokens(const DateTime& dt, const std::vector<DTok>& toks) {
    bool twelve = false;
    for (const auto& t : toks)
        if (t.type == D::AmPm) twelve = true;
    int hour = dt.Hour;
    if (twelve) {
        hour %= 12;
        if (hour == 0) hour = 12;
    }
    bool pm = dt.Hour >= 12;
    // A caller's out-of-range month must not index past the names.
    const size_t month = static_cast<size_t>(std::clamp(dt.Month, 1, 12) - 1);
    std::string out;
    for (const auto& t : toks) {
        switch (t.type) {
        case D::Literal: out += t.text; break;
        case D::General: out += GeneralDate(dt); break;
        case D::Day: out += std::to_string(dt.Day); break;
        case D::Day2: out += Pad2(dt.Day); break;
        case D::DayName3: out += std::string(kDayNames[DayOfWeek(dt) - 1]).substr(0, 3); break;
        case D::DayName: out += kDayNames[DayOfWeek(dt) - 1]; break;
        case D::ShortDate: out += RenderDate(dt, "m/d/yyyy"); break;
        case D::LongDate: out += RenderDate(dt, "dddd, mmmm d, yyyy"); break;
        case D::Weekday: out += std::to_string(DayOfWeek(dt)); break;
        case D::Week: out += std::to_string(WeekOfYear(dt)); break;
        case D::Month: out += std::to_string(dt.Month); break;
        case D::Month2: out += Pad2(dt.Month); break;
        case D::MonthName3: out += std::string(kMonthNames[month]).substr(0, 3); break;
        case D::MonthName: out += kMonthNames[month]; break;
        case D::Quarter: out += std::to_string((dt.Month - 1) / 3 + 1); break;
        case D::DayOfYear: out += std::to_string(DayOfYear(dt)); break;
        case D::Year2: out += Pad2(dt.Year % 100); break;
        case D::Year4: {
            std::string y = std::to_string(dt.Year);
            out += std::string(y.size() < 4 ? 4 - y.size() : 0, '0') + y;
            break;
        }
        case D::Hour: out += std::to_string(hour); break;
        case D::Hour2: out += Pad2(hour); break;
        case D::Minute: out += std::to_string(dt.Minute); break;
        case D::Minute2: out += Pad2(dt.Minute); break;
        case D::Second: out += std::to_string(dt.Second); break;
        case D::Second2: out += Pad2(dt.Second); break;
        case D::LongTime: out += RenderDate(dt, "h:mm:ss AM/PM"); break;
        case D::AmPm:
            if (t.text == "AMPM") {
                out += pm ? "PM" : "AM";
            } else {
                // The marker's case as written: AM/PM, am/pm, A/P, a/p.
                size_t slash = t.text.find('/');
                std::string_view pick = pm ? std::string_view(t.text).substr(slash + 1)
                                           : std::string_view(t.text).substr(0, slash);
                out += pick;
            }
            break;
        }
    }
    return out;
}

std::string RenderDate(const DateTime& dt, std::string_view pattern) {
    return RenderDateTokens(dt, TokenizeDate(pattern));
}

// Named date and time formats.
const char* NamedDatePattern(std::string_view name) {
    static const struct {
        const char* name;
        const char* pattern;
    } kNamed[] = {{"General Date", "c"},   {"Long Date", "dddddd"}, {"Medium Date", "dd-mmm-yy"},
                  {"Short Date", "ddddd"}, {"Long Time", "ttttt"},  {"Medium Time", "hh:mm AM/PM"},
                  {"Short Time", "hh:mm"}};
    for (const auto& n : kNamed)
        if (EqualsNoCase(name, n.name)) return n.pattern;
    return nullptr;
}

// Calls `visit(i)` for each character of a pattern outside quotes and
// backslash escapes; stops early when `visit` returns false.
template <typename Visit> void ForEachUnquoted(std::string_view p, Visit visit) {
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '\\') {
            ++i;
            continue;
        }
        if (p[i] == '"') {
            size_t end = p.find('"', i + 1);
            if (end == std::string_view::npos) return;
            i = end;
            continue;
        }
        if (!visit(i)) return;
    }
}

// A pattern is a date pattern when, outside quotes and escapes, it has no
// digit placeholder but a date or time letter.
bool IsDatePattern(std::string_view p) {
    if (NamedDatePattern(p)) return true;
    bool dateLetter = false, digit = false;
    ForEachUnquoted(p, [&](size_t i) {
        char c = Lower(p[i]);
        if (c == '0' || c == '#') {
            digit = true;
            return false;
        }
        if (c == 'd' || c == 'w' || c == 'm' || c == 'q' || c == 'y' || c == 'h' || c == 'n' ||
            c == 's' || c == 'c' || StartsNoCase(p, i, "ttttt") || StartsNoCase(p, i, "a/p") ||
            StartsNoCase(p, i, "am/pm") || StartsNoCase(p, i, "ampm"))
            dateLetter = true;
        return true;
    });
    return dateLetter && !digit;
}

enum class Named : uint8_t {
    None,
    GeneralNumber,
    Currency,
    Fixed,
    Standard,
    Percent,
    Scientific,
    YesNo,
    TrueFalse,
    OnOff
};

Named LookupNamedNumber(std::string_view name) {
    static const struct {
        const char* name;
        Named named;
    } kNames[] = {{"General Number", Named::GeneralNumber},
                  {"Currency", Named::Currency},
                  {"Fixed", Named::Fixed},
                  {"Standard", Named::Standard},
                  {"Percent", Named::Percent},
                  {"Scientific", Named::Scientific},
                  {"Yes/No", Named::YesNo},
                  {"True/False", Named::TrueFalse},
                  {"On/Off", Named::OnOff}};
    for (const auto& n : kNames)
        if (EqualsNoCase(name, n.name)) return n.named;
    return Named::None;
}

// The pattern a named number format stands for.
std::string_view NamedPattern(Named named) {
    switch (named) {
    case Named::Fixed: return "0.00";
    case Named::Standard:
    case Named::Currency: return "#,##0.00";
    case Named::Percent: return "0.00%";
    case Named::Scientific: return "0.00E+00";
    default: return {};
    }
}

// Text patterns: "@" (character or space) and "&" (character or nothing)
// placeholders, "<" / ">" for lower / upper case, "!" to fill from the
// left. A second section applies to empty text.
bool IsTextPattern(std::string_view p) {
    bool placeholder = false, caseOnly = false, digit = false;
    ForEachUnquoted(p, [&](size_t i) {
        char c = p[i];
        if (c == '0' || c == '#') {
            digit = true;
            return false;
        }
        if (c == '@' || c == '&') placeholder = true;
        if ((c == '<' || c == '>') && i == 0) caseOnly = true;
        return true;
    });
    if (digit) return false;
    return placeholder || (caseOnly && !IsDatePattern(p.substr(1)));
}

// A text pattern section, analysed once: literal pieces and placeholders,
// the case rule and the fill direction.
struct TextSection {
    struct Piece {
        char kind; // '@', '&' or 0 for literal
        std::string text;
    };
    std::vector<Piece> pieces;
    size_t slots = 0;
    std::string literals; // every literal piece, for a section without slots
    bool fromLeft = false;
    int caseMode = 0;
};

TextSection PrepareText(std::string_view s) {
    TextSection sec;
    auto& pieces = sec.pieces;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '@' || c == '&')
            pieces.push_back({c, {}});
        else if (c == '<')
            sec.caseMode = -1;
        else if (c == '>')
            sec.caseMode = 1;
        else if (c == '!')
            sec.fromLeft = true;
        else if (c == '\\') {
            if (i + 1 < s.size()) pieces.push_back({0, std::string(1, s[++i])});
        } else if (c == '"') {
            size_t end = s.find('"', i + 1);
            if (end == std::string_view::npos) end = s.size();
            pieces.push_back({0, std::string(s.substr(i + 1, end - i - 1))});
            i = end;
        } else {
            pieces.push_back({0, std::string(1, c)});
        }
    }
    for (const auto& p : pieces) {
        if (p.kind) ++sec.slots;
        sec.literals += p.text;
    }
    return sec;
}

// Up to four sections; the second applies to empty text.
std::vector<TextSection> PrepareTextPattern(std::string_view pattern) {
    std::vector<TextSection> out;
    for (std::string_view s : SplitSections(pattern))
        out.push_back(PrepareText(s));
    return out;
}

std::string FormatText(std::string text, const std::vector<TextSection>& sections) {
    const TextSection& sec = text.empty() && sections.size() >= 2 ? sections[1] : sections[0];
    for (char& ch : text) {
        unsigned char u = static_cast<unsigned char>(ch);
        if (sec.caseMode < 0 && ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)))
            ch = static_cast<char>(u + 32);
        if (sec.caseMode > 0 && ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)))
            ch = static_cast<char>(u - 32);
    }
    const size_t slots = sec.slots;
    if (slots == 0) return sec.pieces.empty() ? text : sec.literals + text;
    // Characters beyond the placeholders go before the first placeholder
    // (filling from the right) or after the last (from the left).
    const bool fromLeft = sec.fromLeft;
    size_t surplus = text.size() > slots ? text.size() - slots : 0;
    size_t missing = slots > text.size() ? slots - text.size() : 0;
    std::string out;
    size_t slot = 0, next = 0;
    for (const auto& p : sec.pieces) {
        if (!p.kind) {
            out += p.text;
            continue;
        }
        bool empty = fromLeft ? next >= text.size() : slot < missing;
        if (!fromLeft && slot == 0 && surplus) {
            out += text.substr(0, surplus);
            next = surplus;
        }
        if (empty) {
            if (p.kind == '@') out += ' ';
        } else {
            out += text[next++];
        }
        ++slot;
        if (fromLeft && slot == slots && next < text.size()) out += text.substr(next);
    }
    return out;
}

} // namespace

struct CompiledFormat::Plan {
    std::string pattern;
    Named named = Named::None;
    bool text = false, date = false;
    NumberPattern number; // custom or named number pattern
    std::vector<TextSection> textSections;
    std::vector<DTok> dateToks; // date pattern, named ones resolved
};

namespace {

std::string RenderNamed(const CompiledFormat::Plan& plan, double x, bool single) {
    switch (plan.named) {
    case Named::GeneralNumber: return NumberText(x, single, CurrentNumericLocale().DecimalPoint);
    case Named::YesNo: return x != 0 ? "Yes" : "No";
    case Named::TrueFalse: return x != 0 ? "True" : "False";
    case Named::OnOff: return x != 0 ? "On" : "Off";
    case Named::Currency: {
        const NumericLocale& loc = CurrentNumericLocale();
        bool zero = false;
        std::string body = RenderSection(x, single, plan.number.sections[0], zero);
        std::string out = x < 0 && !zero ? "-" : "";
        if (loc.CurrencyPrecedes)
            out += loc.CurrencySymbol + body;
        else
            out += body + " " + loc.CurrencySymbol;
        return out;
    }
    default: return FormatNumberPattern(x, single, plan.number, false);
    }
}

} // namespace

CompiledFormat CompileFormat(std::string_view pattern) {
    auto plan = std::make_shared<CompiledFormat::Plan>();
    plan->pattern = std::string(pattern);
    plan->named = LookupNamedNumber(pattern);
    if (plan->named == Named::None) {
        plan->text = IsTextPattern(pattern);
        plan->date = IsDatePattern(pattern);
        if (plan->text) plan->textSections = PrepareTextPattern(pattern);
        if (plan->date) {
            const char* named = NamedDatePattern(pattern);
            plan->dateToks = TokenizeDate(named ? std::string_view(named) : pattern);
        } else if (!plan->text) {
            plan->number = PrepareNumberPattern(pattern);
        }
    } else if (!NamedPattern(plan->named).empty()) {
        plan->number = PrepareNumberPattern(NamedPattern(plan->named));
    }
    CompiledFormat f;
    if (!pattern.empty()) f.plan_ = std::move(plan);
    return f;
}

const std::string& CompiledFormat::Pattern() const {
    static const std::string kNone;
    return plan_ ? plan_->pattern : kNone;
}

std::string CompiledFormat::Apply(const DateTime& dt) const {
    if (!plan_) return GeneralDate(dt);
    if (plan_->date) return RenderDateTokens(dt, plan_->dateToks);
    return Apply(Value::MakeDouble(ToSerial(dt)));
}

std::string CompiledFormat::Apply(const Value& value) const {
    double x = 0;
    bool single = value.Kind == ValueKind::Single;
    bool isNull =
        value.Kind == ValueKind::Empty || (value.Kind == ValueKind::Text && value.Text.empty());
    bool numeric = !isNull && ToNumber(value, x);
    if (!plan_) {
        // Text that reads as a number shows as that number.
        if (numeric && value.Kind == ValueKind::Text)
            return GeneralNumberText(Value::MakeDouble(x));
        return GeneralNumberText(value);
    }
    const Plan& plan = *plan_;
    if (plan.text) return FormatText(GeneralNumberText(value), plan.textSections);
    if (isNull) {
        if (plan.named != Named::None || plan.date) return GeneralNumberText(value);
        return FormatNumberPattern(0, false, plan.number, true);
    }
    if (!numeric) {
        // Text that is no number: dates can still be read from it.
        if (plan.date)
            if (auto dt = ParseDateTime(value.Text)) return RenderDateTokens(*dt, plan.dateToks);
        return value.Text;
    }
    if (plan.named != Named::None) return RenderNamed(plan, x, single);
    if (plan.date) {
        DateTime dt;
        if (!FromSerial(x, dt)) return GeneralNumberText(value);
        return RenderDateTokens(dt, plan.dateToks);
    }
    return FormatNumberPattern(x, single, plan.number, false);
}

namespace {

// The patterns used lately, compiled: callers that pass the same pattern
// for every record analyse it once. Bounded; one per thread.
const CompiledFormat& Cached(std::string_view pattern) {
    constexpr size_t kKept = 64;
    thread_local std::vector<std::pair<std::string, CompiledFormat>> kept;
    thread_local size_t next = 0;
    for (const auto& p : kept)
        if (p.first == pattern) return p.second;
    std::pair<std::string, CompiledFormat> entry{std::string(pattern), CompileFormat(pattern)};
    if (kept.size() < kKept) {
        kept.push_back(std::move(entry));
        return kept.back().second;
    }
    size_t slot = next++ % kKept;
    kept[slot] = std::move(entry);
    return kept[slot].second;
}

} // namespace

std::string FormatDateTime(const DateTime& dt, std::string_view pattern) {
    return Cached(pattern).Apply(dt);
}

std::string FormatValue(const Value& value, std::string_view pattern) {
    return Cached(pattern).Apply(value);
}

} // namespace pv
