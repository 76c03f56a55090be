#include "recdef/record_preview.h"

#include "expr/evaluator.h"
#include "records.h"
#include "runtime/runtime.h"
#include "serial/virtual_driver.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

class StillClock : public Clock {
  public:
    uint32_t TickCount() override { return ticks_ += 50; }
    DateTime Now() override { return {}; }

  private:
    uint32_t ticks_ = 0;
};

class FirstRecord : public RecordSink, public SinkProvider {
  public:
    RecordSink* SinkFor(int16_t) override { return this; }
    Delivery Deliver(const Record& record, RecordBoxes&) override {
        if (!got) {
            got = true;
            fields.assign(record.Fields.begin() + 1, record.Fields.begin() + 1 + record.FieldCount);
        }
        return Delivery::Done;
    }
    bool got = false;
    std::vector<std::string> fields;
};

// Ticks enough for the longest time-delay end (255 idle ticks).
constexpr int kTickLimit = 300;

std::vector<std::string> Run(Config config, const std::string& sample, bool& complete) {
    config.RunMode = RunVirtual;
    config.ActivateSuspended = False;
    config.TimerFlags = 0;
    config.TimerInterval = 0;
    config.AckString.clear();
    config.BeepOnInput = False;
    config.CmdLinkOnActivation = False;
    config.BufferLinkOnActivation = False;
    VirtualSerialDriver driver;
    StillClock clock;
    SilentMessages messages;
    MemorySettingsStore store;
    SerialPort port(driver, clock, messages);
    FirstRecord sink;
    Runtime runtime(config, port, clock, messages, store, {nullptr, &sink, nullptr});
    runtime.Start();
    driver.Push(sample);
    for (int i = 0; i < kTickLimit && !sink.got; ++i)
        runtime.PollTick();
    runtime.Stop();
    complete = sink.got;
    return sink.fields;
}

} // namespace

std::string FaultText(int message, unsigned position) {
    return Text(message) + " (" + Text(txt::PositionWord) + ' ' + std::to_string(position + 1) +
           ')';
}

RecordPreview PreviewRecord(const Config& config, const std::string& sample) {
    RecordPreview out;
    Config plain = config;
    for (int i = 1; i <= kMaxFields; ++i) {
        plain.FieldMathExpression[i].clear();
        plain.FieldFormat[i].clear();
        if (plain.FieldFilter[i] == "H" || plain.FieldFilter[i] == "O") plain.FieldFilter[i] = "C";
    }
    bool cutComplete = false;
    const std::vector<std::string> cut = Run(plain, sample, cutComplete);
    const std::vector<std::string> result = Run(config, sample, out.Complete);
    out.Fields.resize(result.size());
    FieldValues slots;
    for (size_t k = 0; k < result.size(); ++k) {
        PreviewField& f = out.Fields[k];
        f.Cut = k < cut.size() ? cut[k] : std::string();
        f.Result = result[k];
        slots[k + 1] = Value::MakeText(f.Cut);
    }
    // Evaluate as the runtime does: lower fields are already converted.
    EvalContext context;
    for (size_t k = 0; k < out.Fields.size(); ++k) {
        const std::string& text = config.FieldMathExpression[k + 1];
        if (!text.empty()) {
            const CompiledExpression program = CompileExpression(text);
            const ExprError error =
                program.Ok() ? program.Evaluate(slots, context).Error : program.Error();
            if (error)
                out.Fields[k].Fault = FaultText(static_cast<int>(error.Text), error.Position);
        }
        slots[k + 1] = Value::MakeText(out.Fields[k].Result);
    }
    return out;
}

std::string SimulatorSample(const std::string& profile) {
    sim::Profile p;
    if (!sim::ParseProfile(profile, p)) return {};
    return sim::RecordSource(p, 1).Next();
}

} // namespace pv

namespace pv {

std::string SampleText(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 32 || c == 127) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string SampleBytes(const std::string& text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char n = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || n == '\0') {
            out += text[i];
        } else if (n == 'r' || n == 'n' || n == 't' || n == '\\') {
            out += n == 'r' ? '\r' : n == 'n' ? '\n' : n == 't' ? '\t' : '\\';
            ++i;
        } else if (n == 'x' && i + 3 < text.size() && hex(text[i + 2]) >= 0 &&
                   hex(text[i + 3]) >= 0) {
            out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace pv
