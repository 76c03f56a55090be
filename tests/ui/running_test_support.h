#pragma once
// A running session over the recording driver and the fake clock, for the
// running window's tests. The assembly's timer is stopped: tests call Tick()
// themselves.
#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>
#include <memory>

#include "fakes/files.h"
#include "fakes/recording_messages.h"
#include "fakes/run_fakes.h"
#include "platform/qt/run_assembly.h"
#include "text/strings.h"
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

struct RunFixture {
    Config config;
    MemorySettingsStore store;
    testing::RecordingMessages messages;
    testing::RecordingDriver* driver = nullptr; // owned by the session
    testing::FakeClock* clock = nullptr;        // owned by the session
    std::unique_ptr<RunSession> session;
    bool finished = false;

    RunFixture() { EnsureApp(); }

    /// Opens (unless virtual) and shows; false when the port did not open.
    bool Start(int16_t runMode = RunTest) {
        config.RunMode = static_cast<RunModes>(runMode);
        RunSession::Parts parts;
        auto d = std::make_unique<testing::RecordingDriver>();
        driver = d.get();
        parts.Driver = std::move(d);
        auto c = std::make_unique<testing::FakeClock>();
        clock = c.get();
        parts.ClockSource = std::move(c);
        session = std::make_unique<RunSession>(config, store, messages, std::move(parts));
        QObject::connect(session.get(), &RunSession::finished, [this] { finished = true; });
        if (!session->OpenPort()) return false;
        session->Show();
        session->Assembly().StopTimer();
        return true;
    }
    RunningWindow& Window() { return *session->Window(); }
    Runtime& Run() { return session->RunState(); }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock->Ticks += 50;
            session->Assembly().Tick();
        }
    }
    /// Lets queued events run before a screenshot is taken (tests wait on what they see).
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
};

} // namespace pv::test
