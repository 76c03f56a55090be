#pragma once
// Send Keystrokes mode on the X display: the runtime's KeystrokeDelivery
// over XTest typing and EWMH window handling.
//
//   auto keys = pv::x11::MakeX11KeystrokeDelivery(config, messages);
//   pv::RuntimeParts parts;
//   parts.Keystrokes = keys.get();
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/config.h"
#include "runtime/interfaces.h"
#include "text/messages.h"

namespace pv::x11 {

class X11Keystrokes : public KeystrokeDelivery {
  public:
    /// Whether the display and XTest are there; if not, every record's text
    /// is dropped and the first one reports why through the message sink.
    virtual bool Available() const = 0;
    /// The running window (never typed into); an X window id.
    virtual void SetRunningWindow(WindowId window) = 0;
    /// Run while waiting between keys and for launched programs.
    virtual void SetEventPump(std::function<void()> pump) = 0;
    /// The settle time after a launched program took the focus (2592 ms).
    virtual void SetLaunchSettleMs(int ms) = 0;
    /// Why keystrokes cannot be sent ("" when Available()).
    virtual std::string WhyUnavailable() const = 0;
    /// The MacroResult of the last typed text (0 parsed and typed).
    virtual int16_t LastResult() const = 0;
};

/// Opens `displayName` (nullptr: $DISPLAY). `config` and `messages` must
/// outlive the result.
std::unique_ptr<X11Keystrokes> MakeX11KeystrokeDelivery(const Config& config, MessageSink& messages,
                                                        const char* displayName = nullptr);

} // namespace pv::x11
