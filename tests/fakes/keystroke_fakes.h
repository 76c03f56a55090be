#pragma once
// Recorders standing in for the keyboard and the desktop's windows.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "output/keystroke_keyboard.h"
#include "output/keystroke_target.h"

namespace pv::test {

/// US layout; writes "d65", "u65", "w500", "set", "restore" to a log.
class RecordingKeyboard : public Keyboard {
  public:
    KeyboardState state{};
    int msIntoSecond = 0;
    std::vector<std::string> log;
    bool finished = false;

    int KeyForChar(unsigned char c) override { return UsLayoutKeyForChar(c); }
    void KeyEvent(int code, bool down) override {
        log.push_back((down ? "d" : "u") + std::to_string(code));
    }
    KeyboardState GetState() override { return state; }
    void SetState(const KeyboardState& s) override {
        const bool clear = std::all_of(s.begin(), s.end(), [](uint8_t b) { return b == 0; });
        log.push_back(clear ? "clear" : "restore");
    }
    void MacroFinished() override { finished = true; }
    void Wait(int ms) override { log.push_back("w" + std::to_string(ms)); }
    int MillisecondsIntoSecond() override { return msIntoSecond; }

    /// The log without the state calls, space-separated.
    std::string Events() const {
        std::string out;
        for (const auto& e : log) {
            if (e == "clear" || e == "restore") continue;
            if (!out.empty()) out += ' ';
            out += e;
        }
        return out;
    }
};

class FakeWindows : public WindowSystem {
  public:
    std::vector<TopLevelWindow> stack; // topmost first
    std::vector<WindowId> minimised;
    WindowId foreground = 0;
    bool activateWorks = true;
    std::vector<std::string> calls;
    StartResult startResult{true, {}};
    std::function<void()> onStart; // a started program's window appears

    std::vector<TopLevelWindow> TopLevelWindows() override {
        calls.push_back("list");
        return stack;
    }
    WindowId ForegroundWindow() override { return foreground; }
    bool Activate(WindowId w) override {
        calls.push_back("activate " + std::to_string(w));
        if (activateWorks) foreground = w;
        return activateWorks;
    }
    bool IsMinimised(WindowId w) override {
        return std::find(minimised.begin(), minimised.end(), w) != minimised.end();
    }
    void Restore(WindowId w) override {
        calls.push_back("restore " + std::to_string(w));
        std::erase(minimised, w);
    }
    void Minimise(WindowId w) override {
        calls.push_back("minimise " + std::to_string(w));
        minimised.push_back(w);
    }
    std::string Title(WindowId w) override {
        for (const auto& t : stack)
            if (t.Id == w) return t.Title;
        return {};
    }
    StartResult StartProgram(const std::string& commandLine) override {
        calls.push_back("start " + commandLine);
        if (onStart && startResult.Started) onStart();
        return startResult;
    }
};

} // namespace pv::test
