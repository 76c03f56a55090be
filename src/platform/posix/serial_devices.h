#pragma once
// The serial devices of this computer, for choosing the device of a COM number.
#include <string>
#include <vector>

namespace pv {

/// Device nodes that look like serial ports: stable names under
/// /dev/serial/by-id first, then USB and ACM adapters, on-chip UARTs and
/// Bluetooth links, then the on-board ports (ttySn) that have a device
/// behind them in /sys. Numbers sort naturally (ttyUSB2 before ttyUSB10).
/// `root` is prefixed to every path looked at (tests).
std::vector<std::string> ListSerialDevices(const std::string& root = "");

/// `path` for a person: a /dev/serial/by-id name gets the adapter's product
/// as its maker wrote it into the name ("/dev/serial/by-id/usb-FTDI_FT232R_
/// USB_UART_A5-if00-port0 (FTDI FT232R USB UART A5)"); others stay as they are.
std::string SerialDeviceLabel(const std::string& path);

} // namespace pv
