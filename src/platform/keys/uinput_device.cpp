#include "platform/keys/uinput_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "text/text_ids.h"

namespace pv::keys {

int UinputDevice::Check(const char* path) {
    if (access(path, F_OK) != 0) return txt::ReasonNoUinput;
    if (access(path, W_OK) != 0) return txt::ReasonUinputDenied;
    return 0;
}

std::unique_ptr<UinputDevice> UinputDevice::Create(const char* path, int& reason,
                                                   std::string& detail) {
    if ((reason = Check(path)) != 0) return nullptr;
    const int fd = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    auto fail = [&]() {
        reason = txt::ReasonUinputFails;
        detail = std::strerror(errno);
        if (fd >= 0) close(fd);
        return nullptr;
    };
    if (fd < 0) return fail();
    if (ioctl(fd, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(fd, UI_SET_EVBIT, EV_SYN) < 0) return fail();
    for (int key = 1; key < 248; ++key)
        if (ioctl(fd, UI_SET_KEYBIT, key) < 0) return fail();
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    setup.id.vendor = 0x1;
    setup.id.product = 0x1;
    std::strncpy(setup.name, "Portivox virtual keyboard", UINPUT_MAX_NAME_SIZE - 1);
    if (ioctl(fd, UI_DEV_SETUP, &setup) < 0 || ioctl(fd, UI_DEV_CREATE) < 0) return fail();
    return std::unique_ptr<UinputDevice>(new UinputDevice(fd));
}

UinputDevice::~UinputDevice() {
    ioctl(fd_, UI_DEV_DESTROY);
    close(fd_);
}

bool UinputDevice::Write(uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return write(fd_, &event, sizeof event) == ssize_t(sizeof event);
}

} // namespace pv::keys
