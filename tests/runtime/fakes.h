#pragma once
// Test doubles for the runtime's collaborators: a hand-driven clock and
// recorders that write every call into one shared event list, so a test can
// check the order of calls across display and deliveries.
#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings_store.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "text/messages.h"

namespace pv::runtime_test {

using Events = std::vector<std::string>;

class FakeClock : public Clock {
  public:
    uint32_t ticks = 1000;
    DateTime now{};
    uint32_t TickCount() override { return ticks; }
    DateTime Now() override { return now; }
};

class RecordingMessages : public MessageSink {
  public:
    std::deque<MsgResult> answers; // next answers; empty = first button
    std::vector<std::string> shown;
    int beeps = 0;
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon,
                   MsgButtons buttons) override {
        shown.push_back(title + ": " + text);
        if (!answers.empty()) {
            MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::RetryCancel ? MsgResult::Cancel : MsgResult::Ok;
    }
    void Beep() override { ++beeps; }
};

/// Keeps the boxes and, each time the record number moves on, a snapshot of
/// fields 1..fieldCount joined with "|": one string per delivered record.
class RecordingDisplay : public RecordDisplay {
  public:
    explicit RecordingDisplay(Events& events) : events_(events) {}
    int fieldCount = 1;
    std::string fields[43];
    std::string number;
    std::vector<std::string> records;
    void ShowField(int i, const std::string& text) override {
        fields[i] = text;
        events_.push_back("field " + std::to_string(i) + "=" + text);
    }
    void ShowRecordNumber(const std::string& text) override {
        number = text;
        events_.push_back("number " + text);
        if (text.empty()) return;
        std::string r;
        for (int i = 1; i <= fieldCount; ++i)
            r += (i > 1 ? "|" : "") + fields[i];
        records.push_back(r);
    }
    void ShowDateTime(const std::string& text) override { events_.push_back("datetime " + text); }

  private:
    Events& events_;
};

class RecordingKeystrokes : public KeystrokeDelivery {
  public:
    explicit RecordingKeystrokes(Events& events) : events_(events) {}
    WindowId foreground = 10;
    WindowId target = 0;
    bool restored = false;
    LaunchResult launch{false, "No such file"};
    WindowId launched = 77;
    std::string launchedTitle = "Launched Window";
    bool runningWindowFocused = false;
    std::vector<std::string> sent;

    WindowId ForegroundWindow() override {
        events_.push_back("foreground");
        return foreground;
    }
    WindowId ActivateTargetWindow(const std::string& title, bool& restoredFlag) override {
        events_.push_back("activate " + title);
        restoredFlag = restored;
        return target;
    }
    LaunchResult LaunchProgram(const std::string& commandLine) override {
        events_.push_back("launch " + commandLine);
        return launch;
    }
    WindowId WaitForLaunchedWindow(WindowId) override {
        events_.push_back("wait");
        return launched;
    }
    std::string WindowTitle(WindowId) override { return launchedTitle; }
    bool IsRunningWindowFocused() override { return runningWindowFocused; }
    bool SendKeystrokeText(const std::string& text) override {
        events_.push_back("send " + text);
        sent.push_back(text);
        return true;
    }
    void MinimizeWindow(WindowId w) override { events_.push_back("minimize " + std::to_string(w)); }
    void SetForegroundWindow(WindowId w) override {
        events_.push_back("focus " + std::to_string(w));
    }

  private:
    Events& events_;
};

class RecordingDde : public DdeDelivery {
  public:
    explicit RecordingDde(Events& events) : events_(events) {}
    bool connected = false;
    bool IsConnected() override { return connected; }
    bool Connect(const std::string& app, const std::string& topic) override {
        events_.push_back("connect " + app + " " + topic);
        connected = true;
        return true;
    }
    bool Execute(const std::string& command) override {
        events_.push_back("execute " + command);
        return connected;
    }
    void Disconnect() override { events_.push_back("disconnect"); }

  private:
    Events& events_;
};

class RecordingHost : public RuntimeHost {
  public:
    std::string caption;
    int exits = 0;
    int commandLinks = 0, bufferLinks = 0, hotKeys = 0;
    std::vector<int> sounds;
    bool timerMenuVisible = true, timerOn = false;
    void SetCaption(const std::string& c) override { caption = c; }
    void TimedOutputMenu(bool visible, bool on) override {
        timerMenuVisible = visible;
        timerOn = on;
    }
    void Exit() override { ++exits; }
    void EstablishCommandLink() override { ++commandLinks; }
    void EstablishBufferLink() override { ++bufferLinks; }
    void RegisterHotKeys() override { ++hotKeys; }
    void MessageBeep(int sound) override { sounds.push_back(sound); }
};

/// A runtime in Virtual Instrument mode: input is whatever Feed() puts into
/// the port's InputBuffer; output stays in PendingOutput.
struct Harness {
    Config config;
    FakeClock clock;
    RecordingMessages messages;
    MemorySettingsStore store;
    Events events;
    RecordingDisplay display{events};
    RecordingKeystrokes keys{events};
    RecordingDde dde{events};
    RecordingHost host;
    SerialPort port{config, nullptr, clock, messages, &store};
    std::unique_ptr<Runtime> runtime;

    Harness() {
        config.RunMode = RunVirtual;
        config.OutputMode = LogToDisk;
        config.LogFileName = "/dev/null";
    }
    Runtime& Start() {
        display.fieldCount = std::clamp<int>(config.FieldCount, 1, kMaxFields);
        runtime = std::make_unique<Runtime>(config, port, clock, messages, store,
                                            RuntimeParts{&display, &keys, &dde, &host});
        runtime->Start();
        return *runtime;
    }
    void Feed(const std::string& bytes) { port.InputBuffer += bytes; }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            runtime->PollTick();
    }
};

} // namespace pv::runtime_test
