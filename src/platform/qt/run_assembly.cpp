#include "platform/qt/run_assembly.h"

#include <QCoreApplication>

#include "output/dde_sink.h"
#include "output/keystroke_sink.h"
#include "output/log_sink.h"
#include "platform/posix/device_errors.h"
#include "platform/posix/serial_driver.h"
#include "platform/qt/dde_delivery.h"
#include "platform/qt/dde_server.h"
#include "platform/qt/mqtt_run.h"

#include "platform/keys/key_desktop.h"
#ifdef PV_HAVE_X11
#include "platform/x11/x11_hot_keys.h"
#endif

namespace pv {

// Counts what the device delivers, so an owner can tell idle ticks.
class CountingDriver : public SerialDriver {
  public:
    explicit CountingDriver(SerialDriver& inner) : inner_(inner) {}
    bool Open(const std::string& d) override { return inner_.Open(d); }
    std::string WhyNotOpen() const override { return inner_.WhyNotOpen(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    int Handle() const override { return inner_.Handle(); }
    void SetQueueSizes(int32_t i, int32_t o) override { inner_.SetQueueSizes(i, o); }
    bool SetTimeouts() override { return inner_.SetTimeouts(); }
    bool GetState(LineSettings& out) override { return inner_.GetState(out); }
    bool SetState(const LineSettings& in) override { return inner_.SetState(in); }
    int Read(unsigned char* b, int n) override {
        int got = inner_.Read(b, n);
        if (got > 0) BytesRead += static_cast<uint64_t>(got);
        return got;
    }
    int Write(const char* d, int n) override { return inner_.Write(d, n); }
    void SetDtr(bool on) override { inner_.SetDtr(on); }
    void SetRts(bool on) override { inner_.SetRts(on); }
    void SetBreak(bool on) override { inner_.SetBreak(on); }
    void Purge() override { inner_.Purge(); }
    void Close() override { inner_.Close(); }
    bool HasLineSignals() const override { return inner_.HasLineSignals(); }
    int Lost() override { return inner_.Lost(); }
    uint64_t BytesRead = 0;

  private:
    SerialDriver& inner_;
};

RunAssembly::RunAssembly(Config& config, SettingsStore& store, MessageSink& messages,
                         Options options, QObject* parent)
    : QObject(parent), config_(config), store_(store), messages_(messages),
      options_(std::move(options)) {
    ownDriver_ = std::move(options_.Driver);
    if (!ownDriver_) {
        if (options_.Virtual) {
            auto device = std::make_unique<VirtualSerialDriver>();
            virtual_ = device.get();
            ownDriver_ = std::move(device);
        } else {
            ownDriver_ = std::make_unique<PosixSerialDriver>();
        }
    } else {
        virtual_ = dynamic_cast<VirtualSerialDriver*>(ownDriver_.get());
    }
    counting_ = std::make_unique<CountingDriver>(*ownDriver_);
    clock_ = std::move(options_.ClockSource);
    if (!clock_) clock_ = std::make_unique<SystemClock>();
    port_ = std::make_unique<SerialPort>(*counting_, *clock_, messages_);
    items_ = std::make_unique<DdeItems>(options_.Display);
    items_->SetCoalescing(true); // the tick flushes
    runtime_ = std::make_unique<Runtime>(config_, *port_, *clock_, messages_, store_,
                                         RuntimeParts{items_.get(), this, this});
    ddeClient_ = std::make_unique<DbusDdeDelivery>();
    dde_ = std::make_unique<DbusDdeServer>(config_, *runtime_, *clock_, messages_, *items_,
                                           options_.Window, options_.Clipboard);
    timer_.setInterval(50);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &RunAssembly::Tick);
    reopen_.setInterval(1000);
    connect(&reopen_, &QTimer::timeout, this, &RunAssembly::TryReopen);
}

RunAssembly::~RunAssembly() {
    Stop();
}

bool RunAssembly::OpenPort() {
    if (virtual_) return true;
    PortSettings s = PortSettingsOf(config_, &store_, options_.Device);
    if (!port_->OpenPort(s)) return false;
    device_ = s.Device;
    if (lost_) TryReopen(); // already open: only says it is back
    return true;
}

void RunAssembly::CheckDevice() {
    if (lost_ || virtual_ || !counting_->IsOpen()) return;
    const int err = counting_->Lost();
    if (!err) return;
    lost_ = true;
    // The node is let go, so the system can remove it and hand the name on.
    counting_->Close();
    reopen_.start();
    if (mqtt_) mqtt_->Delivery().SetDeviceLost(true);
    emit deviceChanged(true, DescribeLoss(PortNameOf(config_.CommPort), device_, err));
}

bool RunAssembly::ApplyLine() {
    const PortSettings s = PortSettingsOf(config_, &store_, options_.Device);
    LineSettings line;
    counting_->SetQueueSizes(s.InputBufferSize, s.OutputBufferSize);
    return counting_->SetTimeouts() && counting_->GetState(line) && counting_->SetState(s.Line);
}

void RunAssembly::TryReopen() {
    if (!lost_ || stopped_) return;
    // Quietly: the owner said once that the device is lost.
    if (!counting_->IsOpen() && (!counting_->Open(device_) || !ApplyLine())) {
        counting_->Close();
        return;
    }
    lost_ = false;
    reopen_.stop();
    if (mqtt_) mqtt_->Delivery().SetDeviceLost(false);
    emit deviceChanged(false, DescribeReturn(PortNameOf(config_.CommPort), device_));
}

bool RunAssembly::Start() {
    started_ = true;
    runtime_->Start();
    bool served = dde_->Start(options_.DdeService);
    timer_.start();
    return served;
}

void RunAssembly::Stop() {
    if (!started_ || stopped_) {
        // A port opened for a run that never started is not left open.
        if (!started_) port_->ClosePort();
        return;
    }
    stopped_ = true;
    timer_.stop();
    reopen_.stop();
    dde_->Stop();
#ifdef PV_HAVE_X11
    hotKeys_.reset();
#endif
    runtime_->Stop();
    mqtt_.reset(); // "offline", then disconnected; the queue keeps the rest
}

void RunAssembly::StopTimer() {
    timer_.stop();
}

void RunAssembly::Tick() {
    if (stopped_) return;
    runtime_->PollTick();
    CheckDevice();
    items_->Flush();
    emit ticked();
}

void RunAssembly::SetRunningWindow(WindowId window) {
    runningWindow_ = window;
    if (keySink_) keySink_->SetRunningWindow(window);
}

void RunAssembly::SetOwnWindows(OwnWindows* own) {
    own_ = own;
    if (keySink_) keySink_->SetOwnWindows(own);
}

CommandInterpreter* RunAssembly::Commands() {
    return &dde_->Commands();
}

uint64_t RunAssembly::BytesRead() const {
    return counting_->BytesRead;
}

KeystrokeSink& RunAssembly::Keystrokes() {
    if (!keySink_) {
        std::string why;
        Keyboard* keyboard = nullptr;
        WindowSystem* windows = nullptr;
        desktop_ = keys::KeyDesktop::Open(why);
        if (desktop_) {
            // Typing waits let the program's events run; the runtime decides
            // what a tick may do meanwhile.
            desktop_->SetEventPump([] { QCoreApplication::processEvents(); });
            keyboard = &desktop_->Keys();
            windows = desktop_->Windows();
        }
        keySink_ = std::make_unique<KeystrokeSink>(keyboard, windows, messages_, why);
        keySink_->SetRunningWindow(runningWindow_);
        keySink_->SetOwnWindows(own_);
    }
    return *keySink_;
}

RecordSink* RunAssembly::SinkFor(int16_t outputMode) {
    RecordSink* mode = ModeSink(outputMode);
    if (!mqttOpened_) { // first start: the DDE topic is known now
        mqttOpened_ = true;
        mqtt_ = MqttRun::Open(
            store_, messages_,
            {runtime_->DdeTopic(),
             virtual_ ? "" : PortSettingsOf(config_, &store_, options_.Device).Device},
            [this](const std::string& c) { return Commands()->Execute(c); });
    }
    return mqtt_ ? &mqtt_->Wrap(*mode) : mode;
}

RecordSink* RunAssembly::ModeSink(int16_t outputMode) {
    switch (outputMode) {
    case SendKeystrokes: return &Keystrokes();
    case DdeServer:
        if (!ddeSink_) ddeSink_ = std::make_unique<DdeSink>(ddeClient_.get());
        return ddeSink_.get();
    default:
        if (!logSink_)
            logSink_ = std::make_unique<LogSink>(
                messages_, options_.AskOnLogFailure ? LogSink::OnFailure::AskUser
                                                    : LogSink::OnFailure::QueueAndRetry);
        return logSink_.get();
    }
}

void RunAssembly::SetCaption(const std::string& c) {
    if (options_.Host) options_.Host->SetCaption(c);
}

void RunAssembly::SuspendChanged(bool s) {
    if (mqtt_) mqtt_->Delivery().SetSuspended(s);
    if (options_.Host) options_.Host->SuspendChanged(s);
}

void RunAssembly::TimedOutputMenu(const TimedOutputMenuState& m) {
    if (options_.Host) options_.Host->TimedOutputMenu(m);
}

void RunAssembly::Exit() {
    if (options_.Host) options_.Host->Exit();
}

void RunAssembly::EstablishCommandLink() {
    dde_->EstablishCommandLink();
}

void RunAssembly::EstablishBufferLink() {
    dde_->EstablishBufferLink();
}

void RunAssembly::RegisterHotKeys() {
#ifdef PV_HAVE_X11
    if (options_.HotKeys && !hotKeys_)
        hotKeys_ = std::make_unique<x11::HotKeyService>(config_, *runtime_, messages_,
                                                        virtual_ != nullptr);
    if (hotKeys_) hotKeys_->Register();
#endif
    if (options_.Host) options_.Host->RegisterHotKeys();
}

void RunAssembly::MessageBeep(int sound) {
    if (options_.Host) options_.Host->MessageBeep(sound);
}

void RunAssembly::BeforeReload() {
    if (options_.Host) options_.Host->BeforeReload();
}

void RunAssembly::ReopenPort() {
    port_->ClosePort();
    OpenPort();
}

void RunAssembly::AfterReload() {
    if (options_.Host) options_.Host->AfterReload();
}

} // namespace pv
