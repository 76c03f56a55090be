#pragma once
// The one serial port of a run: the queued output and the operations
// everything above reaches the device through. The device sits behind a
// SerialDriver: a tty (platform/posix) or the virtual device of Virtual
// Instrument mode (serial/virtual_driver.h). The port knows nothing of the
// configuration: it is opened with line settings and a device path and
// says whether each run-time change was taken.
#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "config/config.h" // PortNameOf, for the device mapping
#include "config/settings_store.h"
#include "text/messages.h"

namespace pv {

/// Line parameters as the configuration stores them.
struct LineSettings {
    int32_t Baud = 9600; // bits per second
    int DataBits = 8;    // 5..8
    int Parity = 0;      // 0 None, 1 Odd, 2 Even, 3 Mark, 4 Space
    int StopBits = 0;    // 0 = 1, 1 = 1.5, 2 = 2
    int FlowControl = 0; // 0 None, 1 Xon/Xoff, 2 Hardware, 3 Opto-RS (RTS held low)
};

/// One open device at a time. Every call returns at once; results are values.
class SerialDriver {
  public:
    virtual ~SerialDriver() = default;
    /// Opens the device for exclusive, non-blocking use in raw mode.
    virtual bool Open(const std::string& device) = 0;
    /// After a failed Open: the device and the cause, in a sentence.
    virtual std::string WhyNotOpen() const { return {}; }
    virtual bool IsOpen() const = 0;
    /// A number identifying the open device (a file descriptor); -1 if none.
    virtual int Handle() const { return IsOpen() ? 0 : -1; }
    /// Queue sizes; a hint the driver may ignore.
    virtual void SetQueueSizes(int32_t input, int32_t output) = 0;
    /// Reads return at once with what is waiting; writes wait for no time limit.
    virtual bool SetTimeouts() = 0;
    virtual bool GetState(LineSettings& out) = 0;
    virtual bool SetState(const LineSettings& in) = 0;
    /// Up to `size` bytes; 0 when nothing is waiting or on error.
    virtual int Read(unsigned char* buffer, int size) = 0;
    /// Bytes the driver accepted (may be fewer than offered; -1 on error).
    virtual int Write(const char* data, int size) = 0;
    virtual void SetDtr(bool on) = 0;
    virtual void SetRts(bool on) = 0;
    virtual void SetBreak(bool on) = 0;
    /// Drops both queues.
    virtual void Purge() = 0;
    virtual void Close() = 0;
    /// 0 while the open device is usable; once it has gone away (hang-up,
    /// unplugged, node removed) the error number that says so.
    virtual int Lost() { return 0; }
    /// False for a device without modem lines and BREAK (the virtual device):
    /// the port then refuses the line commands.
    virtual bool HasLineSignals() const { return true; }
};

/// A millisecond counter that wraps like a 32-bit tick count.
class TickSource {
  public:
    virtual ~TickSource() = default;
    virtual uint32_t TickCount() = 0;
};

/// Device node of a COM number: the store's "Ports"/"COMn" entry, else
/// /dev/ttyS<n-1>.
std::string DevicePathFor(int16_t commPort, SettingsStore* store);

/// CommPort of a port name "COM1".."COM99" (any letter case, no leading
/// zeros); -1 for anything else.
int16_t CommPortFromName(const std::string& name);

/// Highest COM number the program offers.
constexpr int kMaxComNumber = 99;

/// Every NUL replaced by the character 255, for display.
std::string MaskNuls(std::string text);

/// Index in the baud table of a rate in bits per second; -1 if not there.
int BaudRateIndex(int32_t rate);

/// The most that QueueFile lets the queued output grow to.
constexpr int kQueueFileLimit = 131000;
/// The most the queued output holds. Past it the oldest timed output makes
/// room; an append that still does not fit is refused whole.
constexpr size_t kPendingOutputLimit = 1u << 20;
/// How long a DTR pulse holds the line low, at least.
constexpr uint32_t kDtrPulseMs = 155;

/// What OpenPort needs: where the device is and how to set its line.
struct PortSettings {
    std::string Name;   // "COM1": the messages name the port by it
    std::string Device; // the device node to open
    LineSettings Line;
    int32_t InputBufferSize = 4096;
    int32_t OutputBufferSize = 1024;
};

/// The run-time line changes.
enum class LineParameter { Baud, Parity, DataBits, StopBits };

/// The line-signal commands; refused where the device has no lines.
enum class LineSignal { PulseDtr, RaiseDtr, LowerDtr, RaiseRts, LowerRts, Break };

class SerialPort {
  public:
    SerialPort(SerialDriver& driver, TickSource& ticks, MessageSink& messages);

    /// Opens and configures the device. On failure one message has been
    /// shown; false.
    bool OpenPort(const PortSettings& settings);
    /// Re-reads the driver state, changes one value and applies it. True
    /// when the driver took it (the caller keeps the setting then); nothing
    /// is reported. Parity and stop bits use the low byte.
    bool ChangeLine(LineParameter parameter, int32_t value);
    /// One byte without waiting: true and `byte` set, or false when none is
    /// waiting (or on a read error). The driver is read a block at a time,
    /// at most `wanted` bytes (what the caller will still take, this byte
    /// included); bytes read ahead come out first, in order, on later calls.
    bool ReadPortByte(unsigned char& byte, size_t wanted = 1) {
        if (readPos_ == readEnd_ && !Refill(wanted)) return false;
        byte = input_[readPos_++];
        return true;
    }
    /// Bytes read from the driver and not handed out yet; the view lasts
    /// until the next call that reads, purges or closes.
    std::string_view InputHeld() const {
        return {reinterpret_cast<const char*>(input_.data()) + readPos_, readEnd_ - readPos_};
    }
    /// Hands out the first `n` bytes of InputHeld() without copying them.
    void SkipInput(size_t n) { readPos_ += std::min(n, readEnd_ - readPos_); }
    /// Appends to the queued output; false (nothing queued) past
    /// kPendingOutputLimit.
    bool Queue(const std::string& bytes);
    /// Timed output: the first to go when the device stops taking output.
    /// The first drop is reported once, until the queue empties again.
    bool QueueTimed(const std::string& bytes);
    /// Appends a whole file if the queue stays within kQueueFileLimit; false
    /// (queue unchanged) if too large or unreadable.
    bool QueueFile(const std::string& path);
    /// Writes the queued output; what the driver did not take stays queued,
    /// in order, ahead of anything appended later.
    void TransmitPending();
    /// The line commands. False (nothing done) when the device has none.
    /// PulseDtr lowers DTR and Tick raises it again once kDtrPulseMs have
    /// passed; Break holds BREAK until the second Tick.
    bool Signal(LineSignal signal);
    /// The per-tick countdowns of BREAK and of a DTR pulse.
    void Tick();
    /// Drops the driver's queues and the bytes read ahead (the queued output
    /// stays).
    void PurgePort();
    /// Lowers DTR and RTS, then closes.
    void ClosePort();

    bool IsOpen() const { return driver_.IsOpen(); }
    bool HasLineSignals() const { return driver_.HasLineSignals(); }
    const std::string& PendingOutput() const { return pending_; }
    bool BreakActive() const { return breakTicks_ != 0; }
    bool DtrPulseActive() const { return dtrPulse_; }

  private:
    SerialDriver& driver_;
    TickSource& ticks_;
    MessageSink& messages_;
    bool Refill(size_t wanted);
    bool Append(const std::string& bytes, bool timed);
    /// Frees `bytes` of timed output, oldest first, whole strings at a time.
    void DropTimed(size_t bytes);

    // Where timed output sits in pending_: `count` strings of `unit` bytes
    // from `start`, counted in bytes ever transmitted (sent_) plus offset.
    struct TimedRun {
        uint64_t start;
        size_t unit;
        size_t count;
    };
    // Input read ahead: a driver call per block instead of per byte. Kept
    // across a close, as the device's own queue would keep it.
    static constexpr size_t kReadBlock = 4096;
    std::array<unsigned char, kReadBlock> input_;
    size_t readPos_ = 0;
    size_t readEnd_ = 0;
    std::string pending_;
    std::deque<TimedRun> timed_;
    size_t timedBytes_ = 0;
    uint64_t sent_ = 0;
    bool dropReported_ = false;
    int16_t breakTicks_ = 0;
    bool dtrPulse_ = false;
    uint32_t dtrPulseStart_ = 0;
};

} // namespace pv
