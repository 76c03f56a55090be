#pragma once
// One activation of a configuration in the desktop program: the run
// assembly (driver, port, runtime, sinks, DDE, tick) shown by the running
// window, plus the virtual device window in Virtual Instrument mode, from
// opening the port to the end of the unload.
//
// Use from the setup window (config.RunMode already set to 1, 2 or 3):
//
//   auto* session = new pv::RunSession(config, store, messages, this);
//   if (config.RunMode != pv::RunVirtual && !session->OpenPort()) {
//       delete session;                  // nothing was shown, port closed
//       return;
//   }
//   connect(session, &pv::RunSession::finished, this, [=] {
//       session->deleteLater();          // Test/Virtual: show the setup window
//   });                                  // Normal: the program ends
//   session->Show();
#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

#include "config/config.h"
#include "config/settings_store.h"
#include "runtime/interfaces.h"
#include "serial/port.h"
#include "text/messages.h"
#include "ui/clipboard_link.h"
#include "ui/own_windows.h"

namespace pv {

class RunAssembly;
class Runtime;
class RunningWindow;
class VirtualDeviceWindow;

class RunSession : public QObject {
    Q_OBJECT
  public:
    /// Collaborators a caller may replace (tests); null members get the
    /// real ones. The driver is not used in Virtual Instrument mode.
    struct Parts {
        std::unique_ptr<SerialDriver> Driver;
        std::unique_ptr<Clock> ClockSource;
    };

    /// `config`, `store` and `messages` must outlive the session.
    RunSession(Config& config, SettingsStore& store, MessageSink& messages,
               QObject* parent = nullptr);
    RunSession(Config& config, SettingsStore& store, MessageSink& messages, Parts parts,
               QObject* parent = nullptr);
    ~RunSession() override;

    /// Normal and Test mode: opens and configures the port of the
    /// configuration (the port layer shows its own message on failure).
    /// True in Virtual Instrument mode, where no port is opened.
    bool OpenPort();
    /// Creates the running window, runs the start-up and shows the window
    /// (minimised when configured). Virtual Instrument mode also shows the
    /// virtual device window. Call once, after OpenPort().
    void Show();
    /// Closes the running window as its Quit command does (no-op before
    /// Show() or after the unload).
    void Quit();
    /// Whether the window is shown and not yet unloaded.
    bool IsRunning() const;

    /// A device path used instead of the COM number's (before OpenPort()).
    void SetDeviceOverride(const std::string& device);

    RunAssembly& Assembly() { return *run_; }
    Runtime& RunState();
    RunningWindow* Window();
    VirtualDeviceWindow* VirtualWindow();
    Config& Configuration() { return config_; }

  signals:
    /// The running window has closed and the unload is complete: position
    /// stored, DDE down, tray icon removed, port closed, RunMode set back to
    /// 0 outside Normal mode. The receiver shows the setup window again
    /// (Test, Virtual Instrument) or ends the program (Normal).
    void finished();

  private:
    void Unloaded();

    Config& config_;
    SettingsStore& store_;
    MessageSink& messages_;
    Parts parts_;
    QtDdeClipboard clipboard_;
    QtOwnWindows own_;
    QPointer<RunningWindow> window_;
    QPointer<VirtualDeviceWindow> virtual_;
    std::unique_ptr<RunAssembly> run_;
    std::string deviceOverride_;
    bool shown_ = false;
    bool done_ = false;
    bool destroying_ = false;
};

} // namespace pv
