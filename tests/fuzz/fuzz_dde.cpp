// Feeds arbitrary command texts to the DDE command interpreter, one per
// line, over a runtime on a do-nothing port. "@A" and "@B" in the input
// stand for a small and a limit-sized file, so "{SENDFILE(" gets exercised.
// Checked: no crash, no hang, and "{SENDFILE(" never takes the queue past
// its limit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "output/dde_interpreter.h"
#include "output/dde_items.h"
#include "runtime/runtime.h"
#include "serial/port.h"

namespace {

class NullDriver : public pv::SerialDriver {
  public:
    bool Open(const std::string&) override { return open_ = true; }
    bool IsOpen() const override { return open_; }
    void SetQueueSizes(int32_t, int32_t) override {}
    bool SetTimeouts() override { return true; }
    bool GetState(pv::LineSettings& out) override {
        out = state_;
        return true;
    }
    bool SetState(const pv::LineSettings& in) override {
        state_ = in;
        return true;
    }
    int Read(unsigned char*, int) override { return 0; }
    int Write(const char*, int size) override { return size; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    void Purge() override {}
    void Close() override { open_ = false; }

  private:
    bool open_ = false;
    pv::LineSettings state_;
};

// Every reading moves a second on, so a DTR pulse ends at the next tick.
class FastClock : public pv::Clock {
  public:
    uint32_t TickCount() override { return now_ += 1000; }
    pv::DateTime Now() override { return {2024, 1, 2, 3, 4, 5}; }

  private:
    uint32_t now_ = 0;
};

struct Rig {
    pv::Config config;
    FastClock clock;
    pv::SilentMessages messages;
    pv::MemorySettingsStore store;
    NullDriver driver;
    pv::DdeItems items;
    pv::SerialPort port{driver, clock, messages};
    pv::Runtime runtime{config, port, clock, messages, store, {&items, nullptr, nullptr}};
    pv::CommandInterpreter commands{config, runtime, clock, messages, items};
    std::string small, big;

    Rig() {
        config.RunMode = pv::RunNormal;
        config.OutputMode = pv::DdeServer;
        config.FieldCount = 4;
        config.OutputStringCaption[1] = "A";
        config.OutputStringText[1] = "a";
        port.OpenPort(pv::PortSettingsOf(config, &store, "/dev/null"));
        runtime.Start();
        small = "/tmp/portivox_fuzz_dde_small";
        big = "/tmp/portivox_fuzz_dde_big";
        std::ofstream(small, std::ios::binary) << "0123456789";
        std::ofstream(big, std::ios::binary) << std::string(pv::kQueueFileLimit - 5, 'x');
    }
};

void Replace(std::string& text, const std::string& what, const std::string& with) {
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
        text.replace(at, what.size(), with);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Rig rig;
    std::string input(reinterpret_cast<const char*>(data), size);
    Replace(input, "@A", rig.small);
    Replace(input, "@B", rig.big);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string command = input.substr(start, end - start);
        start = end + 1;

        size_t before = rig.port.PendingOutput().size();
        bool sendFile = pv::PrepareCommand(command).Cmd.rfind("{SENDFILE(", 0) == 0;
        bool accepted = rig.commands.Execute(command);
        size_t after = rig.port.PendingOutput().size();
        if (sendFile && ((accepted && after > size_t(pv::kQueueFileLimit) && after > before) ||
                         (!accepted && after != before)))
            std::abort();
        if (after > pv::kPendingOutputLimit) std::abort();
        rig.runtime.PollTick(); // the driver takes everything: the queue empties
    }
    return 0;
}
