#pragma once
// The hot keys of a run: which key combinations are grabbed system-wide,
// which entries a reported key matches, and the actions they run through
// the runtime's commands. The platform grabs the keys behind HotKeyGrabber.
//
//   pv::HotKeyHook hook(config, runtime, grabber, messages, /*virtualDevice=*/false);
//   hook.Register();                 // when the running window loads
//   grabber reports each key:  bool swallow = hook.OnKey(event);
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "config/config.h"
#include "text/messages.h"

namespace pv {

class Runtime;

/// HotKeyAction values.
enum HotKeyActions : int16_t {
    HkNone = 0,
    HkTransmitString = 1,
    HkBreak = 2,
    HkPulseDtr = 3,
    HkTimerOn = 4,
    HkTimerOff = 5,
    HkRaiseDtr = 6,
    HkLowerDtr = 7,
    HkRaiseRts = 8,
    HkLowerRts = 9,
    HkReset = 10,
    HkSuspend = 11,
    HkEnable = 12,
    HkEnableOneRecord = 13,
};
constexpr int kHotKeyActionCount = 14;

/// Modifier bits of a hot key code's high byte.
constexpr int kHotShift = 1, kHotCtrl = 2, kHotAlt = 4;

/// "SHIFT+CTRL+ALT+" (the parts held) followed by the key's name.
std::string HotKeyCodeText(int16_t code);

/// One combination to grab: the virtual-key code and the modifier bits.
struct HotKeyCombination {
    int Key = 0;
    int Modifiers = 0;
    bool operator<(const HotKeyCombination& o) const {
        return Key != o.Key ? Key < o.Key : Modifiers < o.Modifiers;
    }
    bool operator==(const HotKeyCombination&) const = default;
};

/// Every combination to grab, each once: each entry's key with its
/// modifiers, and the same with Shift inverted; entries without a key
/// ("None") give nothing.
std::vector<HotKeyCombination> HotKeyGrabs(const Config& config);

/// A key event of a grabbed combination.
struct HotKeyEvent {
    int Key = 0;
    int Modifiers = 0; // Shift as it is now, Ctrl and Alt as reported
    bool Repeat = false;
    bool Release = false;
};

/// The system-wide key grabs of one platform.
class HotKeyGrabber {
  public:
    virtual ~HotKeyGrabber() = default;
    enum class Result { Grabbed, Taken, NoKey };
    /// Grabs a combination on the whole desktop; Taken when another program
    /// holds it already.
    virtual Result Grab(const HotKeyCombination& combination) = 0;
    virtual void UngrabAll() = 0;
};

/// The hot key codes found held by another program at the last registration
/// (the hot key dialog marks their entries).
std::set<int16_t>& TakenHotKeys();

class HotKeyHook {
  public:
    HotKeyHook(const Config& config, Runtime& runtime, HotKeyGrabber& grabber,
               MessageSink& messages, bool virtualDevice);
    ~HotKeyHook();
    HotKeyHook(const HotKeyHook&) = delete;
    HotKeyHook& operator=(const HotKeyHook&) = delete;

    /// Grabs the configuration's combinations (dropping earlier grabs); one
    /// message names the entries whose key another program holds.
    void Register();
    /// A reported key: true when it is swallowed. Presses run every
    /// matching entry in entry order; repeats and releases only swallow.
    bool OnKey(const HotKeyEvent& event);

  private:
    void Run(int entry);

    const Config& config_;
    Runtime& runtime_;
    HotKeyGrabber& grabber_;
    MessageSink& messages_;
    bool virtual_;
};

} // namespace pv
