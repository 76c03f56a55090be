#include "ui/run_session.h"

#include <QCoreApplication>

#include "platform/posix/serial_driver.h"
#include "platform/qt/dde_delivery.h"
#include "platform/qt/dde_server.h"
#include "runtime/runtime.h"
#include "ui/running_window.h"
#include "ui/virtual_device.h"

#ifdef PV_HAVE_X11
#include "platform/x11/x11_keystrokes.h"
#endif

namespace pv {

RunSession::RunSession(Config& config, SettingsStore& store, MessageSink& messages, QObject* parent)
    : RunSession(config, store, messages, Parts{}, parent) {}

RunSession::RunSession(Config& config, SettingsStore& store, MessageSink& messages, Parts parts,
                       QObject* parent)
    : QObject(parent), config_(config), store_(store), messages_(messages),
      driver_(std::move(parts.Driver)), clock_(std::move(parts.ClockSource)) {
    if (!driver_) driver_ = std::make_unique<PosixSerialDriver>();
    if (!clock_) clock_ = std::make_unique<SystemClock>();
    port_ = std::make_unique<SerialPort>(config_, driver_.get(), *clock_, messages_, &store_);
}

RunSession::~RunSession() {
    destroying_ = true;
    if (window_ && shown_ && !done_) window_->close();
    delete window_.data();
    delete virtual_.data();
    port_->Virtual = nullptr;
    // A port opened for a window that was never shown is not left open.
    if (!shown_ && port_->CommHandle >= 0) port_->ClosePort();
}

void RunSession::SetDeviceOverride(const std::string& device) {
    port_->DeviceOverride = device;
}

bool RunSession::OpenPort() {
    if (config_.RunMode == RunVirtual) return true;
    return port_->OpenPort();
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

    window_ = new RunningWindow(config_, *port_, store_);
    items_ = std::make_unique<DdeItems>(window_.data());
    ddeClient_ = std::make_unique<DbusDdeDelivery>();
    host_ = std::make_unique<DdeRuntimeHost>(window_.data());
#ifdef PV_HAVE_X11
    auto keys = x11::MakeX11KeystrokeDelivery(config_, messages_);
    keys->SetEventPump([] { QCoreApplication::processEvents(); });
    keys->SetRunningWindow(static_cast<WindowId>(window_->winId()));
    keys_ = std::move(keys);
#endif
    RuntimeParts parts;
    parts.Display = items_.get();
    parts.Host = host_.get();
    parts.Dde = ddeClient_.get();
    parts.Keystrokes = keys_.get();
    runtime_ = std::make_unique<Runtime>(config_, *port_, *clock_, messages_, store_, parts);
    dde_ = std::make_unique<DbusDdeServer>(config_, *runtime_, *port_, *clock_, messages_, *items_,
                                           window_.data(), &clipboard_);
    host_->Server = dde_.get();
    window_->Attach(runtime_.get());
    window_->AttachCommands(&dde_->Commands(), dde_.get());

    if (config_.RunMode == RunVirtual) {
        virtual_ = new VirtualDeviceWindow(*port_);
        port_->Virtual = virtual_.data();
        connect(virtual_.data(), &VirtualDeviceWindow::closed, this, [this] {
            if (window_ && !done_)
                QMetaObject::invokeMethod(window_.data(), &QWidget::close, Qt::QueuedConnection);
        });
    }

    window_->OnUnload = [this] {
        dde_->Stop();
        runtime_->Stop();
        if (virtual_) {
            port_->Virtual = nullptr;
            virtual_->hide();
            virtual_->deleteLater();
        }
    };
    connect(window_.data(), &RunningWindow::unloaded, this, &RunSession::Unloaded);

    runtime_->Start();
    dde_->Start();
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
