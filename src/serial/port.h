#pragma once
// The one serial port of a run: its state, the queued output and the
// operations everything above reaches the device through. The operating
// system sits behind SerialDriver; Virtual Instrument mode needs none.
#include <cstdint>
#include <string>

#include "config/config.h"
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
};

/// A millisecond counter that wraps like a 32-bit tick count.
class TickSource {
  public:
    virtual ~TickSource() = default;
    virtual uint32_t TickCount() = 0;
};

/// Where Virtual Instrument mode shows what the program sends.
class VirtualDevice {
  public:
    virtual ~VirtualDevice() = default;
    virtual void ShowOutput(const std::string& maskedText) = 0;
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

/// The most that QueueFile lets PendingOutput grow to.
constexpr int kQueueFileLimit = 131000;

class SerialPort {
  public:
    SerialPort(Config& config, SerialDriver* driver, TickSource& ticks, MessageSink& messages,
               SettingsStore* store = nullptr);

    /// Opens and configures the port of the configuration; sets
    /// config.PortName. On failure one message has been shown; false.
    bool OpenPort();
    /// Run-time line changes. Each re-reads the driver state, changes one
    /// value and applies it; the setting follows only if the driver took it.
    /// Nothing is reported. A rate outside the baud table is applied but
    /// leaves BaudRate as it was; parity and stop bits use the low byte.
    void SetPortBaud(int32_t rate);
    void SetPortParity(int32_t code);
    void SetPortDataBits(int32_t bits);
    void SetPortStopBits(int32_t code);
    /// One byte into InByte without waiting: 1, or 0 when none is waiting
    /// (or on a read error). Virtual Instrument mode reads InputBuffer.
    int ReadPortByte();
    /// Writes PendingOutput; what the driver did not take stays queued, in
    /// order, ahead of anything appended later. Virtual Instrument mode
    /// shows it (NULs masked) in the Virtual window instead.
    void TransmitPending();
    /// DTR low for 155 ms, busy-waiting on the tick counter, then high.
    void PulseDtr();
    /// Sets BREAK and BreakDtrState = 2; BreakTick clears it.
    void StartBreak();
    /// The tick's BREAK countdown: clears BREAK when BreakDtrState reaches 0.
    void BreakTick();
    void RaiseDtr();
    void LowerDtr();
    void RaiseRts();
    void LowerRts();
    /// Drops the driver's queues and InputBuffer (PendingOutput stays).
    void PurgePort();
    /// Appends a whole file to PendingOutput if the queue stays within
    /// kQueueFileLimit; false (queue unchanged) if too large or unreadable.
    bool QueueFile(const std::string& path);
    /// Lowers DTR and RTS, then closes.
    void ClosePort();

    bool IsVirtual() const { return config_.RunMode == RunVirtual; }

    int CommHandle = -1; // >= 0 while open
    unsigned char InByte = 0;
    std::string PendingOutput;
    std::string InputBuffer;
    int16_t BreakDtrState = 0;
    VirtualDevice* Virtual = nullptr;
    /// Overrides the COM-number mapping for this run (command line --port).
    std::string DeviceOverride;

  private:
    /// True when calls reach a real driver (not Virtual Instrument mode).
    bool Driven() const;
    template <typename Change> bool ChangeLine(Change change);

    Config& config_;
    SerialDriver* driver_;
    TickSource& ticks_;
    MessageSink& messages_;
    SettingsStore* store_;
};

} // namespace pv
