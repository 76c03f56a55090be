#pragma once
// Top-level windows of an X display through the window manager's EWMH
// hints; programs started detached with the command line split as a shell
// would.
#include "output/keystroke_target.h"

struct _XDisplay;

namespace pv::x11 {

class X11Windows : public WindowSystem {
  public:
    /// Uses an open display (not closed here).
    explicit X11Windows(_XDisplay* display);

    std::vector<TopLevelWindow> TopLevelWindows() override;
    WindowId ForegroundWindow() override;
    bool Activate(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    void Restore(WindowId window) override;
    void Minimise(WindowId window) override;
    std::string Title(WindowId window) override;
    StartResult StartProgram(const std::string& commandLine) override;

    /// Active for the window manager and holding the keyboard focus.
    bool IsActive(WindowId window);
    /// The keyboard focus is on the window or one of its children.
    bool HasInputFocus(WindowId window);

    /// How long Activate, Restore and Minimise wait for the window manager.
    void SetSettleTimeoutMs(int ms) { settleMs_ = ms; }

  private:
    std::vector<unsigned long> WindowList(unsigned long property);
    bool WaitFor(bool (X11Windows::*test)(WindowId), WindowId window, bool want);
    void SendActivate(unsigned long window);

    _XDisplay* dpy_;
    unsigned long root_;
    int settleMs_ = 1000;
    unsigned long clientListStacking_, clientList_, activeWindow_, wmName_, utf8_, wmState_,
        wmStateHidden_, icccmState_;
};

} // namespace pv::x11
