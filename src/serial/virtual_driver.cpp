#include "serial/virtual_driver.h"

#include <algorithm>
#include <cstring>

namespace pv {

bool VirtualSerialDriver::Push(const std::string& bytes) {
    if (bytes.size() > kInputLimit - std::min(Waiting(), kInputLimit)) return false;
    if (readPos_ > 0 && readPos_ >= input_.size() / 2) {
        input_.erase(0, readPos_);
        readPos_ = 0;
    }
    input_ += bytes;
    return true;
}

int VirtualSerialDriver::Read(unsigned char* buffer, int size) {
    if (size <= 0) return 0;
    size_t n = std::min(Waiting(), static_cast<size_t>(size));
    if (n == 0) return 0;
    std::memcpy(buffer, input_.data() + readPos_, n);
    readPos_ += n;
    if (readPos_ == input_.size()) {
        input_.clear();
        readPos_ = 0;
    }
    return static_cast<int>(n);
}

int VirtualSerialDriver::Write(const char* data, int size) {
    if (!listener_ || size <= 0) return 0;
    listener_(MaskNuls(std::string(data, static_cast<size_t>(size))));
    return size;
}

void VirtualSerialDriver::Purge() {
    input_.clear();
    readPos_ = 0;
}

} // namespace pv
