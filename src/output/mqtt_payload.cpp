#include "output/mqtt_payload.h"

#include <cstdio>
#include <ctime>

namespace pv {

namespace {

// Length of the UTF-8 sequence at `s[i]`, 0 when it is not a valid one
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t Utf8Length(std::string_view s, size_t i) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = at(i);
    if (c < 0x80) return 1;
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    unsigned char d = at(i + 1);
    if (c == 0xE0 && d < 0xA0) return 0;
    if (c == 0xED && d >= 0xA0) return 0;
    if (c == 0xF0 && d < 0x90) return 0;
    if (c == 0xF4 && d >= 0x90) return 0;
    return n;
}

void AppendLatin1(std::string& out, unsigned char c) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        size_t n = Utf8Length(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Base64(std::string_view bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

std::string JsonString(std::string_view bytes) {
    bool utf8 = IsValidUtf8(bytes);
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\u%04x", c);
                out += hex;
            } else if (c >= 0x80 && !utf8) {
                AppendLatin1(out, c);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

int UtcOffsetMinutes(const DateTime& local) {
    std::tm tm{};
    tm.tm_year = local.Year - 1900;
    tm.tm_mon = local.Month - 1;
    tm.tm_mday = local.Day;
    tm.tm_hour = local.Hour;
    tm.tm_min = local.Minute;
    tm.tm_sec = local.Second;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return 0;
    std::tm back{};
    if (!localtime_r(&t, &back)) return 0;
    return static_cast<int>(back.tm_gmtoff / 60);
}

std::string IsoLocalTime(const DateTime& t, int offset) {
    char text[40];
    int a = offset < 0 ? -offset : offset;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.Year, t.Month,
                  t.Day, t.Hour, t.Minute, t.Second, offset < 0 ? '-' : '+', a / 60 % 100, a % 60);
    return text;
}

std::string RecordPayload(const Record& r, const PublishContext& context, int offsetMinutes) {
    std::string out = "{\"record\":" + std::to_string(r.Number) + ",\"time\":\"" +
                      IsoLocalTime(r.Time, offsetMinutes) +
                      "\",\"device\":" + JsonString(context.Device) +
                      ",\"config\":" + JsonString(context.ConfigFile) + ",\"fields\":[";
    std::string raw;
    for (int i = 1; i <= r.FieldCount && i < kFieldSlots; ++i) {
        const std::string& field = r.Fields[i];
        if (i > 1) out += ',';
        out += JsonString(field);
        if (IsValidUtf8(field)) continue;
        raw += raw.empty() ? "{" : ",";
        raw += "\"" + std::to_string(i) + "\":\"" + Base64(field) + "\"";
    }
    out += ']';
    if (!raw.empty()) out += ",\"raw\":" + raw + "}";
    out += '}';
    return out;
}

std::string CommandResultPayload(std::string_view command, bool accepted, std::string_view reason) {
    std::string out = "{\"command\":" + JsonString(command) + ",\"result\":\"" +
                      (accepted ? "accepted" : "refused") + "\"";
    if (!reason.empty()) out += ",\"reason\":" + JsonString(reason);
    out += '}';
    return out;
}

} // namespace pv
