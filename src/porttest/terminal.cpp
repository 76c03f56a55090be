#include "porttest/terminal.h"

#include <algorithm>
#include <cstdio>

#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

std::string PortTestCaption(const Config& c) {
    static const char* kStopBits[] = {"1", "1.5", "2"};
    std::string parity = Text(txt::NoneEntry + std::clamp<int>(c.Parity, 0, 4));
    parity.erase(std::remove(parity.begin(), parity.end(), '&'), parity.end());
    return Text(txt::PortAnalyze) + " - " + PortNameOf(c.CommPort) + ":" +
           std::to_string(BaudRateValue(c.BaudRate)) + "," + parity + "," +
           std::to_string(std::clamp<int>(c.DataBits, 0, 3) + 5) + "," +
           kStopBits[std::clamp<int>(c.StopBits, 0, 2)];
}

std::string ShownBytes(std::string_view bytes, const ByteTable& preInput, bool translate) {
    std::string shown;
    shown.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!translate) {
            shown += b == 0 ? '\xFF' : c;
            continue;
        }
        const std::string& entry = preInput[b];
        if (entry.size() == 1 && entry[0] == '\0')
            shown += '\xFF';
        else if (entry == "Ignore")
            continue;
        else if (entry == "Void Record")
            shown += c;
        else
            shown += entry;
    }
    return shown;
}

PortTerminal::PortTerminal(SerialPort* port, const Config& config, Clock& clock)
    : port_(port), config_(config), clock_(clock) {}

void PortTerminal::Service() {
    if (!port_) return;
    if (config_.FlowControl == FlowOptoRs) {
        // The device answers each query with a line of its own: every other
        // CR is such an answer and asks nothing.
        for (; pendingCrs_ > 0; --pendingCrs_) {
            if (!optoQuerySent_) port_->Queue("?\r");
            optoQuerySent_ = !optoQuerySent_;
        }
    }
    pendingCrs_ = 0;
    port_->Tick();
    port_->TransmitPending();
}

std::string PortTerminal::Read() {
    if (!port_) return {};
    std::string bytes;
    unsigned char b = 0;
    while (static_cast<int>(bytes.size()) < kReadsPerTick &&
           port_->ReadPortByte(b, kReadsPerTick - bytes.size())) {
        bytes += static_cast<char>(b);
        if (b == '\r') ++pendingCrs_;
    }
    if (bytes.empty()) return {};
    return Received(bytes);
}

std::string PortTerminal::Received(std::string_view bytes) {
    if (bytes.empty()) return {};
    Keep(bytes);
    return ShownBytes(bytes, config_.PreInputTable, Translate);
}

void PortTerminal::Keep(std::string_view bytes) {
    const uint32_t now = clock_.TickCount();
    // More than one tick without data is a pause.
    const uint32_t gap = now - lastData_;
    if (bursts_.empty() || gap > kTickMs + kTickMs / 2)
        bursts_.push_back({capture_.size(), clock_.Now(), bursts_.empty() ? 0 : gap});
    lastData_ = now;
    total_ += bytes.size();
    capture_.append(bytes);
    if (capture_.size() <= kCaptureLimit) return;
    const size_t drop = capture_.size() - kCaptureLimit / 2;
    capture_.erase(0, drop);
    std::vector<Burst> kept;
    for (Burst& b : bursts_) {
        b.Offset = b.Offset > drop ? b.Offset - drop : 0;
        if (!kept.empty() && kept.back().Offset == b.Offset)
            kept.back() = b;
        else
            kept.push_back(b);
    }
    bursts_ = std::move(kept);
}

void PortTerminal::Clear() {
    capture_.clear();
    bursts_.clear();
}

std::string PortTerminal::HexView(size_t maxBytes) const {
    const size_t from = capture_.size() > maxBytes ? capture_.size() - maxBytes : 0;
    std::string out;
    char line[32];
    for (size_t i = 0; i < bursts_.size(); ++i) {
        const size_t begin = std::max(bursts_[i].Offset, from);
        const size_t end = i + 1 < bursts_.size() ? bursts_[i + 1].Offset : capture_.size();
        if (begin >= end) continue;
        const DateTime& t = bursts_[i].Time;
        std::snprintf(line, sizeof line, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
        out += line;
        if (bursts_[i].GapMs > 0) out += "  +" + std::to_string(bursts_[i].GapMs) + " ms";
        out += '\n';
        for (size_t row = begin; row < end; row += 16) {
            const size_t n = std::min<size_t>(16, end - row);
            std::string hex, chars;
            for (size_t k = 0; k < n; ++k) {
                const auto b = static_cast<unsigned char>(capture_[row + k]);
                std::snprintf(line, sizeof line, "%02X ", b);
                hex += line;
                const bool printable = (b >= 32 && b < 127) || b >= 160;
                chars += printable ? static_cast<char>(b) : '.';
            }
            hex.resize(16 * 3, ' ');
            out += "  " + hex + " " + chars + '\n';
        }
    }
    return out;
}

} // namespace pv
