#include "hotkeys/hot_keys.h"

#include <algorithm>
#include <array>

#include "runtime/runtime.h"
#include "strings/key_picks.h"
#include "text/key_names.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

const std::array<std::string, kKeyTableSize>& KeyNames() {
    static const auto names = [] {
        std::array<std::string, kKeyTableSize> n;
        std::array<int16_t, kKeyTableSize> codes{};
        BuildKeyNameTable(n, codes);
        return n;
    }();
    return names;
}

int KeyOf(int16_t code) {
    return static_cast<uint16_t>(code) & 0xFF;
}

int ModifiersOf(int16_t code) {
    return (static_cast<uint16_t>(code) >> 8) & (kHotShift | kHotCtrl | kHotAlt);
}

} // namespace

std::string HotKeyCodeText(int16_t code) {
    const int key = KeyOf(code);
    const std::string& name = key < kKeyTableSize ? KeyNames()[static_cast<size_t>(key)] : "";
    return HotKeyText(ModifiersOf(code), name.empty() ? std::to_string(key) : name);
}

std::vector<HotKeyCombination> HotKeyGrabs(const Config& config) {
    std::set<HotKeyCombination> all;
    for (int16_t code : config.HotKeyCode) {
        if (KeyOf(code) == 0) continue;
        const HotKeyCombination c{KeyOf(code), ModifiersOf(code)};
        all.insert(c);
        // The live Shift state decides the match, so both Shift states reach us.
        all.insert({c.Key, c.Modifiers ^ kHotShift});
    }
    return {all.begin(), all.end()};
}

std::set<int16_t>& TakenHotKeys() {
    static std::set<int16_t> taken;
    return taken;
}

HotKeyHook::HotKeyHook(const Config& config, Runtime& runtime, HotKeyGrabber& grabber,
                       MessageSink& messages, bool virtualDevice)
    : config_(config), runtime_(runtime), grabber_(grabber), messages_(messages),
      virtual_(virtualDevice) {}

HotKeyHook::~HotKeyHook() {
    grabber_.UngrabAll();
}

void HotKeyHook::Register() {
    grabber_.UngrabAll();
    std::set<HotKeyCombination> taken;
    for (const HotKeyCombination& c : HotKeyGrabs(config_))
        if (grabber_.Grab(c) == HotKeyGrabber::Result::Taken) taken.insert(c);

    TakenHotKeys().clear();
    std::string list;
    for (int n = 0; n < kHotKeys; ++n) {
        const int16_t code = config_.HotKeyCode[static_cast<size_t>(n)];
        if (KeyOf(code) == 0 || !taken.count({KeyOf(code), ModifiersOf(code)})) continue;
        TakenHotKeys().insert(code);
        list += "\n" + std::to_string(n + 1) + ": " + HotKeyCodeText(code);
    }
    if (!list.empty())
        messages_.Show(Text(txt::HotKeysHeld) + "\n" + list, "Portivox", MsgIcon::Exclamation,
                       MsgButtons::Ok);
}

bool HotKeyHook::OnKey(const HotKeyEvent& event) {
    const auto combined = static_cast<int16_t>(((event.Modifiers & 7) << 8) | (event.Key & 0xFF));
    const auto& codes = config_.HotKeyCode;
    if (std::find(codes.begin(), codes.end(), combined) == codes.end() || KeyOf(combined) == 0)
        return false;
    if (event.Repeat || event.Release) return true;
    for (int n = 0; n < kHotKeys; ++n)
        if (codes[static_cast<size_t>(n)] == combined) Run(n);
    return true;
}

void HotKeyHook::Run(int entry) {
    const auto n = static_cast<size_t>(entry);
    auto line = [this](LineSignal s) {
        // No port in Virtual Instrument mode: nothing to drive.
        if (!virtual_) runtime_.Signal(s);
    };
    switch (config_.HotKeyAction[n]) {
    case HkTransmitString: runtime_.QueueOutput(config_.HotKeyString[n]); break;
    case HkBreak: line(LineSignal::Break); break;
    case HkPulseDtr: line(LineSignal::PulseDtr); break;
    case HkTimerOn: runtime_.SetTimedOutput(true); break;
    case HkTimerOff: runtime_.SetTimedOutput(false); break;
    case HkRaiseDtr: line(LineSignal::RaiseDtr); break;
    case HkLowerDtr: line(LineSignal::LowerDtr); break;
    case HkRaiseRts: line(LineSignal::RaiseRts); break;
    case HkLowerRts: line(LineSignal::LowerRts); break;
    case HkReset: runtime_.Reset(); break;
    case HkSuspend: runtime_.Suspend(); break;
    case HkEnable: runtime_.Resume(); break;
    case HkEnableOneRecord:
        if (runtime_.Suspended()) runtime_.ResumeForOneRecord();
        break;
    default: break;
    }
}

} // namespace pv
