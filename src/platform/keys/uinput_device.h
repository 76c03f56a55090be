#pragma once
// A keyboard device made through the kernel's uinput module: every program
// of every desktop (and the console) sees its keys as a real keyboard's.
#include <memory>
#include <string>

#include "output/keystroke_uinput.h"

namespace pv::keys {

class UinputDevice : public InputEventWriter {
  public:
    /// Whether `path` can be opened for writing: 0, else the text number
    /// of the reason.
    static int Check(const char* path);
    /// Creates the device; null, with the reason's text number and detail,
    /// when that fails.
    static std::unique_ptr<UinputDevice> Create(const char* path, int& reason, std::string& detail);
    ~UinputDevice() override;
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;

    bool Write(uint16_t type, uint16_t code, int32_t value) override;

  private:
    explicit UinputDevice(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace pv::keys
