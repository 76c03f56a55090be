#include "serial/port.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "config/config.h"
#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

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
        if (UpperByte(name[i]) != "COM"[i]) return -1;
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

SerialPort::SerialPort(SerialDriver& driver, TickSource& ticks, MessageSink& messages)
    : driver_(driver), ticks_(ticks), messages_(messages) {}

bool SerialPort::OpenPort(const PortSettings& s) {
    // The mode-string step of other platforms has no counterpart here: the
    // driver's state is read and completed below.
    if (!driver_.Open(s.Device)) {
        const std::string why = driver_.WhyNotOpen();
        messages_.Show(s.Name + " " + Text(txt::DeviceNotAvailable) +
                           (why.empty() ? "" : "\n" + why),
                       Text(txt::DeviceErrorTitle), MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    auto fail = [&](const char* message) {
        messages_.Show(message, kAppTitle, MsgIcon::None, MsgButtons::Ok);
        driver_.Close();
        return false;
    };
    driver_.SetQueueSizes(s.InputBufferSize, s.OutputBufferSize);
    if (!driver_.SetTimeouts()) return fail("SetComTimeouts failed");
    LineSettings line;
    if (!driver_.GetState(line)) return fail("GetComState failed");
    line = s.Line;
    if (!driver_.SetState(line)) return fail("SetComState failed");
    return true;
}

bool SerialPort::ChangeLine(LineParameter parameter, int32_t value) {
    if (!driver_.IsOpen()) return false;
    LineSettings line;
    if (!driver_.GetState(line)) return false;
    switch (parameter) {
    case LineParameter::Baud: line.Baud = value; break;
    case LineParameter::Parity: line.Parity = value & 0xFF; break;
    case LineParameter::DataBits: line.DataBits = value; break;
    case LineParameter::StopBits: line.StopBits = value & 0xFF; break;
    }
    return driver_.SetState(line);
}

bool SerialPort::Refill(size_t wanted) {
    readPos_ = readEnd_ = 0;
    int got =
        driver_.Read(input_.data(), static_cast<int>(std::clamp<size_t>(wanted, 1, kReadBlock)));
    if (got <= 0) return false;
    readEnd_ = std::min(static_cast<size_t>(got), kReadBlock);
    return true;
}

bool SerialPort::Queue(const std::string& bytes) {
    return Append(bytes, false);
}

bool SerialPort::QueueTimed(const std::string& bytes) {
    return Append(bytes, true);
}

bool SerialPort::Append(const std::string& bytes, bool timed) {
    if (bytes.empty()) return true;
    size_t kept = pending_.size() - timedBytes_; // never dropped
    bool fits = bytes.size() <= kPendingOutputLimit - std::min(kept, kPendingOutputLimit);
    size_t over = pending_.size() + bytes.size() > kPendingOutputLimit
                      ? pending_.size() + bytes.size() - kPendingOutputLimit
                      : 0;
    if (over > 0 && (fits || timed)) {
        if (!dropReported_)
            messages_.Show("The device is not taking output: the oldest timed output is dropped "
                           "to keep the output queue within 1 MiB.",
                           "Portivox", MsgIcon::Exclamation, MsgButtons::Ok);
        dropReported_ = true;
        DropTimed(fits ? over : timedBytes_);
    }
    if (!fits) return false;
    uint64_t start = sent_ + pending_.size();
    pending_ += bytes;
    if (!timed) return true;
    timedBytes_ += bytes.size();
    TimedRun* last = timed_.empty() ? nullptr : &timed_.back();
    if (last && last->unit == bytes.size() && last->start + last->unit * last->count == start)
        ++last->count;
    else
        timed_.push_back({start, bytes.size(), 1});
    return true;
}

void SerialPort::DropTimed(size_t bytes) {
    size_t dropped = 0;
    while (dropped < bytes && !timed_.empty()) {
        TimedRun& run = timed_.front();
        size_t units = std::min(run.count, (bytes - dropped + run.unit - 1) / run.unit);
        size_t n = units * run.unit;
        pending_.erase(static_cast<size_t>(run.start - sent_), n);
        dropped += n;
        run.count -= units; // what is left of the run moved up to its start
        for (size_t i = 1; i < timed_.size(); ++i)
            timed_[i].start -= n;
        if (run.count == 0) timed_.pop_front();
    }
    timedBytes_ -= dropped;
}

bool SerialPort::QueueFile(const std::string& path) {
    // Only regular files: a FIFO or a device could block or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ec) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    long long room =
        static_cast<long long>(kQueueFileLimit) - static_cast<long long>(pending_.size());
    if (room < 0) return false;
    // Read one byte past the room so that a file that grew since the check
    // is still refused whole.
    std::string data(static_cast<size_t>(room) + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad()) return false;
    std::streamsize got = in.gcount();
    if (got > room) return false;
    data.resize(static_cast<size_t>(got));
    pending_ += data;
    return true;
}

void SerialPort::TransmitPending() {
    if (pending_.empty()) return;
    int size = static_cast<int>(std::min<size_t>(pending_.size(), std::numeric_limits<int>::max()));
    int written = driver_.Write(pending_.data(), size);
    if (written <= 0) return;
    size_t n = static_cast<size_t>(std::min(written, size));
    pending_.erase(0, n);
    sent_ += n;
    // Timed output once begun goes out whole: it is no longer droppable.
    while (!timed_.empty() && timed_.front().start < sent_) {
        TimedRun& run = timed_.front();
        size_t units =
            std::min(run.count, static_cast<size_t>(sent_ - run.start + run.unit - 1) / run.unit);
        run.count -= units;
        run.start += units * run.unit;
        timedBytes_ -= std::min(timedBytes_, units * run.unit);
        if (run.count == 0) timed_.pop_front();
    }
    if (pending_.empty()) {
        timed_.clear();
        timedBytes_ = 0;
        dropReported_ = false;
    }
}

bool SerialPort::Signal(LineSignal signal) {
    if (!driver_.HasLineSignals()) return false;
    switch (signal) {
    case LineSignal::PulseDtr:
        // The line goes up again on a later tick: nothing waits here.
        driver_.SetDtr(false);
        dtrPulse_ = true;
        dtrPulseStart_ = ticks_.TickCount();
        break;
    case LineSignal::RaiseDtr:
        dtrPulse_ = false;
        driver_.SetDtr(true);
        break;
    case LineSignal::LowerDtr:
        dtrPulse_ = false;
        driver_.SetDtr(false);
        break;
    case LineSignal::RaiseRts: driver_.SetRts(true); break;
    case LineSignal::LowerRts: driver_.SetRts(false); break;
    case LineSignal::Break:
        driver_.SetBreak(true);
        breakTicks_ = kBreakTicks;
        break;
    }
    return true;
}

void SerialPort::Tick() {
    if (breakTicks_ != 0 && --breakTicks_ == 0) driver_.SetBreak(false);
    if (dtrPulse_ && static_cast<uint32_t>(ticks_.TickCount() - dtrPulseStart_) >= kDtrPulseMs) {
        dtrPulse_ = false;
        driver_.SetDtr(true);
    }
}

void SerialPort::PurgePort() {
    readPos_ = readEnd_ = 0;
    driver_.Purge();
}

void SerialPort::ClosePort() {
    if (!driver_.IsOpen()) return;
    dtrPulse_ = false;
    breakTicks_ = 0;
    if (driver_.HasLineSignals()) {
        driver_.SetDtr(false);
        driver_.SetRts(false);
    }
    driver_.Close();
}

} // namespace pv
