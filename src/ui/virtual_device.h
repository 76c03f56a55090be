#pragma once
// The virtual serial device of Virtual Instrument mode: the port test
// terminal in its second role. What the user sends becomes the run's input;
// what the running window sends to the "port" is shown in the box. Closing
// it ends the run (RunSession listens to closed()).
#include "ui/port_test_window.h"

namespace pv {

class VirtualSerialDriver;

class VirtualDeviceWindow : public ui::PortTestWindow {
    Q_OBJECT
  public:
    /// Listens to `device` for the program's output while it lives.
    VirtualDeviceWindow(VirtualSerialDriver& device, Config& config, QWidget* parent = nullptr);
};

} // namespace pv
