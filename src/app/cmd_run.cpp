// portivox run: a configuration with no window, on the 50 ms tick of a Qt
// Core event loop. Records go to stdout, messages to stderr.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "app/commands.h"
#include "app/run_options.h"
#include "config/config_file.h"
#include "platform/qt/run_assembly.h"
#include "runtime/runtime.h"
#include "serial/virtual_driver.h"
#include "text/escape.h"
#include "text/strings.h"

#if __has_include("platform/qt/settings_store.h")
#include "platform/qt/settings_store.h"
#define PV_HAVE_QT_SETTINGS 1
#endif

namespace pv::app {
namespace {

int g_stopPipe[2] = {-1, -1};
extern "C" void OnStopSignal(int) {
    int saved = errno;
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_stopPipe[1], &c, 1);
    errno = saved;
}

// SIGTERM and SIGINT reach the event loop through a pipe; no SA_RESTART, so
// a blocking call the signal lands in returns instead of holding the exit.
std::unique_ptr<QSocketNotifier> QuitOnStopSignals() {
    if (g_stopPipe[0] < 0 && ::pipe2(g_stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    auto notifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        char buffer[16];
        while (::read(g_stopPipe[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
    return notifier;
}

void PrintErr(const std::string& text) {
    std::fprintf(stderr, "portivox: %s\n", text.c_str());
    std::fflush(stderr);
}

// Message boxes become lines on stderr; questions take their first answer.
// A log file that cannot be written does not ask: the run assembly queues
// its lines and retries them on the tick.
class HeadlessMessages : public MessageSink {
  public:
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon,
                   MsgButtons buttons) override {
        std::string line = title.empty() ? text : title + ": " + text;
        for (auto& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        PrintErr(line);
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel: return MsgResult::Yes;
        case MsgButtons::RetryCancel: return MsgResult::Cancel;
        default: return MsgResult::Ok;
        }
    }
    void Beep() override {}
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
        if (quiet_) return;
        std::string line = EscapeBytes(text);
        int count = config_.RecordStructure == 0 ? 1 : config_.FieldCount;
        for (int i = 1; i <= count && i < kFieldSlots; ++i)
            line += "\t" + EscapeBytes(fields_[i]);
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

  private:
    const Config& config_;
    bool quiet_;
    std::array<std::string, kFieldSlots> fields_;
};

void ShowDeviceOutput(const std::string& masked) {
    std::string line = ">> " + EscapeBytes(masked) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

class HeadlessHost : public RuntimeHost {
  public:
    void Exit() override { QCoreApplication::quit(); }
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
        std::printf(
            "\nRuns FILE.PV3 without a window; each record goes to stdout as its number and "
            "fields.\n"
            "  --port PATH          open PATH instead of the device the COM number maps to\n"
            "  --virtual[=FILE]     play the device from stdin (or FILE); output shown as '>> '\n"
            "  --quiet              do not print the records on stdout\n"
            "  --exit-after-idle=N  end after N ticks (50 ms each) in a row without input\n");
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
    auto stopSignals = QuitOnStopSignals();

#ifdef PV_HAVE_QT_SETTINGS
    QtSettingsStore store;
#else
    MemorySettingsStore store;
#endif
    config.RunMode = opt.Virtual ? RunVirtual : RunNormal;
    PrintingDisplay display(config, opt.Quiet);
    HeadlessHost host;
    RunAssembly::Options options;
    options.Virtual = opt.Virtual;
    options.Device = opt.Port;
    options.AskOnLogFailure = false;
    options.Display = &display;
    options.Host = &host;
    RunAssembly run(config, store, messages, std::move(options));
    QObject::connect(&run, &RunAssembly::deviceChanged,
                     [](bool, const std::string& message) { PrintErr(message); });

    bool inputDone = !opt.Virtual; // a real port never runs out of input
    // Virtual input reaches the device a few KiB per tick, as from a device.
    std::string waiting;
    size_t waitingPos = 0;
    std::unique_ptr<QSocketNotifier> stdinNotifier;
    VirtualSerialDriver* device = run.VirtualDevice();
    if (device) {
        device->SetListener(ShowDeviceOutput);
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
                    // Standard input is read no faster than the device takes it.
                    if (waiting.size() - waitingPos > (1u << 20)) stdinNotifier->setEnabled(false);
                } else {
                    stdinNotifier->setEnabled(false);
                    inputDone = true;
                }
            });
        }
    } else if (!run.OpenPort()) {
        return 1;
    }

    if (!run.Start() && config.OutputMode == DdeServer)
        PrintErr("cannot serve DDE topic " + run.Run().DdeTopic() + " on the session bus");

    int idleTicks = 0;
    uint64_t readBefore = 0;
    auto feed = [&] {
        constexpr size_t kChunk = 4096;
        if (!device || device->Waiting() >= kChunk || waitingPos >= waiting.size()) return;
        size_t n = std::min(kChunk, waiting.size() - waitingPos);
        device->Push(waiting.substr(waitingPos, n));
        waitingPos += n;
        if (waitingPos == waiting.size()) {
            waiting.clear();
            waitingPos = 0;
            if (stdinNotifier && !inputDone) stdinNotifier->setEnabled(true);
        }
    };
    feed();
    QObject::connect(&run, &RunAssembly::ticked, [&] {
        bool readSomething = run.BytesRead() != readBefore;
        readBefore = run.BytesRead();
        feed();
        bool idle = !readSomething && (!device || device->Waiting() == 0);
        if (opt.ExitAfterIdle > 0 && inputDone && waiting.empty()) {
            idleTicks = idle ? idleTicks + 1 : 0;
            if (idleTicks >= opt.ExitAfterIdle) QCoreApplication::quit();
        }
    });
    app.exec();

    run.Stop(); // DDE down, the log's waiting lines tried once more, port closed
    return 0;
}

} // namespace pv::app
