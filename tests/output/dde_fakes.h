#pragma once
// A runtime on the recording serial driver with the command interpreter in
// front of it, and recorders for what the interpreter reaches in the window.
#include <memory>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings_store.h"
#include "output/dde_interpreter.h"
#include "output/dde_items.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "serial/recording_driver.h"

namespace pv::test {

class FixedClock : public Clock {
  public:
    uint32_t ticks = 5000;
    DateTime now{2024, 3, 7, 14, 5, 9};
    uint32_t TickCount() override { return ticks++; }
    DateTime Now() override { return now; }
};

class RecordingWindow : public CommandWindow {
  public:
    std::vector<std::string> calls;
    void ShowNormal() override { calls.push_back("normal"); }
    void Minimize() override { calls.push_back("minimize"); }
    void TimedOutputMenuState(bool enabled, bool on) override {
        calls.push_back(std::string("timer-menu ") + (enabled ? "enabled" : "disabled") +
                        (on ? " on" : " off"));
    }
    void RemoveDynamicControls() override { calls.push_back("remove-controls"); }
    void Rebuild() override { calls.push_back("rebuild"); }
};

class FakeClipboard : public DdeClipboard {
  public:
    std::string link, text;
    bool hasLink = false;
    void SetLink(const std::string& l, const std::string& t) override {
        link = l;
        text = t;
        hasLink = true;
    }
    bool GetLink(std::string& l) override {
        if (!hasLink) return false;
        l = link;
        return true;
    }
};

class FakeLinks : public DdeLinkControl {
  public:
    bool command = false, buffer = false;
    bool CommandLinkActive() override { return command; }
    bool BufferLinkActive() override { return buffer; }
    void TerminateCommandLink() override { command = false; }
    void TerminateBufferLink() override { buffer = false; }
};

class CountingHost : public RuntimeHost {
  public:
    int exits = 0, commandLinks = 0, bufferLinks = 0;
    bool timerMenuVisible = false, timerOn = false;
    void Exit() override { ++exits; }
    void EstablishCommandLink() override { ++commandLinks; }
    void EstablishBufferLink() override { ++bufferLinks; }
    void TimedOutputMenu(bool visible, bool on) override {
        timerMenuVisible = visible;
        timerOn = on;
    }
};

/// A started runtime on an open recording port (Normal mode, or Virtual
/// Instrument mode with `virtualMode`), and the interpreter over it.
struct DdeRig {
    Config config;
    FixedClock clock;
    RecordingMessages messages;
    MemorySettingsStore store;
    RecordingDriver driver;
    RecordingWindow window;
    FakeClipboard clipboard;
    FakeLinks links;
    CountingHost host;
    DdeItems items;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<CommandInterpreter> commands;

    explicit DdeRig(bool virtualMode = false) {
        config.RunMode = virtualMode ? RunVirtual : RunNormal;
        config.OutputMode = DdeServer;
        config.FieldCount = 3;
        config.RecordStructure = DelimitedFields;
    }
    /// Opens the port, starts the runtime; call after changing `config`.
    DdeRig& Start() {
        port = std::make_unique<SerialPort>(config, &driver, clock, messages, &store);
        if (config.RunMode != RunVirtual) port->OpenPort();
        runtime = std::make_unique<Runtime>(config, *port, clock, messages, store,
                                            RuntimeParts{&items, nullptr, nullptr, &host});
        runtime->Start();
        commands =
            std::make_unique<CommandInterpreter>(config, *runtime, *port, clock, messages, items,
                                                 CommandParts{&window, &clipboard, &links});
        driver.Log.clear();
        return *this;
    }
    bool Run(const std::string& command) { return commands->Execute(command); }
    std::string& Pending() { return port->PendingOutput; }
};

} // namespace pv::test
