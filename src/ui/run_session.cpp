#include "ui/run_session.h"

#include "platform/qt/dde_server.h"
#include "platform/qt/run_assembly.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/running_window.h"
#include "ui/virtual_device.h"

namespace pv {

RunSession::RunSession(Config& config, SettingsStore& store, MessageSink& messages, QObject* parent)
    : RunSession(config, store, messages, Parts{}, parent) {}

RunSession::RunSession(Config& config, SettingsStore& store, MessageSink& messages, Parts parts,
                       QObject* parent)
    : QObject(parent), config_(config), store_(store), messages_(messages),
      parts_(std::move(parts)) {
    // The window exists from the start: the assembly shows through it.
    window_ = new RunningWindow(config_);
    RunAssembly::Options o;
    o.Virtual = config_.RunMode == RunVirtual;
    if (!o.Virtual) o.Driver = std::move(parts_.Driver);
    o.ClockSource = std::move(parts_.ClockSource);
    o.Display = window_.data();
    o.Host = window_.data();
    o.Window = window_.data();
    o.Clipboard = &clipboard_;
    o.HotKeys = true;
    run_ = std::make_unique<RunAssembly>(config_, store_, messages_, std::move(o));
    connect(run_.get(), &RunAssembly::deviceChanged, window_.data(), &RunningWindow::SetDeviceLost);
    run_->SetOwnWindows(&own_);
}

RunSession::~RunSession() {
    destroying_ = true;
    if (window_ && shown_ && !done_) window_->close();
    run_->Stop();
    delete window_.data();
    delete virtual_.data();
}

void RunSession::SetDeviceOverride(const std::string& device) {
    deviceOverride_ = device;
    run_->SetDevice(device);
}

bool RunSession::OpenPort() {
    return run_->OpenPort();
}

Runtime& RunSession::RunState() {
    return run_->Run();
}

RunningWindow* RunSession::Window() {
    return window_.data();
}

VirtualDeviceWindow* RunSession::VirtualWindow() {
    return virtual_.data();
}

bool RunSession::IsRunning() const {
    return shown_ && !done_;
}

void RunSession::Show() {
    if (shown_) return;
    shown_ = true;

    window_->Attach(&run_->Run());
    window_->AttachCommands(run_->Commands(), run_->Dde());
    run_->SetRunningWindow(static_cast<WindowId>(window_->winId()));

    if (VirtualSerialDriver* device = run_->VirtualDevice()) {
        virtual_ = new VirtualDeviceWindow(*device, config_);
        connect(virtual_.data(), &VirtualDeviceWindow::closed, this, [this] {
            if (window_ && !done_)
                QMetaObject::invokeMethod(window_.data(), &QWidget::close, Qt::QueuedConnection);
        });
    }

    window_->OnUnload = [this] {
        run_->Stop();
        if (config_.RunMode == RunTest || config_.RunMode == RunVirtual)
            config_.RunMode = NotRunning;
        if (virtual_) {
            run_->VirtualDevice()->SetListener(nullptr);
            virtual_->hide();
            virtual_->deleteLater();
        }
    };
    connect(window_.data(), &RunningWindow::unloaded, this, &RunSession::Unloaded);

    window_->SetStatusDevice(config_.RunMode == RunVirtual ? Text(txt::VirtualInstrumentState)
                             : !deviceOverride_.empty()    ? deviceOverride_
                                                        : DevicePathFor(config_.CommPort, &store_));
    run_->Start();
    window_->StartUp();
    if (virtual_) {
        virtual_->move(window_->pos() + QPoint(0, window_->frameGeometry().height() + 8));
        virtual_->show();
    }
}

void RunSession::Quit() {
    if (window_ && shown_ && !done_) window_->close();
}

void RunSession::Unloaded() {
    done_ = true;
    if (destroying_) return;
    window_->deleteLater();
    emit finished();
}

} // namespace pv
