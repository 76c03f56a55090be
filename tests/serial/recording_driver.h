#pragma once
// Test doubles for the port layer: a serial driver that records every call
// and can be scripted to fail or to accept short writes, a tick counter that
// advances on every reading, and a message sink that keeps what it was shown.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/port.h"
#include "text/escape.h"
#include "text/messages.h"

namespace pv::test {

/// Records each call as "Name(args)", e.g. "Open(/dev/ttyS0)",
/// "SetState(9600,7,2,0,0)" (baud, data bits, parity, stop bits, flow),
/// "Write(AB\x00)" (escaped bytes offered), "SetDtr(0)", "Read(1)".
class RecordingDriver : public SerialDriver {
  public:
    // --- Script ---
    bool FailOpen = false;
    bool FailTimeouts = false;
    bool FailGetState = false;
    bool FailSetState = false;
    /// Bytes accepted per Write; negative accepts everything.
    int AcceptPerWrite = -1;
    /// Write returns -1 and accepts nothing.
    bool FailWrite = false;
    /// Bytes served by Read, from the front.
    std::string Input;
    /// What GetState reports before any SetState.
    LineSettings State{};

    // --- Record ---
    std::vector<std::string> Log;
    /// Every byte a Write accepted, in order.
    std::string Written;
    bool Opened = false;
    std::string Device;
    bool Dtr = false;
    bool Rts = false;
    bool Break = false;

    bool Open(const std::string& device) override {
        Log.push_back("Open(" + device + ")");
        if (FailOpen) return false;
        Opened = true;
        Device = device;
        return true;
    }
    bool IsOpen() const override { return Opened; }
    int Handle() const override { return Opened ? 3 : -1; }
    void SetQueueSizes(int32_t input, int32_t output) override {
        Log.push_back("SetQueueSizes(" + std::to_string(input) + "," + std::to_string(output) +
                      ")");
    }
    bool SetTimeouts() override {
        Log.push_back("SetTimeouts()");
        return !FailTimeouts;
    }
    bool GetState(LineSettings& out) override {
        Log.push_back("GetState()");
        if (FailGetState) return false;
        out = State;
        return true;
    }
    bool SetState(const LineSettings& in) override {
        Log.push_back("SetState(" + Describe(in) + ")");
        if (FailSetState) return false;
        State = in;
        return true;
    }
    int Read(unsigned char* buffer, int size) override {
        Log.push_back("Read(" + std::to_string(size) + ")");
        int n = std::min<int>(size, static_cast<int>(Input.size()));
        std::copy_n(Input.begin(), n, buffer);
        Input.erase(0, static_cast<size_t>(n));
        return n;
    }
    int Write(const char* data, int size) override {
        std::string_view offered(data, static_cast<size_t>(size));
        Log.push_back("Write(" + EscapeBytes(offered) + ")");
        if (FailWrite) return -1;
        int n = AcceptPerWrite < 0 ? size : std::min(size, AcceptPerWrite);
        Written.append(data, static_cast<size_t>(n));
        return n;
    }
    void SetDtr(bool on) override {
        Log.push_back(std::string("SetDtr(") + (on ? "1" : "0") + ")");
        Dtr = on;
    }
    void SetRts(bool on) override {
        Log.push_back(std::string("SetRts(") + (on ? "1" : "0") + ")");
        Rts = on;
    }
    void SetBreak(bool on) override {
        Log.push_back(std::string("SetBreak(") + (on ? "1" : "0") + ")");
        Break = on;
    }
    void Purge() override { Log.push_back("Purge()"); }
    void Close() override {
        Log.push_back("Close()");
        Opened = false;
    }

    /// The log without the calls named `name` (say, the many "Read" polls).
    std::vector<std::string> LogWithout(std::string_view name) const {
        std::vector<std::string> out;
        for (const auto& entry : Log)
            if (entry.compare(0, name.size(), name) != 0 || entry[name.size()] != '(')
                out.push_back(entry);
        return out;
    }
    /// How many calls named `name` were made.
    int Count(std::string_view name) const {
        return static_cast<int>(Log.size() - LogWithout(name).size());
    }

    static std::string Describe(const LineSettings& s) {
        return std::to_string(s.Baud) + "," + std::to_string(s.DataBits) + "," +
               std::to_string(s.Parity) + "," + std::to_string(s.StopBits) + "," +
               std::to_string(s.FlowControl);
    }
};

/// A tick counter that moves on by `Step` ms each time it is read.
class SteppingTicks : public TickSource {
  public:
    explicit SteppingTicks(uint32_t start = 0, uint32_t step = 1) : Now(start), Step(step) {}
    uint32_t TickCount() override {
        ++Reads;
        uint32_t t = Now;
        Now += Step;
        return t;
    }
    uint32_t Now;
    uint32_t Step;
    int Reads = 0;
};

/// Keeps every message shown; answers with the first button.
class RecordingMessages : public SilentMessages {
  public:
    struct Shown {
        std::string Text;
        std::string Title;
        MsgIcon Icon;
        MsgButtons Buttons;
    };
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon icon,
                   MsgButtons buttons) override {
        Messages.push_back({text, title, icon, buttons});
        return SilentMessages::Show(text, title, icon, buttons);
    }
    void Beep() override { ++Beeps; }
    std::vector<Shown> Messages;
    int Beeps = 0;
};

/// A virtual device window that keeps what it was shown.
class RecordingVirtualDevice : public VirtualDevice {
  public:
    void ShowOutput(const std::string& maskedText) override { Shown += maskedText; }
    std::string Shown;
};

} // namespace pv::test
