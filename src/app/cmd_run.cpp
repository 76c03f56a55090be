// portivox run: a configuration with no window, on the 50 ms tick of a Qt
// Core event loop. Records go to stdout, messages to stderr.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "app/commands.h"
#include "app/run_options.h"
#include "config/config_file.h"
#include "output/dde_items.h"
#include "platform/posix/serial_driver.h"
#include "platform/qt/dde_delivery.h"
#include "platform/qt/dde_server.h"
#include "runtime/runtime.h"
#include "text/escape.h"
#include "text/strings.h"

#ifdef PV_HAVE_X11 // defined by the X11 platform library when it is built
#include "platform/x11/x11_keystrokes.h"
#define PV_HAVE_X11_KEYS 1
#endif

#if __has_include("platform/qt/settings_store.h")
#include "platform/qt/settings_store.h"
#define PV_HAVE_QT_SETTINGS 1
#endif

namespace pv::app {
namespace {

volatile std::sig_atomic_t g_stop = 0;
extern "C" void OnStopSignal(int) {
    g_stop = 1;
}

void PrintErr(const std::string& text) {
    std::fprintf(stderr, "portivox: %s\n", text.c_str());
    std::fflush(stderr);
}

// Message boxes become lines on stderr. A Retry/Cancel question (the log
// file) is answered Retry once a second, so no record is lost.
class HeadlessMessages : public MessageSink {
  public:
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon,
                   MsgButtons buttons) override {
        std::string line = title.empty() ? text : title + ": " + text;
        for (auto& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        if (buttons == MsgButtons::RetryCancel) {
            if (g_stop) {
                PrintErr(line + " (stopping)");
                return MsgResult::Cancel;
            }
            if (!retrying_) PrintErr(line + " (retrying every second until it succeeds)");
            retrying_ = true;
            std::this_thread::sleep_for(std::chrono::seconds(1));
            return MsgResult::Retry;
        }
        retrying_ = false;
        PrintErr(line);
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::Yes;
        default: return MsgResult::Ok;
        }
    }
    void Beep() override {}

  private:
    bool retrying_ = false;
};

// Each delivered record as one line: number, tab, the fields.
class PrintingDisplay : public RecordDisplay {
  public:
    PrintingDisplay(const Config& config, bool quiet) : config_(config), quiet_(quiet) {}
    void ShowField(int i, const std::string& text) override {
        if (i >= 1 && i < kFieldSlots) fields_[i] = text;
    }
    void ShowRecordNumber(const std::string& text) override {
        if (text.empty()) return; // Reset
        ++delivered;
        if (quiet_) return;
        std::string line = EscapeBytes(text);
        int count = config_.RecordStructure == 0 ? 1 : config_.FieldCount;
        for (int i = 1; i <= count && i < kFieldSlots; ++i)
            line += "\t" + EscapeBytes(fields_[i]);
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
    long delivered = 0;

  private:
    const Config& config_;
    bool quiet_;
    std::array<std::string, kFieldSlots> fields_;
};

class StdoutDevice : public VirtualDevice {
  public:
    void ShowOutput(const std::string& masked) override {
        std::string line = ">> " + EscapeBytes(masked) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }
};

class HeadlessHost : public RuntimeHost {
  public:
    void Exit() override { QCoreApplication::quit(); }
};

// Counts the bytes the port delivers, so the runner can tell idle ticks.
class CountingDriver : public SerialDriver {
  public:
    explicit CountingDriver(SerialDriver& inner) : inner_(inner) {}
    bool Open(const std::string& d) override { return inner_.Open(d); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    int Handle() const override { return inner_.Handle(); }
    void SetQueueSizes(int32_t i, int32_t o) override { inner_.SetQueueSizes(i, o); }
    bool SetTimeouts() override { return inner_.SetTimeouts(); }
    bool GetState(LineSettings& out) override { return inner_.GetState(out); }
    bool SetState(const LineSettings& in) override { return inner_.SetState(in); }
    int Read(unsigned char* b, int n) override {
        int got = inner_.Read(b, n);
        if (got > 0) bytesRead += got;
        return got;
    }
    int Write(const char* d, int n) override { return inner_.Write(d, n); }
    void SetDtr(bool on) override { inner_.SetDtr(on); }
    void SetRts(bool on) override { inner_.SetRts(on); }
    void SetBreak(bool on) override { inner_.SetBreak(on); }
    void Purge() override { inner_.Purge(); }
    void Close() override { inner_.Close(); }
    long long bytesRead = 0;

  private:
    SerialDriver& inner_;
};

bool ReadFileBytes(const std::string& path, std::string& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return !f.bad();
}

} // namespace

int RunCommand(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s", RunUsage());
        return 0;
    }
    RunOptions opt;
    std::string error;
    if (!ParseRunOptions(args, opt, error)) {
        PrintErr(error);
        std::fprintf(stderr, "%s", RunUsage());
        return 2;
    }

    Config& config = TheConfig();
    BuildStartupTables(config);
    HeadlessMessages messages;
    config.ConfigFileName = opt.File;
    if (!CheckFile(opt.File, messages).ok() || !ReadConfigFile(config, messages)) {
        PrintErr("cannot load " + opt.File);
        return 1;
    }
    BuildNamedFormats(config);

    int argc = 1;
    char name[] = "portivox";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Portivox");
    QCoreApplication::setApplicationName("Portivox");

#ifdef PV_HAVE_QT_SETTINGS
    QtSettingsStore store;
#else
    MemorySettingsStore store;
#endif
    SystemClock clock;
    PosixSerialDriver posix;
    CountingDriver driver(posix);
    StdoutDevice device;
    config.RunMode = opt.Virtual ? RunVirtual : RunNormal;
    SerialPort port(config, &driver, clock, messages, &store);
    port.DeviceOverride = opt.Port;
    port.Virtual = &device;

    bool inputDone = !opt.Virtual; // a real port never runs out of input
    // Virtual input reaches the port a few KiB per tick, as from a device.
    std::string waiting;
    size_t waitingPos = 0;
    std::unique_ptr<QSocketNotifier> stdinNotifier;
    if (opt.Virtual) {
        config.PortName = PortNameOf(config.CommPort);
        if (!opt.VirtualFile.empty()) {
            if (!ReadFileBytes(opt.VirtualFile, waiting)) {
                PrintErr("cannot read " + opt.VirtualFile);
                return 1;
            }
            inputDone = true;
        } else {
            stdinNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
            QObject::connect(stdinNotifier.get(), &QSocketNotifier::activated, [&] {
                char buffer[65536];
                ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
                if (n > 0) {
                    waiting.append(buffer, static_cast<size_t>(n));
                } else {
                    stdinNotifier->setEnabled(false);
                    inputDone = true;
                }
            });
        }
    } else if (!port.OpenPort()) {
        return 1;
    }

    PrintingDisplay display(config, opt.Quiet);
    HeadlessHost host;
    // DDE on the session bus: items and commands, the command client, links.
    DdeItems ddeItems(&display);
    DbusDdeDelivery ddeClient;
    DdeRuntimeHost ddeHost(&host);
    RuntimeParts parts{&ddeItems, nullptr, &ddeClient, &ddeHost};
#ifdef PV_HAVE_X11_KEYS
    std::unique_ptr<x11::X11Keystrokes> keys;
    if (config.OutputMode == SendKeystrokes) {
        // Without a display the delivery says why once and drops the text.
        keys = x11::MakeX11KeystrokeDelivery(config, messages);
        keys->SetEventPump([] { QCoreApplication::processEvents(); });
        parts.Keystrokes = keys.get();
    }
#endif
    Runtime runtime(config, port, clock, messages, store, parts);
    DbusDdeServer dde(config, runtime, port, clock, messages, ddeItems);
    ddeHost.Server = &dde;
    runtime.Start();
    if (!dde.Start() && config.OutputMode == DdeServer)
        PrintErr("cannot serve DDE topic " + runtime.DdeTopic + " on the session bus");

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    int idleTicks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (g_stop) {
            QCoreApplication::quit();
            return;
        }
        constexpr size_t kChunk = 4096;
        if (port.InputBuffer.size() < kChunk && waitingPos < waiting.size()) {
            size_t n = std::min(kChunk, waiting.size() - waitingPos);
            port.InputBuffer.append(waiting, waitingPos, n);
            waitingPos += n;
            if (waitingPos == waiting.size()) {
                waiting.clear();
                waitingPos = 0;
            }
        }
        size_t pendingBefore = port.InputBuffer.size();
        long long readBefore = driver.bytesRead;
        runtime.PollTick();
        bool readSomething =
            driver.bytesRead != readBefore || port.InputBuffer.size() < pendingBefore;
        if (opt.ExitAfterIdle > 0 && inputDone && waiting.empty()) {
            idleTicks = readSomething ? 0 : idleTicks + 1;
            if (idleTicks >= opt.ExitAfterIdle) QCoreApplication::quit();
        }
    });
    tick.start(50);
    app.exec();

    dde.Stop();
    runtime.Stop(); // closes the port, DTR and RTS low
    return 0;
}

} // namespace pv::app
