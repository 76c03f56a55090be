#include "ui/virtual_device.h"

namespace pv {

VirtualDeviceWindow::VirtualDeviceWindow(VirtualSerialDriver& device, Config& config,
                                         QWidget* parent)
    : PortTestWindow(device, config, parent) {}

} // namespace pv
