#include "config/settings_table.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "text/escape.h"

namespace pv {
namespace {

using Visit = std::function<void(const std::string&, int, SettingRef)>;

template <typename A> void Each(const Visit& v, const char* name, A& array) {
    for (int i = 0; i < static_cast<int>(array.size()); ++i)
        v(name, i, &array[i]);
}

bool ParseInteger(const std::string& text, long long lo, long long hi, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

// Shapes that the file format can hold and the program relies on.
std::string CheckShape(const std::string& name, const std::string& value) {
    if (name == "FieldDelimiter" && value.size() != 1)
        return "FieldDelimiter must be exactly one character";
    if ((name == "DDETranslation" || name == "LogTranslation") && value.size() != 256)
        return name + " must be exactly 256 characters";
    if (name == "FieldFilter" &&
        (value.size() != 1 || std::string("CINHOB").find(value[0]) == std::string::npos))
        return "FieldFilter must be one of the letters C, I, N, H, O, B";
    if (name == "PreInputTable" && value.size() != 1 && value != "Ignore" && value != "Void Record")
        return "PreInputTable entries are one character, \"Ignore\" or \"Void Record\"";
    return {};
}

} // namespace

void ForEachSetting(Settings& s, const Visit& v) {
    // Serial port
    v("CommPort", -1, &s.CommPort);
    v("BaudRate", -1, &s.BaudRate);
    v("Parity", -1, &s.Parity);
    v("DataBits", -1, &s.DataBits);
    v("StopBits", -1, &s.StopBits);
    v("FlowControl", -1, &s.FlowControl);
    v("InputBufferSize", -1, &s.InputBufferSize);
    v("OutputBufferSize", -1, &s.OutputBufferSize);
    // Output mode and targets
    v("OutputMode", -1, &s.OutputMode);
    v("KeyTargetTitle", -1, &s.KeyTargetTitle);
    v("KeyTargetCommand", -1, &s.KeyTargetCommand);
    v("KeyTargetSpecified", -1, &s.KeyTargetSpecified);
    v("InterCharDelay", -1, &s.InterCharDelay);
    v("DDECommandApp", -1, &s.DDECommandApp);
    v("DDECommandTopic", -1, &s.DDECommandTopic);
    v("DDECommand", -1, &s.DDECommand);
    v("LogFileName", -1, &s.LogFileName);
    v("DDETopicName", -1, &s.DDETopicName);
    v("CmdLinkApp", -1, &s.CmdLinkApp);
    v("CmdLinkTopic", -1, &s.CmdLinkTopic);
    v("CmdLinkItem", -1, &s.CmdLinkItem);
    v("CmdLinkOnActivation", -1, &s.CmdLinkOnActivation);
    v("BufferLinkApp", -1, &s.BufferLinkApp);
    v("BufferLinkTopic", -1, &s.BufferLinkTopic);
    v("BufferLinkItem", -1, &s.BufferLinkItem);
    v("BufferLinkOnActivation", -1, &s.BufferLinkOnActivation);
    v("BufferLinkStripCrLf", -1, &s.BufferLinkStripCrLf);
    // Record structure and events
    v("StartOfRecordEvent", -1, &s.StartOfRecordEvent);
    v("StartOfRecordChars", -1, &s.StartOfRecordChars);
    v("EndOfRecordEvent", -1, &s.EndOfRecordEvent);
    v("EndOfRecordChars", -1, &s.EndOfRecordChars);
    v("RecordDelayTicks", -1, &s.RecordDelayTicks);
    v("RecordStructure", -1, &s.RecordStructure);
    v("RecordLength", -1, &s.RecordLength);
    v("FieldCount", -1, &s.FieldCount);
    v("FieldDelimiter", -1, &s.FieldDelimiter);
    v("RecordPreamble", -1, &s.RecordPreamble);
    // Field definitions
    Each(v, "FieldFilter", s.FieldFilter);
    Each(v, "FieldLength", s.FieldLength);
    Each(v, "FieldPostamble", s.FieldPostamble);
    Each(v, "FieldFormat", s.FieldFormat);
    Each(v, "FieldMathExpression", s.FieldMathExpression);
    // Translation tables
    Each(v, "PreInputTable", s.PreInputTable);
    Each(v, "KeystrokeTranslation", s.KeystrokeTranslation);
    v("DDETranslation", -1, &s.DDETranslation);
    v("LogTranslation", -1, &s.LogTranslation);
    // Output strings and timer
    v("AckString", -1, &s.AckString);
    v("TimerString", -1, &s.TimerString);
    v("TimerInterval", -1, &s.TimerInterval);
    v("TimerFlags", -1, &s.TimerFlags);
    Each(v, "OutputStringCaption", s.OutputStringCaption);
    Each(v, "OutputStringText", s.OutputStringText);
    // Hot keys
    Each(v, "HotKeyCode", s.HotKeyCode);
    Each(v, "HotKeyAction", s.HotKeyAction);
    Each(v, "HotKeyString", s.HotKeyString);
    // Running-window options
    v("ActivateSuspended", -1, &s.ActivateSuspended);
    v("MinimizeOnActivation", -1, &s.MinimizeOnActivation);
    v("WindowOnTop", -1, &s.WindowOnTop);
    v("BeepOnInput", -1, &s.BeepOnInput);
    v("WindowButtons", -1, &s.WindowButtons);
    v("ShowDateTime", -1, &s.ShowDateTime);
    v("DateTimeFormat", -1, &s.DateTimeFormat);
}

std::string SetSetting(Settings& s, const std::string& target, const std::string& escaped) {
    std::string name = target;
    int index = -1;
    if (auto open = target.find('('); open != std::string::npos) {
        long long i = 0;
        if (target.back() != ')' ||
            !ParseInteger(target.substr(open + 1, target.size() - open - 2), 0, 1 << 20, i))
            return "bad setting name: " + target;
        name = target.substr(0, open);
        index = static_cast<int>(i);
    }
    auto value = UnescapeBytes(escaped);
    if (!value) return "bad escape in the value of " + target + " (use \\xHH)";

    bool nameKnown = false, found = false;
    std::string why;
    ForEachSetting(s, [&](const std::string& n, int i, SettingRef ref) {
        if (n != name) return;
        nameKnown = true;
        if ((index < 0) != (i < 0)) {
            if (why.empty())
                why = index < 0 ? name + " needs an index: " + name + "(i)"
                                : name + " takes no index";
            return;
        }
        if (i != index || found) return;
        found = true;
        if (auto* text = std::get_if<std::string*>(&ref)) {
            why = CheckShape(name, *value);
            if (why.empty()) **text = *value;
            return;
        }
        long long number = 0;
        bool wide = std::holds_alternative<int32_t*>(ref);
        long long lo = wide ? std::numeric_limits<int32_t>::min() : -32768;
        long long hi = wide ? std::numeric_limits<int32_t>::max() : 32767;
        if (!ParseInteger(*value, lo, hi, number)) {
            why = target + " needs a whole number from " + std::to_string(lo) + " to " +
                  std::to_string(hi);
            return;
        }
        if (wide)
            *std::get<int32_t*>(ref) = static_cast<int32_t>(number);
        else
            *std::get<int16_t*>(ref) = static_cast<int16_t>(number);
    });
    if (!nameKnown) return "unknown setting: " + name;
    if (found) return why;
    if (!why.empty()) return why;
    return "index out of range: " + target;
}

} // namespace pv
