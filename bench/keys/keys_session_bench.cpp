// Keystrokes through the keyboard chosen for the session (on Wayland the
// virtual keyboard), received by a program outside: the focused window
// writes what it receives to the file named by $PV_TYPED (run_sway_bench.sh
// sets this up with a headless sway and a foot terminal).
//  - BM_SessionTypingRate: characters per second the file receives from one
//    SendKeystrokeText, at InterCharDelay 0 and 1;
//  - BM_SessionRecordLatency: from a record's last byte written to a
//    pseudo-terminal to its Enter arriving, the runtime polling every 50 ms
//    (median and 99th percentile over 200 records).
#include <benchmark/benchmark.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "config/settings_store.h"
#include "output/keystroke_sender.h"
#include "output/keystroke_sink.h"
#include "platform/keys/key_desktop.h"
#include "platform/posix/serial_driver.h"
#include "runtime/runtime.h"

namespace {

using Clock = std::chrono::steady_clock;

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : 0;
}

std::string Typed() {
    const char* path = std::getenv("PV_TYPED");
    return path ? path : "";
}

class NoMessages : public pv::MessageSink {
  public:
    pv::MsgResult Show(const std::string&, const std::string&, pv::MsgIcon,
                       pv::MsgButtons) override {
        return pv::MsgResult::Ok;
    }
    void Beep() override {}
};

void BM_SessionTypingRate(benchmark::State& state) {
    const std::string file = Typed();
    std::string why;
    auto desktop = pv::keys::KeyDesktop::Open(why);
    if (file.empty() || !desktop) {
        state.SkipWithError(file.empty() ? "PV_TYPED is not set" : why.c_str());
        return;
    }
    pv::KeystrokeSender sender(desktop->Keys());
    sender.SetInterCharDelay(int32_t(state.range(0)));
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "{+}0012.345 g~";
    const long perText = 12 * 40;
    long received = 0;
    for (auto _ : state) {
        const long before = FileSize(file);
        const auto start = Clock::now();
        sender.SendKeystrokeText(text);
        while (FileSize(file) < before + perText && Clock::now() - start < std::chrono::seconds(20))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        received += FileSize(file) - before;
    }
    state.counters["chars_per_s"] =
        benchmark::Counter(double(received), benchmark::Counter::kIsRate);
    if (received != perText * long(state.iterations())) state.SkipWithError("characters lost");
}
BENCHMARK(BM_SessionTypingRate)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_SessionRecordLatency(benchmark::State& state) {
    const std::string file = Typed();
    std::string why;
    auto desktop = pv::keys::KeyDesktop::Open(why);
    int master = -1, slave = -1;
    char slaveName[256];
    if (file.empty() || !desktop || openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
        state.SkipWithError("needs PV_TYPED, a keyboard and a pseudo-terminal");
        return;
    }
    pv::Config config;
    config.RunMode = pv::RunTest;
    config.OutputMode = pv::SendKeystrokes;
    config.KeyTargetSpecified = 0;
    config.InterCharDelay = int32_t(state.range(0));
    NoMessages messages;
    pv::MemorySettingsStore store;
    pv::SystemClock clock;
    pv::PosixSerialDriver driver;
    pv::SerialPort port(driver, clock, messages);
    if (!port.OpenPort(pv::PortSettingsOf(config, &store, slaveName))) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    struct Sinks : pv::SinkProvider {
        pv::KeystrokeSink* keys;
        pv::RecordSink* SinkFor(int16_t) override { return keys; }
    } sinks;
    pv::KeystrokeSink keys(&desktop->Keys(), desktop->Windows(), messages);
    sinks.keys = &keys;
    pv::Runtime runtime(config, port, clock, messages, store, {nullptr, &sinks, nullptr});
    runtime.Start();

    constexpr int kRecords = 200;
    const std::string record = "+0012.345 g\r";
    for (auto _ : state) {
        std::vector<Clock::time_point> written(kRecords), arrived(kRecords);
        std::atomic<bool> done{false};
        const long base = FileSize(file);
        std::thread writer([&] {
            std::mt19937 random(7);
            std::uniform_int_distribution<int> gap(60, 140);
            for (int i = 0; i < kRecords; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(gap(random)));
                written[size_t(i)] = Clock::now();
                (void)!write(master, record.data(), record.size());
            }
        });
        std::thread watcher([&] {
            int seen = 0;
            while (seen < kRecords && !done) {
                const long size = FileSize(file) - base;
                while (seen < kRecords && size >= long(record.size()) * (seen + 1))
                    arrived[size_t(seen++)] = Clock::now();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        auto next = Clock::now();
        const auto deadline = next + std::chrono::seconds(120);
        while (FileSize(file) - base < long(record.size()) * kRecords && Clock::now() < deadline) {
            next += std::chrono::milliseconds(50);
            std::this_thread::sleep_until(next);
            runtime.PollTick();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        done = true;
        writer.join();
        watcher.join();
        std::vector<double> latency;
        for (int i = 0; i < kRecords; ++i)
            if (arrived[size_t(i)] >= written[size_t(i)])
                latency.push_back(std::chrono::duration<double, std::milli>(arrived[size_t(i)] -
                                                                            written[size_t(i)])
                                      .count());
        std::sort(latency.begin(), latency.end());
        if (latency.size() != size_t(kRecords)) {
            state.SkipWithError("records lost");
            break;
        }
        state.counters["median_ms"] = latency[latency.size() / 2];
        state.counters["p99_ms"] = latency[size_t(double(latency.size()) * 0.99) - 1];
        state.counters["max_ms"] = latency.back();
    }
    runtime.Stop();
    close(master);
    close(slave);
}
BENCHMARK(BM_SessionRecordLatency)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
