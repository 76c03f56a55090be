#include "platform/x11/x11_keystrokes.h"

#include <cstdlib>

#include "output/keystroke_delivery.h"
#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_windows.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include <X11/Xlib.h>

namespace pv::x11 {

namespace {

// A window that vanished between two calls must not end the program.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

class Working : public X11Keystrokes {
  public:
    Working(Display* dpy, std::unique_ptr<X11Keyboard> keyboard, const Config& config)
        : dpy_(dpy), keyboard_(std::move(keyboard)), windows_(dpy),
          output_(config, *keyboard_, windows_) {}
    ~Working() override {
        keyboard_.reset();
        XCloseDisplay(dpy_);
    }
    bool Available() const override { return true; }
    void SetRunningWindow(WindowId window) override { output_.SetRunningWindow(window); }
    void SetEventPump(std::function<void()> pump) override {
        keyboard_->SetEventPump(std::move(pump));
    }
    void SetLaunchSettleMs(int ms) override { output_.SetLaunchSettleMs(ms); }
    std::string WhyUnavailable() const override { return {}; }
    int16_t LastResult() const override { return output_.LastResult(); }

    WindowId ForegroundWindow() override { return output_.ForegroundWindow(); }
    WindowId ActivateTargetWindow(const std::string& title, bool& restored) override {
        return output_.ActivateTargetWindow(title, restored);
    }
    LaunchResult LaunchProgram(const std::string& commandLine) override {
        return output_.LaunchProgram(commandLine);
    }
    WindowId WaitForLaunchedWindow(WindowId previousFocus) override {
        return output_.WaitForLaunchedWindow(previousFocus);
    }
    std::string WindowTitle(WindowId window) override { return output_.WindowTitle(window); }
    bool IsRunningWindowFocused() override { return output_.IsRunningWindowFocused(); }
    bool SendKeystrokeText(const std::string& text) override {
        return output_.SendKeystrokeText(text);
    }
    void MinimizeWindow(WindowId window) override { output_.MinimizeWindow(window); }
    void SetForegroundWindow(WindowId window) override { output_.SetForegroundWindow(window); }

  private:
    Display* dpy_;
    std::unique_ptr<X11Keyboard> keyboard_;
    X11Windows windows_;
    KeystrokeOutput output_;
};

// No display: says so once, types nothing.
class Unavailable : public X11Keystrokes {
  public:
    Unavailable(MessageSink& messages, std::string why)
        : messages_(messages), why_(std::move(why)) {}
    bool Available() const override { return false; }
    void SetRunningWindow(WindowId) override {}
    void SetEventPump(std::function<void()>) override {}
    void SetLaunchSettleMs(int) override {}
    std::string WhyUnavailable() const override { return why_; }
    int16_t LastResult() const override { return 0; }
    LaunchResult LaunchProgram(const std::string&) override { return {false, why_}; }
    bool SendKeystrokeText(const std::string&) override {
        if (!reported_) {
            reported_ = true;
            messages_.Show(why_, "Portivox Error", MsgIcon::Exclamation, MsgButtons::Ok);
        }
        return false;
    }

  private:
    MessageSink& messages_;
    std::string why_;
    bool reported_ = false;
};

} // namespace

std::unique_ptr<X11Keystrokes> MakeX11KeystrokeDelivery(const Config& config, MessageSink& messages,
                                                        const char* displayName) {
    XSetErrorHandler(IgnoreXErrors);
    Display* dpy = XOpenDisplay(displayName);
    if (!dpy) {
        const char* name = displayName ? displayName : std::getenv("DISPLAY");
        const std::string why =
            name && *name ? "the X display \"" + std::string(name) + "\" cannot be opened."
                          : "there is no X display (DISPLAY is not set).";
        return std::make_unique<Unavailable>(messages, "Keystrokes cannot be sent: " + why);
    }
    std::string error;
    auto keyboard = X11Keyboard::Create(dpy, error);
    if (!keyboard) {
        XCloseDisplay(dpy);
        return std::make_unique<Unavailable>(messages, "Keystrokes cannot be sent: " + error + ".");
    }
    return std::make_unique<Working>(dpy, std::move(keyboard), config);
}

} // namespace pv::x11
