#include "output/keystroke_delivery.h"

namespace pv {

KeystrokeOutput::KeystrokeOutput(const Config& config, Keyboard& keyboard, WindowSystem& windows)
    : config_(config), keyboard_(keyboard), windows_(windows), sender_(keyboard) {}

WindowId KeystrokeOutput::ForegroundWindow() {
    return windows_.ForegroundWindow();
}

WindowId KeystrokeOutput::ActivateTargetWindow(const std::string& title,
                                               bool& restoredFromMinimized) {
    const auto result = pv::ActivateTargetWindow(windows_, title);
    restoredFromMinimized = result.RestoredFromMinimised;
    return result.Window;
}

KeystrokeDelivery::LaunchResult KeystrokeOutput::LaunchProgram(const std::string& commandLine) {
    windowsBeforeLaunch_.clear();
    for (const auto& w : windows_.TopLevelWindows())
        windowsBeforeLaunch_.push_back(w.Id);
    const auto r = windows_.StartProgram(commandLine);
    return {r.Started, r.Error};
}

WindowId KeystrokeOutput::WaitForLaunchedWindow(WindowId previousFocus) {
    constexpr int kStep = 20;
    constexpr int kUnfocusedGrace = 400;
    WindowId now = windows_.ForegroundWindow();
    WindowId appeared = 0;
    int appearedFor = 0;
    for (int waited = 0; (now == previousFocus || now == 0) && waited < launchTimeoutMs_;
         waited += kStep) {
        keyboard_.Wait(kStep);
        now = windows_.ForegroundWindow();
        if (now != previousFocus && now != 0) break;
        // A window manager that prevents focus stealing shows the new
        // window without activating it: activate it ourselves.
        if (!appeared) appeared = NewWindowSinceLaunch();
        if (appeared && (appearedFor += kStep) >= kUnfocusedGrace) {
            windows_.Activate(appeared);
            now = windows_.ForegroundWindow();
            appeared = 0;
            appearedFor = 0;
        }
    }
    if (launchSettleMs_ > 0) keyboard_.Wait(launchSettleMs_);
    return windows_.ForegroundWindow();
}

WindowId KeystrokeOutput::NewWindowSinceLaunch() {
    for (const auto& w : windows_.TopLevelWindows()) {
        bool known = false;
        for (WindowId id : windowsBeforeLaunch_)
            known |= id == w.Id;
        if (!known) return w.Id;
    }
    return 0;
}

std::string KeystrokeOutput::WindowTitle(WindowId window) {
    return windows_.Title(window);
}

bool KeystrokeOutput::IsRunningWindowFocused() {
    return runningWindow_ != 0 && windows_.ForegroundWindow() == runningWindow_;
}

bool KeystrokeOutput::SendKeystrokeText(const std::string& text) {
    sender_.SetInterCharDelay(config_.InterCharDelay);
    lastResult_ = sender_.SendKeystrokeText(text);
    return true;
}

void KeystrokeOutput::MinimizeWindow(WindowId window) {
    if (window) windows_.Minimise(window);
}

void KeystrokeOutput::SetForegroundWindow(WindowId window) {
    if (window) windows_.Activate(window);
}

} // namespace pv
