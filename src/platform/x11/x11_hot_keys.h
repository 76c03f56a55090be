#pragma once
// Global hot keys on X11: each combination is grabbed on the root window
// (also with Num Lock and Caps Lock on), so its presses, repeats and
// releases come to this connection instead of the focused program. The
// grab is synchronous: a key that matches no entry is replayed to the
// focused program.
//
//   auto service = std::make_unique<pv::x11::HotKeyService>(config, runtime, messages, false);
//   service->Register();   // when the running window loads; ungrabbed when destroyed
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "hotkeys/hot_keys.h"

struct _XDisplay;
class QSocketNotifier;

namespace pv::x11 {

class X11HotKeyGrabber : public HotKeyGrabber {
  public:
    /// Its own connection to `displayName` (nullptr: $DISPLAY); null when
    /// the display cannot be opened.
    static std::unique_ptr<X11HotKeyGrabber> Open(const char* displayName);
    ~X11HotKeyGrabber() override;

    Result Grab(const HotKeyCombination& combination) override;
    void UngrabAll() override;

    /// The connection's socket, readable when events may be waiting.
    int Fd() const;
    /// Handles every queued key event; `handler` answers whether it is
    /// swallowed (else it goes on to the focused program).
    void Dispatch(const std::function<bool(const HotKeyEvent&)>& handler);

  private:
    explicit X11HotKeyGrabber(_XDisplay* display);
    unsigned MaskOf(int modifiers) const;

    _XDisplay* dpy_;
    unsigned long root_;
    unsigned altMask_ = 0, numLockMask_ = 0;
    std::unordered_map<int, int> keyOfKeycode_;
    std::unordered_set<int> down_; // swallowed keycodes not yet released
};

/// The hot keys of one run, read from the Qt event loop.
class HotKeyService {
  public:
    HotKeyService(const Config& config, Runtime& runtime, MessageSink& messages,
                  bool virtualDevice);
    ~HotKeyService();
    /// Grabs the configuration's keys. Without a usable X display (a
    /// Wayland session) it explains once per program run what to do instead.
    void Register();

  private:
    const Config& config_;
    Runtime& runtime_;
    MessageSink& messages_;
    bool virtual_;
    std::unique_ptr<X11HotKeyGrabber> grabber_;
    std::unique_ptr<HotKeyHook> hook_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace pv::x11
