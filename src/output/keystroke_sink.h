#pragma once
// Send Keystrokes mode: each record becomes one keystroke text (preamble,
// then each field with its postamble, date/time placeholders expanded)
// typed on a Keyboard into the target window, which a WindowSystem finds,
// activates or starts. Without a desktop the first record says why, once.
#include <memory>
#include <string>
#include <vector>

#include "output/keystroke_keyboard.h"
#include "output/keystroke_sender.h"
#include "output/keystroke_target.h"
#include "runtime/interfaces.h"
#include "text/messages.h"

namespace pv {

/// The program's own windows as the desktop sees them. Keystrokes never go
/// into them: a record typed into a menu would run its commands, one typed
/// into the virtual device would come back as input.
class OwnWindows {
  public:
    virtual ~OwnWindows() = default;
    /// `window` is one of this process's top-level windows.
    virtual bool Owns(WindowId window) = 0;
    /// A menu, popup, dialog or window of this process holds the keyboard.
    virtual bool HoldKeyboard() = 0;
    /// Closes open menus and popups and gives up any keyboard grab, so that
    /// an activated target really gets the keys.
    virtual void LetGoOfKeyboard() = 0;
};

class KeystrokeSink : public RecordSink {
  public:
    /// `keyboard` is null when there is no desktop to type on;
    /// `whyUnavailable` then says why. `windows` is null too when the desktop
    /// does not let programs find windows: keys then go to the focused
    /// window, and a named target is refused once.
    KeystrokeSink(Keyboard* keyboard, WindowSystem* windows, MessageSink& messages,
                  std::string whyUnavailable = {});

    /// The program's own running window, which never receives keystrokes.
    void SetRunningWindow(WindowId window) { runningWindow_ = window; }
    /// All of the program's windows (null: only the running window counts).
    void SetOwnWindows(OwnWindows* own) { own_ = own; }
    /// Longest wait for a launched program's window to take the focus.
    void SetLaunchTimeoutMs(int ms) { launchTimeoutMs_ = ms; }
    /// The settle time after a launched program took the focus.
    void SetLaunchSettleMs(int ms) { launchSettleMs_ = ms; }
    /// The MacroResult of the last typed text (0 parsed and typed).
    int16_t LastResult() const { return lastResult_; }
    /// The target title in use: KeyTargetTitle, or the title of the program
    /// launched for it.
    const std::string& TargetTitle() const { return targetTitle_; }

    /// Reads InterCharDelay and the target settings.
    void Start(const Config& config) override;
    Delivery Deliver(const Record& record, RecordBoxes& boxes) override;

  private:
    WindowId WaitForLaunchedWindow(WindowId previousFocus);
    WindowId NewWindowSinceLaunch();

    Keyboard* keyboard_;
    WindowSystem* windows_;
    MessageSink& messages_;
    std::string why_;
    bool reported_ = false;
    std::unique_ptr<KeystrokeSender> sender_;
    int32_t delay_ = 1;
    bool targetSpecified_ = false;
    std::string targetTitle_;
    std::string command_;
    WindowId runningWindow_ = 0;
    OwnWindows* own_ = nullptr;
    int launchTimeoutMs_ = 30000;
    int launchSettleMs_ = 2592; // 0.00003 day
    int16_t lastResult_ = MacroOk;
    std::vector<WindowId> windowsBeforeLaunch_;
};

} // namespace pv
