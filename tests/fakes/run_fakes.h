#pragma once
// Fakes for everything below the windows: a hand-driven clock, a serial
// driver that records its calls, and a runtime harness whose display, host
// and sink record what reaches them.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings_store.h"
#include "fakes/recording_messages.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "text/escape.h"

namespace pv::testing {

class FakeClock : public Clock {
  public:
    uint32_t Ticks = 1000;
    DateTime Time{2024, 3, 5, 14, 7, 9};
    uint32_t TickCount() override { return Ticks; }
    DateTime Now() override { return Time; }
};

/// Records each call as "Name(args)": "Open(/dev/ttyS0)", "SetState(9600,7,2,0,0)"
/// (baud, data bits, parity, stop bits, flow), "Write(AB\x00)", "SetDtr(0)".
/// Reads are served from Input and not logged.
class RecordingDriver : public SerialDriver {
  public:
    bool FailOpen = false, FailTimeouts = false, FailGetState = false, FailSetState = false;
    int AcceptPerWrite = -1; // bytes accepted per Write; negative: all
    bool Lines = true;       // false: a device without modem lines
    std::string Input;
    LineSettings State{};
    std::vector<std::string> Log;
    std::string Written;
    bool Opened = false;

    bool Open(const std::string& device) override {
        Log.push_back("Open(" + device + ")");
        return Opened = !FailOpen;
    }
    bool IsOpen() const override { return Opened; }
    void SetQueueSizes(int32_t i, int32_t o) override {
        Log.push_back("SetQueueSizes(" + std::to_string(i) + "," + std::to_string(o) + ")");
    }
    bool SetTimeouts() override { return Logged("SetTimeouts()", !FailTimeouts); }
    bool GetState(LineSettings& out) override {
        if (!FailGetState) out = State;
        return Logged("GetState()", !FailGetState);
    }
    bool SetState(const LineSettings& in) override {
        if (!FailSetState) State = in;
        return Logged("SetState(" + Describe(in) + ")", !FailSetState);
    }
    int Read(unsigned char* buffer, int size) override {
        int n = std::min<int>(size, static_cast<int>(Input.size()));
        std::copy_n(Input.begin(), n, buffer);
        Input.erase(0, static_cast<size_t>(n));
        return n;
    }
    int Write(const char* data, int size) override {
        Log.push_back("Write(" + EscapeBytes(std::string_view(data, size_t(size))) + ")");
        int n = AcceptPerWrite < 0 ? size : std::min(size, AcceptPerWrite);
        Written.append(data, static_cast<size_t>(n));
        return n;
    }
    void SetDtr(bool on) override { Log.push_back(std::string("SetDtr(") + "01"[on] + ")"); }
    void SetRts(bool on) override { Log.push_back(std::string("SetRts(") + "01"[on] + ")"); }
    void SetBreak(bool on) override { Log.push_back(std::string("SetBreak(") + "01"[on] + ")"); }
    void Purge() override {
        Log.push_back("Purge()");
        Input.clear();
    }
    void Close() override {
        Log.push_back("Close()");
        Opened = false;
    }
    bool HasLineSignals() const override { return Lines; }

    static std::string Describe(const LineSettings& s) {
        return std::to_string(s.Baud) + "," + std::to_string(s.DataBits) + "," +
               std::to_string(s.Parity) + "," + std::to_string(s.StopBits) + "," +
               std::to_string(s.FlowControl);
    }

  private:
    bool Logged(const std::string& call, bool result) {
        Log.push_back(call);
        return result;
    }
};

/// Display, host and sink in one: every delivered record as its fields
/// joined with "|", and the calls in order.
class RunRecorder : public RecordDisplay,
                    public RuntimeHost,
                    public SinkProvider,
                    public RecordSink {
  public:
    std::vector<std::string> Records, Calls;
    std::string Caption;
    TimedOutputMenuState Menu;
    int Exits = 0;
    std::vector<int> Sounds;
    bool Sink = true; // false: no sink for any mode
    Delivery Result = Delivery::Done;
    std::function<void()> DuringDelivery;

    void ShowField(int i, const std::string& t) override {
        Calls.push_back("field " + std::to_string(i) + "=" + t);
    }
    void ShowRecordNumber(const std::string& t) override { Calls.push_back("number " + t); }
    void ShowDateTime(const std::string& t) override { Calls.push_back("datetime " + t); }
    void SetCaption(const std::string& c) override { Caption = c; }
    void TimedOutputMenu(const TimedOutputMenuState& m) override { Menu = m; }
    void Exit() override { ++Exits; }
    void EstablishCommandLink() override { Calls.push_back("command link"); }
    void EstablishBufferLink() override { Calls.push_back("buffer link"); }
    void RegisterHotKeys() override { Calls.push_back("hot keys"); }
    void MessageBeep(int sound) override { Sounds.push_back(sound); }
    void BeforeReload() override { Calls.push_back("before reload"); }
    void Stop() override { Calls.push_back("stop"); }
    void ReopenPort() override { Calls.push_back("reopen port"); }
    void AfterReload() override { Calls.push_back("after reload"); }
    RecordSink* SinkFor(int16_t mode) override {
        Calls.push_back("sink " + std::to_string(mode));
        return Sink ? this : nullptr;
    }
    Delivery Deliver(const Record& r, RecordBoxes& boxes) override {
        std::string joined;
        for (int i = 1; i <= r.FieldCount; ++i)
            joined += (i > 1 ? "|" : "") + r.Fields[i];
        Records.push_back(joined);
        if (DuringDelivery) DuringDelivery();
        boxes.ShowAllFields(r);
        if (Result == Delivery::Done) boxes.CountRecord();
        return Result;
    }
};

/// A runtime on the recording driver, started by Start().
struct Harness {
    Config config;
    FakeClock clock;
    RecordingMessages messages;
    MemorySettingsStore store;
    RecordingDriver driver;
    RunRecorder recorder;
    SerialPort port{driver, clock, messages};
    std::unique_ptr<Runtime> runtime;

    Harness() {
        driver.Opened = true;
        config.OutputMode = LogToDisk; // keeps control characters, so they show
    }
    Runtime& Start() {
        runtime = std::make_unique<Runtime>(config, port, clock, messages, store,
                                            RuntimeParts{&recorder, &recorder, &recorder});
        runtime->Start();
        return *runtime;
    }
    void Feed(const std::string& bytes) { driver.Input += bytes; }
    /// Start, then the device sends `bytes` before the first tick.
    Runtime& StartAndFeed(const std::string& bytes) {
        Start();
        Feed(bytes);
        Tick();
        return *runtime;
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            runtime->PollTick();
    }
    RuntimeSnapshot Snap() const { return runtime->Snapshot(); }
    const std::vector<std::string>& Records() const { return recorder.Records; }
};

} // namespace pv::testing
