#pragma once
// The port test terminal's working state: its own poll tick on an open port
// (the Opto-RS query, the BREAK countdown, the write step, the reads), the
// received bytes kept exactly as they came for Save Capture, and the hex
// view, where each pause in the data starts a new time-stamped line.
//
//   pv::PortTerminal term(port, config, clock);
//   every 50 ms: term.Service(); ...counters...; shown += term.Read();
//   term.HexView();                           // the same bytes in hex
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/config.h"
#include "runtime/interfaces.h"
#include "serial/port.h"

namespace pv {

/// "Port Analyze - COM1:9600,Even,7,1" (UTF-8, current language).
std::string PortTestCaption(const Config& config);

/// Bytes as the input box shows them: each through the pre-input table when
/// `translate` (an entry of one NUL shows 255, "Ignore" nothing, "Void
/// Record" the byte itself), otherwise the byte with NUL shown as 255.
std::string ShownBytes(std::string_view bytes, const ByteTable& preInput, bool translate);

class PortTerminal {
  public:
    static constexpr uint32_t kTickMs = 50;
    /// Bytes kept for the capture; beyond it the oldest go.
    static constexpr size_t kCaptureLimit = 8u << 20;
    /// Bytes read in one tick at most, so a flood cannot stall the window.
    static constexpr int kReadsPerTick = 65536;

    /// `port` may be null (the virtual device role: no port, no tick).
    PortTerminal(SerialPort* port, const Config& config, Clock& clock);

    /// Pre-input translation of what is shown (the check box).
    bool Translate = false;

    /// The first steps of a tick of the window's timer: the Opto-RS query,
    /// the BREAK countdown, the write step.
    void Service();
    /// The last step: every byte waiting (up to kReadsPerTick); returns the
    /// text the input box gains.
    std::string Read();
    /// Bytes that arrived from elsewhere (the program's output, in the
    /// virtual device role): kept like received ones; returns the shown text.
    std::string Received(std::string_view bytes);
    /// Empties the capture.
    void Clear();

    /// Every byte received since the last Clear (within kCaptureLimit).
    const std::string& Capture() const { return capture_; }
    /// One line group per burst: "hh:mm:ss  +gap ms", then rows of up to
    /// 16 bytes as hex digits beside their characters. Only the last
    /// `maxBytes` of the capture are drawn.
    std::string HexView(size_t maxBytes = 65536) const;
    /// Bytes received since the terminal was made (Clear does not reset it).
    uint64_t ReceivedTotal() const { return total_; }
    /// Bursts kept (a pause in the data starts the next).
    size_t Bursts() const { return bursts_.size(); }

  private:
    struct Burst {
        size_t Offset; // into capture_
        DateTime Time;
        uint32_t GapMs; // since the end of the burst before; 0 for the first
    };
    void Keep(std::string_view bytes);

    SerialPort* port_;
    const Config& config_;
    Clock& clock_;
    std::string capture_;
    std::vector<Burst> bursts_;
    uint64_t total_ = 0;
    uint32_t lastData_ = 0;
    int pendingCrs_ = 0;
    bool optoQuerySent_ = false;
};

} // namespace pv
