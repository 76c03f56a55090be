#pragma once
// Test windows that record what is typed into them, on the X display of the
// test run.
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "output/keystroke_sender.h"
#include "platform/x11/x11_windows.h"

extern char** environ;

namespace pv::test {

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

/// A scratch directory removed with its files at the end.
class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/pv-x11-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

/// The window with exactly `title`, 0 when none shows within `ms`.
inline WindowId WaitForWindow(x11::X11Windows& windows, const std::string& title, int ms = 5000) {
    for (int waited = 0; waited <= ms; waited += 20) {
        for (const auto& w : windows.TopLevelWindows())
            if (w.Title == title) return w.Id;
        SleepMs(20);
    }
    return 0;
}

/// Waits until `window` is active and has held the keyboard focus for a
/// moment (the window manager may still be moving it).
inline bool WaitForActive(x11::X11Windows& windows, WindowId window, int ms = 3000) {
    int stable = 0;
    for (int waited = 0; waited <= ms; waited += 20) {
        stable = windows.IsActive(window) ? stable + 20 : 0;
        if (stable >= 100) return true;
        SleepMs(20);
    }
    return false;
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
        for (int waited = 0; waited <= ms; waited += 20) {
            got = ReadWholeFile(file_);
            if (got.size() >= expected.size()) break;
            SleepMs(20);
        }
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
        std::string got = ReadWholeFile(file_);
        for (int waited = 0; waited <= 3000 && got.find('#') == std::string::npos; waited += 20) {
            SleepMs(20);
            got = ReadWholeFile(file_);
        }
        return got.substr(0, got.find('#'));
    }

  private:
    std::string file_;
    pid_t pid_ = 0;
    WindowId id_ = 0;
};

} // namespace pv::test
