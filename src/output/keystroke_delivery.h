#pragma once
// Send Keystrokes mode for the runtime: the record's text typed on a
// Keyboard, the target window handled through a WindowSystem.
#include <string>
#include <vector>

#include "config/config.h"
#include "output/keystroke_keyboard.h"
#include "output/keystroke_sender.h"
#include "output/keystroke_target.h"
#include "runtime/interfaces.h"

namespace pv {

class KeystrokeOutput : public KeystrokeDelivery {
  public:
    /// `config` supplies InterCharDelay at every record.
    KeystrokeOutput(const Config& config, Keyboard& keyboard, WindowSystem& windows);

    /// The program's own running window, which never receives keystrokes.
    void SetRunningWindow(WindowId window) { runningWindow_ = window; }
    /// Longest wait for a launched program's window to take the focus.
    void SetLaunchTimeoutMs(int ms) { launchTimeoutMs_ = ms; }
    /// The settle time after a launched program took the focus.
    void SetLaunchSettleMs(int ms) { launchSettleMs_ = ms; }

    /// Result of the last SendKeystrokeText (a MacroResult).
    int16_t LastResult() const { return lastResult_; }

    WindowId ForegroundWindow() override;
    WindowId ActivateTargetWindow(const std::string& title, bool& restoredFromMinimized) override;
    LaunchResult LaunchProgram(const std::string& commandLine) override;
    WindowId WaitForLaunchedWindow(WindowId previousFocus) override;
    std::string WindowTitle(WindowId window) override;
    bool IsRunningWindowFocused() override;
    bool SendKeystrokeText(const std::string& text) override;
    void MinimizeWindow(WindowId window) override;
    void SetForegroundWindow(WindowId window) override;

  private:
    WindowId NewWindowSinceLaunch();

    const Config& config_;
    Keyboard& keyboard_;
    WindowSystem& windows_;
    KeystrokeSender sender_;
    WindowId runningWindow_ = 0;
    int launchTimeoutMs_ = 30000;
    int launchSettleMs_ = 2592; // 0.00003 day
    int16_t lastResult_ = MacroOk;
    std::vector<WindowId> windowsBeforeLaunch_;
};

} // namespace pv
