#pragma once
// What the runtime needs from its owner: the clock, the record display, the
// three deliveries and the host (running window or headless runner). Each
// has a do-nothing implementation so a headless run or a test only supplies
// what it cares about.
#include <cstdint>
#include <string>

#include "expr/datetime.h"
#include "serial/port.h"

namespace pv {

/// Millisecond tick count (for the timed output and the port layer) and the
/// local date and time.
class Clock : public TickSource {
  public:
    /// Local date and time, to the second.
    virtual DateTime Now() = 0;
};

/// The boxes of the running window. Every change of a box goes through
/// here, so an implementation that serves DDE items ("Field(n)",
/// "RecordNumber", "DateTime") announces the change to its links here too.
class RecordDisplay {
  public:
    virtual ~RecordDisplay() = default;
    /// Replaces the whole text of box Field(i), i = 1..40 ("" empties it).
    virtual void ShowField(int /*i*/, const std::string& /*text*/) {}
    /// The record counter box: "" after start and Reset, then "1", "2", ...
    virtual void ShowRecordNumber(const std::string& /*text*/) {}
    /// The date/time box, already formatted.
    virtual void ShowDateTime(const std::string& /*text*/) {}
};

/// An opaque window handle of the desktop; 0 is "no window".
using WindowId = uint64_t;

/// What Send Keystrokes mode needs from the desktop. The runtime calls, per
/// record: ForegroundWindow (remember focus), ActivateTargetWindow when a
/// target is named, LaunchProgram + WaitForLaunchedWindow when it was not
/// found and a command line is set, IsRunningWindowFocused, then
/// SendKeystrokeText, Minimize (target was restored) and SetForeground
/// (give the focus back).
class KeystrokeDelivery {
  public:
    virtual ~KeystrokeDelivery() = default;
    /// The window that has the input focus now.
    virtual WindowId ForegroundWindow() { return 0; }
    /// Finds the window whose title contains `title` (upper-cased match),
    /// restores and activates it. Sets `restoredFromMinimized` when it had to
    /// restore it. 0 when none was found.
    virtual WindowId ActivateTargetWindow(const std::string& /*title*/,
                                          bool& restoredFromMinimized) {
        restoredFromMinimized = false;
        return 0;
    }
    struct LaunchResult {
        bool started = false;
        std::string error; // description when not started
    };
    /// Starts `commandLine` as a program in a normal, focused window.
    virtual LaunchResult LaunchProgram(const std::string& /*commandLine*/) {
        return {false, "not supported"};
    }
    /// After a launch: waits, letting other events run, until the focus is on
    /// a window other than `previousFocus`, then a further 2.592 s; returns
    /// the window then focused. An implementation bounds the first wait.
    virtual WindowId WaitForLaunchedWindow(WindowId previousFocus) { return previousFocus; }
    virtual std::string WindowTitle(WindowId /*window*/) { return {}; }
    /// Whether the running window itself has the focus (then nothing is typed).
    virtual bool IsRunningWindowFocused() { return false; }
    /// Types a keystroke macro text; false when it could not be sent.
    virtual bool SendKeystrokeText(const std::string& /*text*/) { return true; }
    virtual void MinimizeWindow(WindowId /*window*/) {}
    virtual void SetForegroundWindow(WindowId /*window*/) {}
};

/// The DDE command client of DDE Server mode: one conversation with
/// DDECommandApp / DDECommandTopic, opened on the first record that has a
/// command to send and kept until the run ends.
class DdeDelivery {
  public:
    virtual ~DdeDelivery() = default;
    virtual void Initialize() {}
    virtual bool IsConnected() { return false; }
    virtual bool Connect(const std::string& /*app*/, const std::string& /*topic*/) { return false; }
    /// Sends one execute command; false when refused or not connected. An
    /// empty command is ignored by the implementation.
    virtual bool Execute(const std::string& /*command*/) { return false; }
    virtual void Disconnect() {}
    virtual void Uninitialize() {}
};

/// What the owner of the runtime does for it: window captions and menus,
/// closing, the DDE client links and the hot keys. The GUI's running window
/// or the headless runner implements it.
class RuntimeHost {
  public:
    virtual ~RuntimeHost() = default;
    /// The window caption ("Portivox - COM1", with " (S)" while suspended).
    virtual void SetCaption(const std::string& /*caption*/) {}
    /// Suspend / resume happened: the Suspend menu text (5001 or 3005) and
    /// whether Resume1 is shown follow `suspended`.
    virtual void SuspendChanged(bool /*suspended*/) {}
    /// Timed-output menu TOutCtrl: hidden when !visible; otherwise its text
    /// names the next action (3007 while on, 3008 while off).
    virtual void TimedOutputMenu(bool /*visible*/, bool /*on*/) {}
    /// The window's Exit command (after "{APPEXIT}"). Called last in a
    /// PollTick, so it may stop and destroy the runtime.
    virtual void Exit() {}
    /// The command source and output buffer DDE client links.
    virtual void EstablishCommandLink() {}
    virtual void EstablishBufferLink() {}
    /// Registers the hot keys with the keyboard hook.
    virtual void RegisterHotKeys() {}
    /// A numbered system sound (the per-port "SpecialBeep").
    virtual void MessageBeep(int /*sound*/) {}
};

/// A clock that reads the system: steady milliseconds and local time.
class SystemClock : public Clock {
  public:
    uint32_t TickCount() override;
    DateTime Now() override;
};

} // namespace pv
