#pragma once
// The device of Virtual Instrument mode: no port, the user plays the device.
// What the device window (or `portivox run --virtual`) pushes is the input;
// what the program sends is reported, NULs masked, to the listener. Without
// a listener nothing is taken, so output waits queued until one is there.
// It has no modem lines and no BREAK.
#include <functional>
#include <string>

#include "serial/port.h"

namespace pv {

class VirtualSerialDriver : public SerialDriver {
  public:
    using Listener = std::function<void(const std::string& maskedText)>;

    /// Input the device sends; false (nothing taken) past the bound.
    bool Push(const std::string& bytes);
    /// Bytes pushed and not read yet.
    size_t Waiting() const { return input_.size() - readPos_; }
    void SetListener(Listener listener) { listener_ = std::move(listener); }

    bool Open(const std::string&) override { return open_ = true; }
    bool IsOpen() const override { return open_; }
    void SetQueueSizes(int32_t, int32_t) override {}
    bool SetTimeouts() override { return true; }
    bool GetState(LineSettings& out) override {
        out = line_;
        return true;
    }
    bool SetState(const LineSettings& in) override {
        line_ = in;
        return true;
    }
    int Read(unsigned char* buffer, int size) override;
    int Write(const char* data, int size) override;
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    void Purge() override;
    void Close() override { open_ = false; }
    bool HasLineSignals() const override { return false; }

    /// The most input that can wait.
    static constexpr size_t kInputLimit = 16u << 20;

  private:
    std::string input_;
    size_t readPos_ = 0;
    Listener listener_;
    LineSettings line_;
    bool open_ = false;
};

} // namespace pv
