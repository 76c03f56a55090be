#pragma once
// The desktop's windows as Send Keystrokes mode needs them: find the target
// by part of its title, bring it to the front, start its program.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

/// An opaque window handle of the desktop; 0 is "no window" (the same type
/// as the runtime's).
using WindowId = uint64_t;

struct TopLevelWindow {
    WindowId Id = 0;
    std::string Title; // Latin-1 bytes
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    /// Top-level windows in stacking order, the topmost first.
    virtual std::vector<TopLevelWindow> TopLevelWindows() = 0;
    /// The window with the input focus, 0 when none.
    virtual WindowId ForegroundWindow() = 0;
    /// Makes `window` the active window; false when that did not happen.
    virtual bool Activate(WindowId window) = 0;
    virtual bool IsMinimised(WindowId window) = 0;
    virtual void Restore(WindowId window) = 0;
    virtual void Minimise(WindowId window) = 0;
    virtual std::string Title(WindowId window) = 0;
    struct StartResult {
        bool Started = false;
        std::string Error; // the system's description when not started
    };
    /// Starts a command line (split as a shell would) as a detached program.
    virtual StartResult StartProgram(const std::string& commandLine) = 0;
};

struct TargetActivation {
    WindowId Window = 0;
    bool RestoredFromMinimised = false;
};

/// Finds the first window, from the top of the stack, whose upper-cased
/// title contains the trimmed, upper-cased `title` (text/byte_text.h). The topmost window is
/// returned as it is; any other is restored when minimised, then activated.
TargetActivation ActivateTargetWindow(WindowSystem& windows, std::string_view title);

} // namespace pv
