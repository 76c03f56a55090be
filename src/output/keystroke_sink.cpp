#include "output/keystroke_sink.h"

#include <memory>

#include "expr/datetime.h"
#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

KeystrokeSink::KeystrokeSink(Keyboard* keyboard, WindowSystem* windows, MessageSink& messages,
                             std::string whyUnavailable)
    : keyboard_(keyboard), windows_(windows), messages_(messages), why_(std::move(whyUnavailable)) {
    if (keyboard_) sender_ = std::make_unique<KeystrokeSender>(*keyboard_);
}

void KeystrokeSink::Start(const Config& config) {
    delay_ = config.InterCharDelay;
    targetSpecified_ = IsSet(config.KeyTargetSpecified);
    targetTitle_ = config.KeyTargetTitle;
    command_ = config.KeyTargetCommand;
}

Delivery KeystrokeSink::Deliver(const Record& r, RecordBoxes& boxes) {
    // A desktop that keeps its windows to itself types only into the
    // focused window, and only when no target is named.
    if (!keyboard_ || (!windows_ && targetSpecified_)) {
        boxes.ShowAllFields(r);
        boxes.CountRecord();
        if (!reported_) {
            reported_ = true;
            messages_.Show(keyboard_ ? Text(txt::NamedTargetsNeedX11) : why_, "Portivox Error",
                           MsgIcon::Exclamation, MsgButtons::Ok);
        }
        return Delivery::Done;
    }
    WindowId back = windows_ ? windows_->ForegroundWindow() : 0;
    boxes.ShowAllFields(r);
    boxes.CountRecord();

    WindowId target = 0;
    bool restored = false;
    if (targetSpecified_) {
        if (own_) own_->LetGoOfKeyboard();
        TargetActivation found = ActivateTargetWindow(*windows_, targetTitle_);
        target = found.Window;
        restored = found.RestoredFromMinimised;
        if (target == 0 && !command_.empty()) {
            WindowId focus = windows_->ForegroundWindow();
            windowsBeforeLaunch_.clear();
            for (const auto& w : windows_->TopLevelWindows())
                windowsBeforeLaunch_.push_back(w.Id);
            WindowSystem::StartResult started = windows_->StartProgram(command_);
            if (!started.Started) {
                messages_.Show(Text(txt::CannotRunProgram) + " " + command_ + "\n" + started.Error,
                               "Portivox Error", MsgIcon::Exclamation, MsgButtons::Ok);
                return Delivery::Done;
            }
            target = WaitForLaunchedWindow(focus);
            back = target;
            std::string title = UpperCase(windows_->Title(target));
            if (targetTitle_.empty() || title.find(UpperCase(targetTitle_)) == std::string::npos)
                targetTitle_ = title;
        }
    }
    // Keys for "the focused window" while the program itself has the
    // keyboard would land in its own menus and boxes: the record is shown
    // and counted, nothing is typed.
    const WindowId focus = windows_ ? windows_->ForegroundWindow() : 0;
    if (runningWindow_ != 0 && focus == runningWindow_) return Delivery::Done;
    if (own_ && (own_->Owns(focus) || (target == 0 && own_->HoldKeyboard()))) return Delivery::Done;

    std::string text = ExpandDateTime(r.Preamble, r.Time);
    for (int i = 1; i <= r.FieldCount; ++i) {
        text += r.Fields[i];
        text += ExpandDateTime(r.Postamble(i), r.Time);
    }
    sender_->SetInterCharDelay(delay_);
    lastResult_ = sender_->SendKeystrokeText(text);
    if (restored && target) windows_->Minimise(target);
    if (back && windows_) windows_->Activate(back);
    return Delivery::Done;
}

WindowId KeystrokeSink::WaitForLaunchedWindow(WindowId previousFocus) {
    constexpr int kStep = 20;
    constexpr int kUnfocusedGrace = 400;
    WindowId now = windows_->ForegroundWindow();
    WindowId appeared = 0;
    int appearedFor = 0;
    for (int waited = 0; (now == previousFocus || now == 0) && waited < launchTimeoutMs_;
         waited += kStep) {
        keyboard_->Wait(kStep);
        now = windows_->ForegroundWindow();
        if (now != previousFocus && now != 0) break;
        // A window manager that prevents focus stealing shows the new
        // window without activating it: activate it ourselves.
        if (!appeared) appeared = NewWindowSinceLaunch();
        if (appeared && (appearedFor += kStep) >= kUnfocusedGrace) {
            windows_->Activate(appeared);
            now = windows_->ForegroundWindow();
            appeared = 0;
            appearedFor = 0;
        }
    }
    if (launchSettleMs_ > 0) keyboard_->Wait(launchSettleMs_);
    return windows_->ForegroundWindow();
}

WindowId KeystrokeSink::NewWindowSinceLaunch() {
    for (const auto& w : windows_->TopLevelWindows()) {
        bool known = false;
        for (WindowId id : windowsBeforeLaunch_)
            known |= id == w.Id;
        if (!known) return w.Id;
    }
    return 0;
}

} // namespace pv
