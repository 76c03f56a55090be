#pragma once
// A running session over a recording driver and a hand-driven clock, for
// the running window's tests. The window's own timer is stopped: tests call
// Tick() themselves.
#include <QApplication>
#include <memory>

#include "config/settings_store.h"
#include "runtime/runtime.h"
#include "serial/recording_driver.h"
#include "text/messages.h"
#include "ui/run_session.h"
#include "ui/running_window.h"
#include "ui/virtual_device.h"

namespace pv::test {

/// The process's one QApplication (other window tests may have made it).
inline QApplication& EnsureApp() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *static_cast<QApplication*>(QApplication::instance());
}

class ManualClock : public Clock {
  public:
    explicit ManualClock(uint32_t* ticks) : ticks_(ticks) {}
    // Each reading moves on a millisecond, so waits on the clock end.
    uint32_t TickCount() override { return (*ticks_)++; }
    DateTime Now() override { return DateTime{2026, 12, 5, 10, 30, 0}; }

  private:
    uint32_t* ticks_;
};

struct RunFixture {
    Config config;
    MemorySettingsStore store;
    SilentMessages messages;
    RecordingDriver* driver = nullptr; // owned by the session
    uint32_t ticks = 1000;
    std::unique_ptr<RunSession> session;
    bool finished = false;

    RunFixture() { EnsureApp(); }

    /// Opens (unless virtual) and shows; false when the port did not open.
    bool Start(int16_t runMode = RunTest) {
        config.RunMode = static_cast<RunModes>(runMode);
        RunSession::Parts parts;
        auto d = std::make_unique<RecordingDriver>();
        driver = d.get();
        parts.Driver = std::move(d);
        parts.ClockSource = std::make_unique<ManualClock>(&ticks);
        session = std::make_unique<RunSession>(config, store, messages, std::move(parts));
        QObject::connect(session.get(), &RunSession::finished, [this] { finished = true; });
        if (!session->OpenPort()) return false;
        session->Show();
        session->Window()->StopTimer();
        return true;
    }
    RunningWindow& Window() { return *session->Window(); }
    Runtime& Run() { return *session->RuntimeState(); }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            ticks += 50;
            Window().Tick();
        }
    }
    /// Lets queued events (deferred closes, deletions) run.
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
};

} // namespace pv::test
