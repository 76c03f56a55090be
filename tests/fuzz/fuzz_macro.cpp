// Feeds arbitrary keystroke texts to the macro parser and plays them on a
// keyboard that only counts. Checked: no crash, the queue never passes its
// bound, and every piece ends with no modifier left pressed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "output/keystroke_sender.h"

namespace {

class CountingKeyboard : public pv::Keyboard {
  public:
    int KeyForChar(unsigned char c) override { return pv::UsLayoutKeyForChar(c); }
    void KeyEvent(int code, bool down) override {
        if (code == pv::kShiftCode || code == pv::kCtrlCode || code == pv::kAltCode)
            held[code] += down ? 1 : -1;
    }
    pv::KeyboardState GetState() override { return {}; }
    void SetState(const pv::KeyboardState&) override {}
    void Wait(int) override {}
    int MillisecondsIntoSecond() override { return 0; }
    int held[32] = {};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CountingKeyboard keyboard;
    pv::KeystrokeSender sender(keyboard);
    sender.SetInterCharDelay(0);
    (void)sender.ParseMacro(text);
    if (sender.QueueLength() > pv::kKeyQueueSize) std::abort();
    (void)sender.SendKeystrokeText(text);
    for (int code : {pv::kShiftCode, pv::kCtrlCode, pv::kAltCode})
        if (keyboard.held[code] != 0) std::abort();
    return 0;
}
