#include "recdef/record_walk.h"

#include <cmath>

namespace pv {

namespace {
void Set(Config& config, auto& setting, auto value) {
    if (setting != value) {
        setting = value;
        config.ConfigChanged = True;
    }
}
void ClearLengths(Config& config) {
    for (int i = 1; i <= kMaxFields; ++i)
        config.FieldLength[i] = 0;
}
} // namespace

Refusal CheckRecordEvents(int start, const std::string& startChars, int end,
                          const std::string& endChars) {
    if (start == StartOnSpecialChars && startChars.empty()) return {4007, 4008};
    if (end == EndOnSpecialChars && endChars.empty()) return {4007, 4009};
    return {};
}

WalkNext ApplyRecordEvents(Config& config, int start, const std::string& startChars, int end,
                           const std::string& endChars) {
    Set(config, config.StartOfRecordEvent, static_cast<StartEvent>(start));
    Set(config, config.EndOfRecordEvent, static_cast<EndEvent>(end));
    config.StartOfRecordChars = startChars;
    config.EndOfRecordChars = endChars;
    switch (config.EndOfRecordEvent) {
    case EndOnByteCount:
        config.RecordStructure = FixedLengthFields;
        config.FieldCount = kMaxFields;
        return WalkNext::Fixed;
    case EndOnTimeDelay: return WalkNext::Timed;
    default: return WalkNext::Structure;
    }
}

Refusal ApplyRecordLength(Config& config, double length) {
    const double v = std::nearbyint(length);
    if (!(v >= 1 && v <= 32766)) return {4010, 4005};
    config.RecordLength = static_cast<int16_t>(v);
    config.FieldCount = kMaxFields;
    return {};
}

WalkNext ApplyStructure(Config& config, int structure) {
    Set(config, config.RecordStructure, static_cast<RecordShape>(structure));
    switch (config.RecordStructure) {
    case SingleField:
        ClearLengths(config);
        config.FieldCount = 1;
        return WalkNext::Editor;
    case DelimitedFields: return WalkNext::Delimited;
    default: config.FieldCount = kMaxFields; return WalkNext::Editor;
    }
}

Refusal ApplyDelimited(Config& config, double fields, unsigned char delimiter) {
    if (!(fields >= 2 && fields <= 40)) return {4015, 4005};
    Set(config, config.FieldDelimiter, std::string(1, static_cast<char>(delimiter)));
    Set(config, config.FieldCount, static_cast<int16_t>(std::nearbyint(fields)));
    ClearLengths(config);
    return {};
}

std::string DelimiterRow(int code) {
    static const char* const kControl[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                             "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                             "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                             "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    std::string row = std::to_string(code) + '\t';
    switch (code) {
    case 0: return row + "    NUL  ";
    case 9: return row + "    TAB";
    case 32: return row + "    SPACE";
    case 44: return row + ",   COMMA";
    default:
        if (code >= 0 && code < 32) return row + "    " + kControl[code];
        return row + static_cast<char>(code);
    }
}

} // namespace pv
