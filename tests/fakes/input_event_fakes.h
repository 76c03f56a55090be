#pragma once
// Stands in for the uinput device: keeps the event stream as text.
#include <string>

#include "output/keystroke_uinput.h"

namespace pv::test {

/// "42+ 30+ 30- 42-" for key events, "!" when a key event is not followed
/// by its SYN_REPORT, "w5" for the keyboard's waits.
class RecordingEventWriter : public InputEventWriter {
  public:
    std::string stream;
    bool synPending = false;

    bool Write(uint16_t type, uint16_t code, int32_t value) override {
        if (type == kEvSyn) {
            synPending = false;
            return true;
        }
        Add((synPending ? "!" : "") + std::to_string(code) + (value ? "+" : "-"));
        synPending = true;
        return true;
    }
    void Add(const std::string& item) { stream += (stream.empty() ? "" : " ") + item; }
};

} // namespace pv::test
