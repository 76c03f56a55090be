#include "config/settings_table.h"

#include <limits>
#include <type_traits>

#include "text/byte_text.h"
#include "text/escape.h"

namespace pv {
namespace {

template <class T> struct IsArray : std::false_type {};
template <class T, size_t N> struct IsArray<std::array<T, N>> : std::true_type {};

template <auto M> auto& Slot(Settings& s, int i) {
    auto& member = s.*M;
    if constexpr (IsArray<std::remove_reference_t<decltype(member)>>::value)
        return member[static_cast<size_t>(i)];
    else
        return member;
}

// One row: the member gives the name's storage, the kind and the accessors.
template <auto M>
SettingDef Def(const char* name, Form form, std::vector<Run> v3, std::vector<Run> v2,
               std::vector<Run> block = {}) {
    using Member = std::remove_reference_t<decltype(std::declval<Settings&>().*M)>;
    using T = std::remove_reference_t<decltype(Slot<M>(std::declval<Settings&>(), 0))>;
    SettingDef d{name,          Kind::Text, 0,       form,   std::move(v3), std::move(block),
                 std::move(v2), nullptr,    nullptr, nullptr};
    if constexpr (IsArray<Member>::value) d.slots = static_cast<int>(std::tuple_size_v<Member>);
    if constexpr (std::is_same_v<T, std::string>) {
        d.text = [](Settings& s, int i) -> std::string& { return Slot<M>(s, i); };
    } else {
        d.kind = sizeof(T) == 4 ? Kind::Int32 : Kind::Int16;
        d.number = [](const Settings& s, int i) {
            return static_cast<int64_t>(Slot<M>(const_cast<Settings&>(s), i));
        };
        d.setNumber = [](Settings& s, int i, int64_t v) { Slot<M>(s, i) = static_cast<T>(v); };
    }
    return d;
}

// A scalar at one position.
std::vector<Run> At(int key) {
    return {{-1, -1, key, 0}};
}

using S = Settings;
using F = Form;

// Version-3 positions are line numbers; the groups of seven lines per output
// string start at 1049 + 7(i-1). Version-2 positions are item numbers: the
// same up to line 1048, then its own order (timer and strings inline, groups
// of ten from 1054, the caption of group i stored at i-1, no hot keys).
const std::vector<SettingDef> kTable = {
    // Serial port
    Def<&S::CommPort>("CommPort", F::Number, At(2), At(2)),
    Def<&S::BaudRate>("BaudRate", F::Number, At(3), At(3)),
    Def<&S::Parity>("Parity", F::Number, At(4), At(4)),
    Def<&S::DataBits>("DataBits", F::Number, At(5), At(5)),
    Def<&S::StopBits>("StopBits", F::Number, At(6), At(6)),
    Def<&S::FlowControl>("FlowControl", F::Number, At(7), At(7)),
    Def<&S::InputBufferSize>("InputBufferSize", F::Number, At(8), At(8)),
    Def<&S::OutputBufferSize>("OutputBufferSize", F::Number, At(9), At(9)),
    // Output mode and targets
    Def<&S::OutputMode>("OutputMode", F::Number, At(11), At(11)),
    Def<&S::KeyTargetTitle>("KeyTargetTitle", F::Text, At(19), At(19)),
    Def<&S::KeyTargetCommand>("KeyTargetCommand", F::Text, At(20), At(20)),
    Def<&S::KeyTargetSpecified>("KeyTargetSpecified", F::Number, At(21), At(21)),
    Def<&S::InterCharDelay>("InterCharDelay", F::TrailInt, At(1463), At(1271)),
    Def<&S::DDECommandApp>("DDECommandApp", F::Text, At(22), At(22)),
    Def<&S::DDECommandTopic>("DDECommandTopic", F::Text, At(23), At(23)),
    Def<&S::DDECommand>("DDECommand", F::Text, At(24), At(24)),
    Def<&S::LogFileName>("LogFileName", F::Text, At(1189), At(1254)),
    Def<&S::DDETopicName>("DDETopicName", F::TrailText, At(1462), At(1270)),
    Def<&S::CmdLinkApp>("CmdLinkApp", F::Text, At(1191), At(1256)),
    Def<&S::CmdLinkTopic>("CmdLinkTopic", F::Text, At(1192), At(1257)),
    Def<&S::CmdLinkItem>("CmdLinkItem", F::Text, At(1193), At(1258)),
    Def<&S::CmdLinkOnActivation>("CmdLinkOnActivation", F::Number, At(1194), At(1259)),
    Def<&S::BufferLinkApp>("BufferLinkApp", F::Text, At(1195), At(1260)),
    Def<&S::BufferLinkTopic>("BufferLinkTopic", F::Text, At(1196), At(1261)),
    Def<&S::BufferLinkItem>("BufferLinkItem", F::Text, At(1197), At(1262)),
    Def<&S::BufferLinkOnActivation>("BufferLinkOnActivation", F::Number, At(1198), At(1263)),
    Def<&S::BufferLinkStripCrLf>("BufferLinkStripCrLf", F::Number, At(1199), At(1264)),
    // Record structure and events
    Def<&S::StartOfRecordEvent>("StartOfRecordEvent", F::Number, At(13), At(13)),
    Def<&S::StartOfRecordChars>("StartOfRecordChars", F::Counted, At(1350), At(1268), At(0)),
    Def<&S::EndOfRecordEvent>("EndOfRecordEvent", F::Number, At(14), At(14)),
    Def<&S::EndOfRecordChars>("EndOfRecordChars", F::Counted, At(1351), At(1269), At(1)),
    Def<&S::RecordDelayTicks>("RecordDelayTicks", F::Number, At(12), At(12)),
    Def<&S::RecordStructure>("RecordStructure", F::Number, At(15), At(15)),
    Def<&S::RecordLength>("RecordLength", F::Number, At(16), At(16)),
    Def<&S::FieldCount>("FieldCount", F::Number, At(17), At(17)),
    Def<&S::FieldDelimiter>("FieldDelimiter", F::Delimiter, At(18), At(18)),
    Def<&S::RecordPreamble>("RecordPreamble", F::Counted, At(1349), At(1053), At(4)),
    // Field definitions
    Def<&S::FieldFilter>("FieldFilter", F::Text, {{1, 20, 1050, 7}, {21, 40, 1052, 7}},
                         {{1, 20, 1056, 10}, {21, 40, 1059, 10}}),
    Def<&S::FieldLength>("FieldLength", F::Number, {{1, 20, 1051, 7}, {21, 40, 1053, 7}},
                         {{1, 20, 1057, 10}, {21, 40, 1060, 10}}),
    Def<&S::FieldPostamble>("FieldPostamble", F::Counted, {{1, 20, 1353, 3}, {21, 40, 1354, 3}},
                            {{1, 20, 1058, 10}, {21, 40, 1061, 10}}, {{1, 40, 25, 1}}),
    Def<&S::FieldFormat>("FieldFormat", F::Text, {{1, 20, 1054, 7}, {21, 40, 1055, 7}},
                         {{1, 20, 1062, 10}, {21, 40, 1063, 10}}),
    Def<&S::FieldMathExpression>("FieldMathExpression", F::Text, {{1, 40, 1307, 1}}, {}),
    // Translation tables
    Def<&S::PreInputTable>("PreInputTable", F::PreInput, {{0, 255, 281, 1}}, {{0, 255, 281, 1}}),
    Def<&S::KeystrokeTranslation>("KeystrokeTranslation", F::KeyText, {{0, 255, 25, 1}},
                                  {{0, 255, 25, 1}}),
    Def<&S::DDETranslation>("DDETranslation", F::Codes, At(537), At(537)),
    Def<&S::LogTranslation>("LogTranslation", F::Codes, At(793), At(793)),
    // Output strings and timer
    Def<&S::AckString>("AckString", F::Counted, At(1347), At(1049), At(2)),
    Def<&S::TimerString>("TimerString", F::Counted, At(1348), At(1050), At(3)),
    Def<&S::TimerInterval>("TimerInterval", F::Number, At(1203), At(1051)),
    Def<&S::TimerFlags>("TimerFlags", F::Number, At(1204), At(1052)),
    Def<&S::OutputStringCaption>("OutputStringCaption", F::Text, {{1, 20, 1049, 7}},
                                 {{0, 19, 1054, 10}}),
    Def<&S::OutputStringText>("OutputStringText", F::Counted, {{1, 20, 1352, 3}},
                              {{1, 20, 1055, 10}}, {{1, 20, 5, 1}}),
    // Hot keys
    Def<&S::HotKeyCode>("HotKeyCode", F::Number, {{0, 49, 1208, 2}}, {}),
    Def<&S::HotKeyAction>("HotKeyAction", F::Number, {{0, 49, 1207, 2}}, {}),
    Def<&S::HotKeyString>("HotKeyString", F::Counted, {{0, 49, 1412, 1}}, {}, {{0, 49, 65, 1}}),
    // Running-window options
    Def<&S::ActivateSuspended>("ActivateSuspended", F::Number, At(1205), {}),
    Def<&S::MinimizeOnActivation>("MinimizeOnActivation", F::Number, At(1190), At(1255)),
    Def<&S::WindowOnTop>("WindowOnTop", F::Number, At(1206), {}),
    Def<&S::BeepOnInput>("BeepOnInput", F::Number, At(10), At(10)),
    Def<&S::WindowButtons>("WindowButtons", F::Number, At(1202), At(1267)),
    Def<&S::ShowDateTime>("ShowDateTime", F::Number, At(1201), At(1266)),
    Def<&S::DateTimeFormat>("DateTimeFormat", F::Text, At(1200), At(1265)),
};

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

const std::vector<SettingDef>& SettingsTable() {
    return kTable;
}

void ForEachSetting(const std::function<void(const SettingDef&, int)>& visit) {
    for (const auto& def : kTable) {
        if (def.slots == 0) visit(def, -1);
        for (int i = 0; i < def.slots; ++i)
            visit(def, i);
    }
}

std::string ShowSetting(const Settings& s, const SettingDef& def, int index) {
    if (def.kind == Kind::Text) return EscapeBytes(def.text(const_cast<Settings&>(s), index));
    return std::to_string(def.number(s, index));
}

std::string SetSetting(Settings& s, const std::string& target, const std::string& escaped) {
    std::string name = target;
    int index = -1;
    if (auto open = target.find('('); open != std::string::npos) {
        auto i = ParseInteger(target.substr(open + 1, target.size() - open - 2), 0, 1 << 20);
        if (target.back() != ')' || !i) return "bad setting name: " + target;
        name = target.substr(0, open);
        index = static_cast<int>(*i);
    }
    auto value = UnescapeBytes(escaped);
    if (!value) return "bad escape in the value of " + target + " (use \\xHH)";

    const SettingDef* def = nullptr;
    for (const auto& d : kTable)
        if (name == d.name) def = &d;
    if (!def) return "unknown setting: " + name;
    if (index < 0 && def->slots > 0) return name + " needs an index: " + name + "(i)";
    if (index >= 0 && def->slots == 0) return name + " takes no index";
    if (index >= def->slots) return "index out of range: " + target;

    if (def->kind == Kind::Text) {
        std::string why = CheckShape(name, *value);
        if (why.empty()) def->text(s, index) = *value;
        return why;
    }
    bool wide = def->kind == Kind::Int32;
    int64_t lo = wide ? std::numeric_limits<int32_t>::min() : -32768;
    int64_t hi = wide ? std::numeric_limits<int32_t>::max() : 32767;
    auto number = ParseInteger(*value, lo, hi);
    if (!number)
        return target + " needs a whole number from " + std::to_string(lo) + " to " +
               std::to_string(hi);
    def->setNumber(s, index, *number);
    return {};
}

} // namespace pv
