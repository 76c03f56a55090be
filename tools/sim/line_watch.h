#pragma once
// What the simulated instrument can see of the port on the other side of a
// pseudo-terminal: its line settings. (A pty has no modem lines and frames
// every byte as 8 data bits without parity.)
#include <string>

namespace pv::sim {

struct LineView {
    unsigned baud = 0;
    bool twoStopBits = false;
    bool xonXoff = false;
    bool hardware = false;
    bool operator==(const LineView&) const = default;
};

/// The settings of the pty pair, read through either side.
bool ReadLineView(int fd, LineView& out);

/// Sets any rate (termios2) on the pty, other settings unchanged.
bool SetLineSpeed(int fd, unsigned baud);

std::string Describe(const LineView& view);

} // namespace pv::sim
