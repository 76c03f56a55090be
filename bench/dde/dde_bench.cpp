// Records reaching a watching client over the session bus: the runtime in
// DDE Server mode serves its items, a second bus connection in the same
// process subscribes to Changed like any other client would. Run it on a
// bus of its own:
//   dbus-run-session -- ./bench_dde
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "output/dde_items.h"
#include "platform/qt/dde_link.h"
#include "platform/qt/dde_server.h"
#include "platform/qt/dde_wire.h"
#include "runtime/runtime.h"
#include "serial/port.h"
#include "serial/virtual_driver.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

class BenchClock : public pv::Clock {
  public:
    uint32_t TickCount() override { return ++ticks_; }
    pv::DateTime Now() override { return {2024, 3, 5, 12, 0, 0}; }

  private:
    uint32_t ticks_ = 1;
};

// The moment each record's last box (the record number) is shown.
class StampingDisplay : public pv::RecordDisplay {
  public:
    void ShowRecordNumber(const std::string&) override { Ends.push_back(SteadyClock::now()); }
    std::vector<SteadyClock::time_point> Ends;
};

constexpr const char* kRecord = "  1234.567,PRODUCT-CODE-000123,LOT 2024-03-05 LINE 7\r";

struct Rig {
    pv::Config config;
    BenchClock clock;
    pv::SilentMessages messages;
    pv::MemorySettingsStore store;
    StampingDisplay stamps;
    pv::DdeItems items{&stamps};
    pv::VirtualSerialDriver device;
    pv::SerialPort port{device, clock, messages};
    std::unique_ptr<pv::Runtime> runtime;
    std::unique_ptr<pv::DbusDdeServer> server;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "watch");
    std::unique_ptr<pv::DbusTopicWatch> watch;
    std::vector<SteadyClock::time_point> Received;
    bool ok = false;

    Rig() {
        config.RunMode = pv::RunVirtual;
        config.OutputMode = pv::DdeServer;
        config.RecordStructure = pv::DelimitedFields;
        config.FieldCount = 3;
        runtime = std::make_unique<pv::Runtime>(config, port, clock, messages, store,
                                                pv::RuntimeParts{&items, nullptr, nullptr});
        server = std::make_unique<pv::DbusDdeServer>(config, *runtime, clock, messages, items);
        runtime->Start();
        if (!server->Start("PortivoxBench")) return;
        watch = std::make_unique<pv::DbusTopicWatch>(
            [this](const std::string& item, const std::string&) {
                if (item == "RecordNumber") Received.push_back(SteadyClock::now());
            },
            nullptr, client);
        // Not resolved by a call: the server answers only from this thread's
        // event loop, which a blocking call would hold up.
        pv::dde::Target target{server->Bus().BusName(),
                               pv::dde::ObjectPathFor(runtime->DdeTopic())};
        ok = watch->Watch(target);
        // The match rule must reach the bus before the first signal.
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
    }

    /// Feeds `n` records, runs one tick and waits until the client has all.
    bool Deliver(int n) {
        size_t want = Received.size() + static_cast<size_t>(n);
        for (int i = 0; i < n; ++i)
            device.Push(kRecord);
        runtime->PollTick();
        auto deadline = SteadyClock::now() + std::chrono::seconds(10);
        while (Received.size() < want) {
            if (SteadyClock::now() > deadline) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
};

Rig* TheRig() {
    static Rig* rig = new Rig;
    return rig;
}

void BM_RecordsToWatcher(benchmark::State& state) {
    Rig* rig = TheRig();
    if (!rig->ok) {
        state.SkipWithError("no session bus (run under dbus-run-session)");
        return;
    }
    const int batch = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (!rig->Deliver(batch)) {
            state.SkipWithError("records lost");
            return;
        }
    }
    state.counters["records/s"] =
        benchmark::Counter(double(state.iterations()) * batch, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordsToWatcher)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RecordEndToChanged(benchmark::State& state) {
    Rig* rig = TheRig();
    if (!rig->ok) {
        state.SkipWithError("no session bus (run under dbus-run-session)");
        return;
    }
    std::vector<double> micros;
    for (auto _ : state) {
        rig->stamps.Ends.clear();
        size_t before = rig->Received.size();
        if (!rig->Deliver(1)) {
            state.SkipWithError("record lost");
            return;
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(rig->Received[before] - rig->stamps.Ends[0])
                .count());
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, size_t(q * micros.size()))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
}
BENCHMARK(BM_RecordEndToChanged)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
