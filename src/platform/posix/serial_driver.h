#pragma once
// The serial driver for Linux: a tty device (a UART, a USB adapter, a
// pseudo-terminal) driven through termios on a non-blocking descriptor.
#include <array>
#include <string>

#include "serial/port.h"

namespace pv {

class PosixSerialDriver : public SerialDriver {
  public:
    PosixSerialDriver() = default;
    ~PosixSerialDriver() override;
    PosixSerialDriver(const PosixSerialDriver&) = delete;
    PosixSerialDriver& operator=(const PosixSerialDriver&) = delete;

    /// Whether the open device is a pseudo-terminal, which takes any line
    /// settings but always frames as 8 data bits without parity.
    bool IsPseudoTerminal() const { return pty_; }
    /// Opens `device` read/write, non-blocking, without becoming its
    /// controlling terminal, and claims it exclusively (TIOCEXCL and an
    /// advisory lock). False if it is missing, not accessible or in use.
    bool Open(const std::string& device) override;
    /// The device and the cause of the last failed Open.
    std::string WhyNotOpen() const override { return why_; }
    bool IsOpen() const override { return fd_ >= 0; }
    /// The file descriptor, -1 when closed.
    int Handle() const override { return fd_; }
    /// The kernel's queues have fixed sizes: only remembered.
    void SetQueueSizes(int32_t input, int32_t output) override;
    /// Makes reads return at once; false if the device is not a terminal.
    bool SetTimeouts() override;
    /// The current line settings. Mark/space parity comes from CMSPAR;
    /// Opto-RS and 1.5 stop bits, which termios cannot express, are
    /// reported as last set.
    bool GetState(LineSettings& out) override;
    /// Raw mode with the given line settings. Any rate is accepted: rates
    /// without a Bnnn constant (14400, 128000) go through termios2/BOTHER.
    /// 1.5 stop bits are taken as 2. Then DTR is raised and RTS raised, or
    /// held low for Opto-RS. False if the device refuses or silently drops
    /// a setting (e.g. mark parity on a UART without CMSPAR).
    bool SetState(const LineSettings& in) override;
    /// Serves from an internal buffer refilled with one read(2) of up to
    /// 4 KiB, so byte-at-a-time callers cost few system calls.
    int Read(unsigned char* buffer, int size) override;
    /// One write(2); 0 when the device's queue is full.
    int Write(const char* data, int size) override;
    /// Modem lines and BREAK; devices without them (ptys) are ignored.
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void SetBreak(bool on) override;
    /// Discards both kernel queues and the internal read buffer.
    void Purge() override;
    void Close() override;
    /// Also when the node opened no longer exists or now names another
    /// device (an adapter plugged back in under a new number). A poll and a
    /// stat: cheap enough for every tick.
    int Lost() override;

    /// The last settings applied by SetState.
    const LineSettings& Applied() const { return applied_; }

  private:
    void ModemLine(int bit, bool on);
    void NoteError(int err);

    int fd_ = -1;
    std::string why_;
    std::string path_; // as given: a by-id link is followed anew each time
    unsigned long long rdev_ = 0;
    int lost_ = 0;
    int32_t inputQueue_ = 0;
    int32_t outputQueue_ = 0;
    bool pty_ = false;
    LineSettings applied_{};
    bool haveApplied_ = false;
    unsigned lastCflag_ = 0;
    std::array<unsigned char, 4096> buffer_{};
    int bufferPos_ = 0;
    int bufferLen_ = 0;
};

} // namespace pv
