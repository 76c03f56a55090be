#include "serial/port.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "text/strings.h"

namespace pv {

namespace {

constexpr uint32_t kDtrPulseMs = 155;
constexpr int16_t kBreakTicks = 2;
const char* const kAppTitle = "Portivox";

} // namespace

std::string DevicePathFor(int16_t commPort, SettingsStore* store) {
    std::string key = PortNameOf(commPort);
    if (store) {
        std::string mapped = store->Get("Ports", key);
        if (!mapped.empty()) return mapped;
    }
    return "/dev/ttyS" + std::to_string(commPort);
}

int16_t CommPortFromName(const std::string& name) {
    if (name.size() < 4 || name.size() > 5) return -1;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return -1;
    if (name[3] == '0') return -1;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n >= 1 && n <= kMaxComNumber ? static_cast<int16_t>(n - 1) : -1;
}

std::string MaskNuls(std::string text) {
    for (char& c : text)
        if (c == '\0') c = static_cast<char>(0xFF);
    return text;
}

int BaudRateIndex(int32_t rate) {
    for (int16_t i = 0; i <= 11; ++i)
        if (BaudRateValue(i) == rate) return i;
    return -1;
}

SerialPort::SerialPort(Config& config, SerialDriver* driver, TickSource& ticks,
                       MessageSink& messages, SettingsStore* store)
    : config_(config), driver_(driver), ticks_(ticks), messages_(messages), store_(store) {}

bool SerialPort::Driven() const {
    return driver_ != nullptr && !IsVirtual();
}

bool SerialPort::OpenPort() {
    // The mode-string step of other platforms has no counterpart here: the
    // driver's state is read and completed below.
    config_.PortName = PortNameOf(config_.CommPort);
    std::string path =
        DeviceOverride.empty() ? DevicePathFor(config_.CommPort, store_) : DeviceOverride;

    if (driver_ == nullptr || !driver_->Open(path)) {
        CommHandle = -1;
        messages_.Show(config_.PortName + " " + Text(4030), Text(4031), MsgIcon::Exclamation,
                       MsgButtons::Ok);
        return false;
    }
    CommHandle = driver_->Handle();
    if (CommHandle < 0) CommHandle = 0;

    auto fail = [&](const char* message) {
        messages_.Show(message, kAppTitle, MsgIcon::None, MsgButtons::Ok);
        driver_->Close();
        return false;
    };

    driver_->SetQueueSizes(config_.InputBufferSize, config_.OutputBufferSize);
    if (!driver_->SetTimeouts()) return fail("SetComTimeouts failed");
    LineSettings line;
    if (!driver_->GetState(line)) return fail("GetComState failed");
    line.Baud = BaudRateValue(config_.BaudRate);
    line.DataBits = config_.DataBits + 5;
    line.Parity = config_.Parity;
    line.StopBits = config_.StopBits;
    line.FlowControl = config_.FlowControl;
    if (!driver_->SetState(line)) return fail("SetComState failed");
    return true;
}

template <typename Change> bool SerialPort::ChangeLine(Change change) {
    if (driver_ == nullptr || !driver_->IsOpen()) return false;
    LineSettings line;
    if (!driver_->GetState(line)) return false;
    change(line);
    return driver_->SetState(line);
}

void SerialPort::SetPortBaud(int32_t rate) {
    if (!ChangeLine([&](LineSettings& l) { l.Baud = rate; })) return;
    int index = BaudRateIndex(rate);
    if (index >= 0) config_.BaudRate = static_cast<int16_t>(index);
}

void SerialPort::SetPortParity(int32_t code) {
    int parity = code & 0xFF;
    if (ChangeLine([&](LineSettings& l) { l.Parity = parity; }))
        config_.Parity = static_cast<int16_t>(parity);
}

void SerialPort::SetPortDataBits(int32_t bits) {
    if (ChangeLine([&](LineSettings& l) { l.DataBits = bits; }))
        config_.DataBits = static_cast<int16_t>(bits - 5);
}

void SerialPort::SetPortStopBits(int32_t code) {
    int stop = code & 0xFF;
    if (ChangeLine([&](LineSettings& l) { l.StopBits = stop; }))
        config_.StopBits = static_cast<int16_t>(stop);
}

int SerialPort::ReadPortByte() {
    if (IsVirtual()) {
        if (InputBuffer.empty()) return 0;
        InByte = static_cast<unsigned char>(InputBuffer.front());
        InputBuffer.erase(0, 1);
        return 1;
    }
    if (driver_ == nullptr) return 0;
    unsigned char byte = 0;
    if (driver_->Read(&byte, 1) != 1) return 0;
    InByte = byte;
    return 1;
}

void SerialPort::TransmitPending() {
    if (PendingOutput.empty()) return;
    if (IsVirtual()) {
        // Without a device window there is nowhere to show it yet; keep it.
        if (Virtual == nullptr) return;
        Virtual->ShowOutput(MaskNuls(PendingOutput));
        PendingOutput.clear();
        return;
    }
    if (driver_ == nullptr) return;
    int size =
        static_cast<int>(std::min<size_t>(PendingOutput.size(), std::numeric_limits<int>::max()));
    int written = driver_->Write(PendingOutput.data(), size);
    if (written >= size) {
        PendingOutput.clear();
    } else if (written > 0) {
        PendingOutput.erase(0, static_cast<size_t>(written));
    }
}

void SerialPort::PulseDtr() {
    if (!Driven()) return;
    driver_->SetDtr(false);
    uint32_t start = ticks_.TickCount();
    // Deliberately blocking: the line must stay low for the whole pulse.
    while (static_cast<uint32_t>(ticks_.TickCount() - start) < kDtrPulseMs) {
    }
    driver_->SetDtr(true);
}

void SerialPort::StartBreak() {
    if (!Driven()) return;
    driver_->SetBreak(true);
    BreakDtrState = kBreakTicks;
}

void SerialPort::BreakTick() {
    if (BreakDtrState == 0) return;
    if (--BreakDtrState == 0 && driver_ != nullptr) driver_->SetBreak(false);
}

void SerialPort::RaiseDtr() {
    if (Driven()) driver_->SetDtr(true);
}

void SerialPort::LowerDtr() {
    if (Driven()) driver_->SetDtr(false);
}

void SerialPort::RaiseRts() {
    if (Driven()) driver_->SetRts(true);
}

void SerialPort::LowerRts() {
    if (Driven()) driver_->SetRts(false);
}

void SerialPort::PurgePort() {
    if (Driven()) driver_->Purge();
    InputBuffer.clear();
}

bool SerialPort::QueueFile(const std::string& path) {
    // Only regular files: a FIFO or a device could block or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    long long room =
        static_cast<long long>(kQueueFileLimit) - static_cast<long long>(PendingOutput.size());
    if (room < 0) return false;
    // Read one byte past the room so that a file that grew since the check
    // is still refused whole.
    std::string data(static_cast<size_t>(room) + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad()) return false;
    std::streamsize got = in.gcount();
    if (got > room) return false;
    data.resize(static_cast<size_t>(got));
    PendingOutput += data;
    return true;
}

void SerialPort::ClosePort() {
    if (!Driven()) return;
    driver_->SetDtr(false);
    driver_->SetRts(false);
    driver_->Close();
    CommHandle = -1;
}

} // namespace pv
