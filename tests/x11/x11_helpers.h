#pragma once
// Test windows that record what is typed into them, on the X display of the
// test run.
#include <gtest/gtest.h> // before Xlib, whose macros clash with it

#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "fakes/files.h"
#include "fakes/recording_messages.h"
#include "fakes/wait.h"
#include "output/keystroke_sender.h"
#include "platform/x11/x11_windows.h"

extern char** environ;

namespace pv::test {

/// A scratch directory removed with its files at the end.
struct TempDir {
    std::string path = mkdtemp(std::string("/tmp/pv-x11-XXXXXX").data());
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

/// The window with exactly `title`, 0 when none shows within `ms`.
inline WindowId WaitForWindow(x11::X11Windows& windows, const std::string& title, int ms = 5000) {
    WindowId found = 0;
    testing::WaitUntil(
        [&] {
            for (const auto& w : windows.TopLevelWindows())
                if (w.Title == title) found = w.Id;
            return found != 0;
        },
        ms);
    return found;
}

/// Waits until `window` is active and has held the keyboard focus for a
/// moment (the window manager may still be moving it).
inline bool WaitForActive(x11::X11Windows& windows, WindowId window, int ms = 3000) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point since{};
    return testing::WaitUntil(
        [&] {
            if (!windows.IsActive(window))
                since = {};
            else if (since == Clock::time_point{})
                since = Clock::now();
            return since != Clock::time_point{} &&
                   Clock::now() - since >= std::chrono::milliseconds(100);
        },
        ms);
}

/// A recording window process (tests/x11/window/key_window.cpp).
class KeyWindow {
  public:
    KeyWindow(x11::X11Windows& windows, const std::string& title, const std::string& file,
              const std::string& keysymFile = {})
        : file_(file) {
        const char* argv[] = {PV_KEY_WINDOW, title.c_str(), file.c_str(),
                              keysymFile.empty() ? nullptr : keysymFile.c_str(), nullptr};
        if (posix_spawn(&pid_, PV_KEY_WINDOW, nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            pid_ = 0;
        id_ = WaitForWindow(windows, title);
        // The window manager may keep the focus where keys were just typed.
        if (id_ && !WaitForActive(windows, id_, 400)) {
            windows.Activate(id_);
            WaitForActive(windows, id_);
        }
    }
    ~KeyWindow() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    WindowId Id() const { return id_; }

    /// What the window received, once it holds `expected` or after `ms`.
    std::string Received(const std::string& expected, int ms = 3000) const {
        std::string got;
        testing::WaitUntil([&] { return (got = testing::Slurp(file_)).size() >= expected.size(); },
                           ms);
        return got;
    }
    /// What the window received before a marker typed into it now: keys
    /// arrive in order, so nothing sent earlier can come after the marker.
    std::string ReceivedBeforeMarker(x11::X11Windows& windows, Keyboard& keyboard) const {
        windows.Activate(id_);
        WaitForActive(windows, id_);
        KeystrokeSender marker(keyboard);
        marker.SetInterCharDelay(0);
        marker.SendKeystrokeText("#");
        std::string got;
        testing::WaitUntil([&] { return (got = testing::Slurp(file_)).find('#') != got.npos; });
        return got.substr(0, got.find('#'));
    }

  private:
    std::string file_;
    pid_t pid_ = 0;
    WindowId id_ = 0;
};

} // namespace pv::test
