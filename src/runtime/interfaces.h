#pragma once
// What the runtime needs from its owner: the clock, the record display, one
// record sink per output mode and the host (running window or headless
// runner). The display and the host have do-nothing defaults, so a headless
// run or a test only supplies what it cares about.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config.h"
#include "expr/datetime.h"
#include "serial/port.h"

namespace pv {

/// Millisecond tick count (for the timed output and the port layer) and the
/// local date and time.
class Clock : public TickSource {
  public:
    /// Local date and time, to the second.
    virtual DateTime Now() = 0;
};

/// A clock that reads the system: steady milliseconds and local time.
class SystemClock : public Clock {
  public:
    uint32_t TickCount() override;
    DateTime Now() override;
};

/// The boxes of the running window. Every change of a box goes through
/// here, so an implementation that serves DDE items ("Field(n)",
/// "RecordNumber", "DateTime") announces the change to its links here too.
class RecordDisplay {
  public:
    virtual ~RecordDisplay() = default;
    /// Replaces the whole text of box Field(i), i = 1..40 ("" empties it).
    virtual void ShowField(int /*i*/, const std::string& /*text*/) {}
    /// The record counter box: "" after start and Reset, then "1", "2", ...
    virtual void ShowRecordNumber(const std::string& /*text*/) {}
    /// The date/time box, already formatted.
    virtual void ShowDateTime(const std::string& /*text*/) {}
};

/// An opaque window handle of the desktop; 0 is "no window".
using WindowId = uint64_t;

/// One finished record: its fields after the whole conversion chain, and
/// what goes around them. Preamble and postambles are the settings as
/// stored; a sink expands the date/time placeholders where its mode does.
struct Record {
    int FieldCount = 1;
    std::array<std::string, kFieldSlots> Fields; // 1..FieldCount
    std::string_view Preamble;
    const FieldArray<std::string>* Postambles = nullptr;
    long Number = 0; // the number the record counter shows once it is counted
    DateTime Time;   // read once per record, for the placeholders

    std::string_view Postamble(int i) const {
        return Postambles && i >= 1 && i < kFieldSlots ? std::string_view((*Postambles)[i])
                                                       : std::string_view();
    }
};

/// The running window's side of a delivery: a sink decides when each box
/// shows its field and when the record is counted (the order differs by
/// mode, and DDE links see each box change).
class RecordBoxes {
  public:
    virtual ~RecordBoxes() = default;
    virtual void ShowField(int i) = 0;
    void ShowAllFields(const Record& r) {
        for (int i = 1; i <= r.FieldCount; ++i)
            ShowField(i);
    }
    /// The record counter moves on to the record's number.
    virtual void CountRecord() = 0;
};

enum class Delivery {
    Done,
    /// The record could not be delivered and the user gave up: the run
    /// resets and suspends so that no further record is lost unseen.
    Failed,
};

/// Where finished records go: one sink per output mode (output/).
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    /// The run starts, or restarts with another configuration: the sink
    /// reads its own settings here.
    virtual void Start(const Config& /*config*/) {}
    /// May let other events run (keystroke waits, a message box); the
    /// runtime is then in its delivering state.
    virtual Delivery Deliver(const Record& record, RecordBoxes& boxes) = 0;
    /// Every tick outside a delivery: work the sink put off (retries).
    virtual void Tick() {}
    /// True while the sink holds all it may: the device is not read until
    /// it has caught up.
    virtual bool Backlogged() const { return false; }
    /// The run ends.
    virtual void Stop() {}
};

/// The sink of an output mode; null delivers nothing (the record is still
/// shown and counted).
class SinkProvider {
  public:
    virtual ~SinkProvider() = default;
    virtual RecordSink* SinkFor(int16_t outputMode) = 0;
};

/// The timed-output menu item TOutCtrl.
struct TimedOutputMenuState {
    bool Visible = false; // decided at start: hidden while TimerInterval is 0
    bool Enabled = true;
    bool On = false; // caption 3007 "Disable" while on, 3008 "Enable" while off
    bool operator==(const TimedOutputMenuState&) const = default;
};

/// What the owner of the runtime does for it: window captions and menus,
/// closing, the DDE client links, the hot keys and rebuilding for another
/// configuration. The running window or the headless runner implements it.
class RuntimeHost {
  public:
    virtual ~RuntimeHost() = default;
    /// The window caption ("Portivox - COM1", with " (S)" while suspended).
    virtual void SetCaption(const std::string& /*caption*/) {}
    /// Suspend / resume happened: the Suspend menu text (5001 or 3005) and
    /// whether Resume1 is shown follow `suspended`.
    virtual void SuspendChanged(bool /*suspended*/) {}
    virtual void TimedOutputMenu(const TimedOutputMenuState& /*menu*/) {}
    /// The window's Exit command (after "{APPEXIT}"). Called last in a
    /// PollTick, so it may stop and destroy the runtime.
    virtual void Exit() {}
    /// The command source and output buffer DDE client links.
    virtual void EstablishCommandLink() {}
    virtual void EstablishBufferLink() {}
    /// Registers the hot keys with the keyboard hook.
    virtual void RegisterHotKeys() {}
    /// A numbered system sound (the per-port "SpecialBeep").
    virtual void MessageBeep(int /*sound*/) {}
    /// Another configuration is about to be loaded into the run: the
    /// window's per-configuration controls go.
    virtual void BeforeReload() {}
    /// Closes the port and opens it again with the configuration's settings.
    virtual void ReopenPort() {}
    /// The run restarted with the new configuration: lay the window out.
    virtual void AfterReload() {}
};

} // namespace pv
