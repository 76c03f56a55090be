#pragma once
// One run of a configuration, as the running window and the headless
// runner both need it: the serial driver (a device node, or the virtual
// device of Virtual Instrument mode), the port, the runtime, one record sink
// per output mode, the DDE server with its command language, and the 50 ms
// tick that drives them. The owner only supplies what it shows: a record
// display, a host for captions and menus, a window for the DDE window
// commands. Qt Core only.
//
//   pv::RunAssembly run(config, store, messages, {.Display = &display, .Host = &host});
//   if (!run.OpenPort()) return;        // the port layer showed why
//   run.Start();                        // runtime start-up, DDE, tick
//   ... event loop ...
//   run.Stop();                         // DDE down, sinks stopped, port closed
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "config/config.h"
#include "config/settings_store.h"
#include "output/dde_interpreter.h"
#include "output/dde_items.h"
#include "output/dde_link_text.h"
#include "runtime/interfaces.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "serial/virtual_driver.h"
#include "text/messages.h"

namespace pv {

class DbusDdeDelivery;
class DbusDdeServer;
class DdeSink;
class KeystrokeSink;
class OwnWindows;
class LogSink;
class MqttRun;
class CountingDriver;
namespace x11 {
class HotKeyService;
} // namespace x11
namespace keys {
class KeyDesktop;
} // namespace keys

class RunAssembly : public QObject, private SinkProvider, private RuntimeHost {
    Q_OBJECT
  public:
    struct Options {
        /// Virtual Instrument mode: the virtual device instead of a port.
        bool Virtual = false;
        /// A device node used instead of the COM number's.
        std::string Device;
        /// Log file failures: ask the user (true) or queue and retry.
        bool AskOnLogFailure = true;
        /// What the owner shows; any may be null.
        RecordDisplay* Display = nullptr;
        RuntimeHost* Host = nullptr;
        CommandWindow* Window = nullptr;
        DdeClipboard* Clipboard = nullptr;
        /// The configuration's hot keys are grabbed on the desktop.
        bool HotKeys = false;
        /// The DDE service name served.
        std::string DdeService = kDdeServiceName;
        /// Replacements for tests: the driver (used instead of the tty or
        /// the virtual device) and the clock.
        std::unique_ptr<SerialDriver> Driver;
        std::unique_ptr<Clock> ClockSource;
    };

    RunAssembly(Config& config, SettingsStore& store, MessageSink& messages, Options options,
                QObject* parent = nullptr);
    ~RunAssembly() override;

    /// A device node used instead of the COM number's, from the next open.
    void SetDevice(std::string device) { options_.Device = std::move(device); }
    /// Opens and configures the port (the port layer shows its own message
    /// on failure). The virtual device needs no opening: true.
    bool OpenPort();
    /// The runtime's start-up, then DDE serving, then the tick. False when
    /// the DDE topic could not be served (the run goes on without it).
    bool Start();
    /// DDE down, sinks stopped, DTR and RTS low, port closed. Idempotent.
    void Stop();
    /// Stops the 50 ms timer; tests then call Tick() themselves.
    void StopTimer();
    /// One tick, as the timer fires it.
    void Tick();

    /// The program's own window, never typed into.
    void SetRunningWindow(WindowId window);
    /// The program's windows, which keystrokes never go into.
    void SetOwnWindows(OwnWindows* own);

    Runtime& Run() { return *runtime_; }
    const Runtime& Run() const { return *runtime_; }
    DbusDdeServer* Dde() { return dde_.get(); }
    CommandInterpreter* Commands();
    DdeItems& Items() { return *items_; }
    /// The virtual device (Virtual Instrument mode), else null.
    VirtualSerialDriver* VirtualDevice() { return virtual_; }
    /// Bytes the runtime has read from the device so far.
    uint64_t BytesRead() const;
    /// The keystroke sink, created on first use.
    KeystrokeSink& Keystrokes();
    bool Running() const { return started_ && !stopped_; }
    /// The device went away and is being opened again every second.
    bool DeviceLost() const { return lost_; }
    /// The broker delivery ("Mqtt" settings), null when off.
    MqttRun* Mqtt() { return mqtt_.get(); }

  signals:
    /// After each tick.
    void ticked();
    /// Once when the device is lost and once when it is back, with the
    /// sentence that says so.
    void deviceChanged(bool lost, const std::string& message);

  private:
    // SinkProvider
    RecordSink* SinkFor(int16_t outputMode) override;
    RecordSink* ModeSink(int16_t outputMode);
    // RuntimeHost: the owner's host, except what the run itself does.
    void SetCaption(const std::string& c) override;
    void SuspendChanged(bool s) override;
    void TimedOutputMenu(const TimedOutputMenuState& m) override;
    void Exit() override;
    void EstablishCommandLink() override;
    void EstablishBufferLink() override;
    void RegisterHotKeys() override;
    void MessageBeep(int sound) override;
    void BeforeReload() override;
    void ReopenPort() override;
    void AfterReload() override;
    void CheckDevice();
    void TryReopen();
    bool ApplyLine();

    Config& config_;
    SettingsStore& store_;
    MessageSink& messages_;
    Options options_;
    std::unique_ptr<SerialDriver> ownDriver_;
    std::unique_ptr<CountingDriver> counting_;
    VirtualSerialDriver* virtual_ = nullptr;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<DdeItems> items_;
    std::unique_ptr<Runtime> runtime_;
    std::unique_ptr<DbusDdeDelivery> ddeClient_;
    std::unique_ptr<DbusDdeServer> dde_;
    std::unique_ptr<DdeSink> ddeSink_;
    std::unique_ptr<LogSink> logSink_;
    std::unique_ptr<keys::KeyDesktop> desktop_;
    std::unique_ptr<KeystrokeSink> keySink_;
    std::unique_ptr<x11::HotKeyService> hotKeys_;
    std::unique_ptr<MqttRun> mqtt_;
    bool mqttOpened_ = false;
    WindowId runningWindow_ = 0;
    OwnWindows* own_ = nullptr;
    QTimer timer_;
    // While the device is lost: the queued output waits in the port, the
    // runtime keeps ticking, this timer tries the same name again.
    QTimer reopen_;
    std::string device_; // as given, never resolved
    bool lost_ = false;
    bool started_ = false;
    bool stopped_ = false;
};

} // namespace pv
