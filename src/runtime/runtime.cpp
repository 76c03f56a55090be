#include "runtime/runtime.h"

#include <algorithm>
#include <cstring>

#include <filesystem>

#include "config/config_file.h"
#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/format.h"
#include "expr/leading_number.h"
#include "text/byte_text.h"
#include "text/paths.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

RecordDisplay gNullDisplay;
RuntimeHost gNullHost;

constexpr int kLastSlot = 41; // FieldIndex never goes beyond the one spill slot
constexpr size_t kFieldReserve = 64;

std::string ValueText(const Value& v) {
    return v.Kind == ValueKind::Text ? v.Text : GeneralNumberText(v);
}

bool Contains(const std::string& set, unsigned char byte) {
    return set.find(static_cast<char>(byte)) != std::string::npos;
}

char FilterLetter(const std::string& filter) {
    return filter.empty() ? 'C' : UpperByte(filter[0]);
}

} // namespace

int16_t RecordModeOf(int16_t recordStructure, int16_t endOfRecordEvent) {
    if (endOfRecordEvent == EndOnByteCount) return ByteCountEnd;
    bool timed = endOfRecordEvent == EndOnTimeDelay;
    switch (recordStructure) {
    case DelimitedFields: return timed ? DelimitedTimeEnd : DelimitedCharEnd;
    case FixedLengthFields: return timed ? FixedLengthTimeEnd : FixedLengthCharEnd;
    default: return timed ? SingleFieldTimeEnd : SingleFieldCharEnd;
    }
}

ByteTable BuildTransferTable(const Config& c) {
    ByteTable t;
    for (int i = 0; i < 256; ++i) {
        switch (c.OutputMode) {
        case SendKeystrokes:
            t[i] = c.KeystrokeTranslation[i] == "NUL" ? std::string(1, '\0')
                                                      : c.KeystrokeTranslation[i];
            break;
        case DdeServer:
            t[i] = i < static_cast<int>(c.DDETranslation.size()) ? c.DDETranslation.substr(i, 1)
                                                                 : std::string();
            break;
        default:
            t[i] = i < static_cast<int>(c.LogTranslation.size()) ? c.LogTranslation.substr(i, 1)
                                                                 : std::string();
            break;
        }
    }
    return t;
}

PortSettings PortSettingsOf(const Config& c, SettingsStore* store, const std::string& device) {
    PortSettings s;
    s.Name = PortNameOf(c.CommPort);
    s.Device = device.empty() ? DevicePathFor(c.CommPort, store) : device;
    s.Line.Baud = BaudRateValue(c.BaudRate);
    s.Line.DataBits = c.DataBits + 5;
    s.Line.Parity = c.Parity;
    s.Line.StopBits = c.StopBits;
    s.Line.FlowControl = c.FlowControl;
    s.InputBufferSize = c.InputBufferSize;
    s.OutputBufferSize = c.OutputBufferSize;
    return s;
}

Runtime::Runtime(Config& config, SerialPort& port, Clock& clock, MessageSink& messages,
                 SettingsStore& store, RuntimeParts parts)
    : config_(config), port_(port), clock_(clock), messages_(messages), store_(store),
      display_(parts.Display ? parts.Display : &gNullDisplay), sinks_(parts.Sinks),
      host_(parts.Host ? parts.Host : &gNullHost) {}

// ---------------------------------------------------------------------------
// Life cycle

void Runtime::Start() {
    timerState_ = config_.TimerFlags;
    timerStarted_ = false;

    config_.PortName = PortNameOf(config_.CommPort);
    if (ddeTopic_ == "SYSTEM")
        ddeTopic_ = config_.DDETopicName.empty() ? config_.PortName : config_.DDETopicName;
    windowTitle_ = "Portivox - " + config_.PortName;
    caption_ = windowTitle_;
    if (!port_.HasLineSignals()) caption_ += " " + Text(txt::VirtualDevice);
    host_->SetCaption(caption_);

    specialBeep_ = store_.Get(windowTitle_ + "/Settings", "SpecialBeep", "");

    suspended_ = false;
    oneRecordMode_ = false;
    exitRequest_ = 0;

    timerMenu_ = TimedOutputMenuState{};
    if (config_.TimerInterval != 0) {
        timerMenu_.Visible = true;
    } else {
        timerState_ = static_cast<int16_t>(timerState_ & ~1);
    }
    timerMenu_.On = TimedOutputOn();
    host_->TimedOutputMenu(timerMenu_);

    ClearSlots();
    shown_ = {};
    fieldIndex_ = 1;
    fieldByteCount_ = recordByteCount_ = idleTicks_ = 0;
    inRecord_ = voidRecord_ = prevCharWasSpace_ = optoQuerySent_ = false;
    recordCount_ = 0;

    CompileRun();
    SelectSink();

    if (!config_.CmdLinkApp.empty() && !config_.CmdLinkTopic.empty() &&
        IsSet(config_.CmdLinkOnActivation))
        host_->EstablishCommandLink();
    if (!config_.BufferLinkApp.empty() && !config_.BufferLinkTopic.empty() &&
        IsSet(config_.BufferLinkOnActivation))
        host_->EstablishBufferLink();
    host_->RegisterHotKeys();

    if (IsSet(config_.ActivateSuspended)) ToggleSuspend();
}

void Runtime::CompileRun() {
    transferTable_ = BuildTransferTable(config_);
    recordMode_ = RecordModeOf(config_.RecordStructure, config_.EndOfRecordEvent);
    endChars_ = config_.EndOfRecordEvent == EndOnSpecialChars ? config_.EndOfRecordChars
                                                              : std::string("\r");
    delimiter_ =
        config_.FieldDelimiter.empty() ? -1 : static_cast<unsigned char>(config_.FieldDelimiter[0]);
    static const char kDigits[] = "1234567890-";
    for (int i = 0; i < 256; ++i) {
        auto byte = static_cast<unsigned char>(i);
        const std::string& to = transferTable_[i];
        identityTransfer_[i] = to.size() == 1 && static_cast<unsigned char>(to[0]) == byte;
        kept_[i] = !(config_.OutputMode != LogToDisk && to.size() == 1 && to[0] == '\0');
        numeric_[i] =
            (byte != 0 && std::strchr(kDigits, byte)) || Contains(config_.DecimalSeparator, byte);
        endsRecord_[i] = Contains(endChars_, byte);
        switch (config_.StartOfRecordEvent) {
        case StartOnAlphaNumeric: startsRecord_[i] = byte >= 32 && byte <= 126; break;
        case StartOnNumeric: startsRecord_[i] = numeric_[i]; break;
        case StartOnSpecialChars:
            startsRecord_[i] = Contains(config_.StartOfRecordChars, byte);
            break;
        default: startsRecord_[i] = true; break;
        }
        const std::string& entry = config_.PreInputTable[i];
        preInputByte_[i] = entry.empty() ? byte : static_cast<unsigned char>(entry[0]);
        preInputKind_[i] = entry.empty() ? PreInput::Pass : PreInput::Replace;
        if (entry == "Ignore") {
            preInputKind_[i] = PreInput::Ignore;
        } else if (entry == "Void Record") {
            // The record is voided; its digit stands in for the byte.
            preInputKind_[i] = PreInput::Void;
            preInputByte_[i] = static_cast<unsigned char>('0' + (byte >= 100  ? byte / 100
                                                                 : byte >= 10 ? byte / 10
                                                                              : byte));
        }
    }

    // Most bytes of a record ended by a character only go into the field.
    const bool charEnd = recordMode_ == SingleFieldCharEnd || recordMode_ == DelimitedCharEnd;
    for (int i = 0; i < 256; ++i)
        plain_[i] = charEnd && preInputKind_[i] != PreInput::Ignore &&
                    preInputKind_[i] != PreInput::Void && preInputByte_[i] == i &&
                    i != delimiter_ && !endsRecord_[i] &&
                    !(config_.FlowControl == FlowOptoRs && i == 13);

    for (int i = 0; i < kFieldSlots; ++i) {
        filterLetter_[i] = FilterLetter(config_.FieldFilter[i]);
        switch (filterLetter_[i]) {
        case 'N': keeps_[i] = &numeric_; break;
        case 'I': keeps_[i] = &none_; break;
        case 'B': keeps_[i] = nullptr; break;
        default: keeps_[i] = &kept_; break;
        }
    }
    hasExpression_.fill(false);
    hasFormat_.fill(false);
    for (int i = 1; i <= kMaxFields; ++i) {
        const std::string& expression = config_.FieldMathExpression[i];
        hasExpression_[i] = !expression.empty();
        expressions_[i] = hasExpression_[i] ? CompileExpression(expression) : CompiledExpression();
        // An empty format is not applied; a display name stands for its keyword.
        const std::string& format = config_.FieldFormat[i];
        hasFormat_[i] = !format.empty();
        const std::string* used = &format;
        for (int k = 1; k <= 6; ++k)
            if (format == config_.FormatDisplayNames[k]) {
                used = &config_.FormatKeywords[k];
                break;
            }
        formats_[i] = hasFormat_[i] ? CompileFormat(*used) : CompiledFormat();
    }
    dateTimeFormat_ = CompileFormat(config_.DateTimeFormat);
}

void Runtime::SelectSink() {
    sink_ = sinks_ ? sinks_->SinkFor(config_.OutputMode) : nullptr;
    if (sink_) sink_->Start(config_);
}

void Runtime::Stop() {
    if (sink_) sink_->Stop();
    sink_ = nullptr;
    port_.ClosePort();
}

void Runtime::PollTick() {
    if (delivering_) {
        // A tick inside a delivery keeps the line timers and the output
        // going; the next record waits until this one is delivered.
        port_.Tick();
        TimedOutputStep();
        port_.TransmitPending();
        return;
    }
    if (commandLinkRequested_) {
        commandLinkRequested_ = false;
        host_->EstablishCommandLink();
    }
    if (bufferLinkRequested_) {
        bufferLinkRequested_ = false;
        host_->EstablishBufferLink();
    }
    port_.Tick();
    if (IsSet(config_.ShowDateTime)) {
        std::string shown = dateTimeFormat_.Apply(clock_.Now());
        if (shown != lastShownTime_) {
            display_->ShowDateTime(shown);
            lastShownTime_ = shown;
        }
    }
    TimedOutputStep();
    port_.TransmitPending();
    if (sink_) sink_->Tick();
    if (suspended_ || (sink_ && sink_->Backlogged())) return;
    idleTicks_ = static_cast<int16_t>((idleTicks_ + 1) % 256);
    if (!ReadInput()) return;

    if (exitRequest_ != 0) {
        exitRequest_ = static_cast<int16_t>(exitRequest_ + 2);
        if (exitRequest_ > 2) {
            exitRequest_ = 0;
            host_->Exit();
        }
    }
}

bool Runtime::ReadInput() {
    unsigned char byte = 0;
    // A flood is read over several ticks, so events keep their turn.
    for (size_t n = 0; n < kTickReadLimit && !(sink_ && sink_->Backlogged());) {
        if (inRecord_) {
            // Inside a field most bytes meet no rule but the filter: the
            // stretch of them read ahead goes in at once.
            std::string_view held = port_.InputHeld();
            const size_t most = std::min(held.size(), kTickReadLimit - n);
            size_t run = 0;
            while (run < most && plain_[static_cast<unsigned char>(held[run])])
                ++run;
            if (run > 0) {
                AppendRun(held.substr(0, run));
                prevCharWasSpace_ = held[run - 1] == ' ';
                port_.SkipInput(run);
                n += run;
                continue;
            }
        }
        if (!port_.ReadPortByte(byte, kTickReadLimit - n)) {
            if (config_.EndOfRecordEvent == EndOnTimeDelay && inRecord_ &&
                idleTicks_ == config_.RecordDelayTicks) {
                fieldIndex_ = 1;
                recordByteCount_ = 0;
                fieldByteCount_ = 0;
                return RecordDone();
            }
            return true;
        }
        ++n;
        if (!HandleByte(byte)) return false;
    }
    return true;
}

void Runtime::TimedOutputStep() {
    if (!TimedOutputOn()) {
        timerStarted_ = false;
        return;
    }
    uint32_t now = clock_.TickCount();
    if (!timerStarted_) {
        timerBase_ = now;
        timerStarted_ = true;
        return;
    }
    // Unsigned differences stay right when the tick count wraps.
    uint32_t interval =
        config_.TimerInterval > 0 ? static_cast<uint32_t>(config_.TimerInterval) : 0;
    if (static_cast<uint32_t>(now - timerBase_) < interval) return;
    if (timerState_ & TimerActionDtr)
        port_.Signal(LineSignal::PulseDtr);
    else if (!(timerState_ & TimerActionBreak))
        port_.QueueTimed(config_.TimerString);
    else
        port_.Signal(LineSignal::Break);
    timerBase_ += interval;
}

// ---------------------------------------------------------------------------
// Commands

bool Runtime::QueueOutput(const std::string& bytes) {
    return port_.Queue(bytes);
}

bool Runtime::QueueFile(const std::string& path) {
    return port_.QueueFile(ExpandHome(path));
}

std::string Runtime::SuspendCaption(bool suspended) const {
    std::string caption = windowTitle_;
    if (suspended) caption += " (S)";
    if (!port_.HasLineSignals()) caption += " (" + Text(txt::VirtualDevice) + ")";
    return caption;
}

void Runtime::ToggleSuspend() {
    if (!suspended_) {
        caption_ = SuspendCaption(true);
        suspended_ = true;
    } else {
        caption_ = SuspendCaption(false);
        timerStarted_ = false;
        suspended_ = false;
    }
    host_->SetCaption(caption_);
    host_->SuspendChanged(suspended_);
}

void Runtime::Suspend() {
    if (!suspended_) ToggleSuspend();
}

void Runtime::Resume() {
    if (suspended_) ToggleSuspend();
}

void Runtime::ResumeForOneRecord() {
    oneRecordMode_ = true;
    if (suspended_) ToggleSuspend();
}

void Runtime::Reset() {
    if (delivering_) {
        resetDeferred_ = true;
        return;
    }
    DoReset();
}

void Runtime::DoReset() {
    port_.PurgePort();
    fieldIndex_ = 1;
    fieldByteCount_ = recordByteCount_ = idleTicks_ = 0;
    inRecord_ = false;
    // The discarded record's void mark must not void the next one.
    voidRecord_ = false;
    ClearSlots();
    ClearFields();
    timerStarted_ = false;
    recordCount_ = 0;
    display_->ShowRecordNumber("");
    if (suspended_) ToggleSuspend();
    if (IsSet(config_.ActivateSuspended)) ToggleSuspend();
    oneRecordMode_ = false;
    stopByteLoop_ = true;
}

void Runtime::ClearFields() {
    for (int n = 1; n <= FieldCount(); ++n) {
        shown_[n].clear();
        display_->ShowField(n, "");
    }
}

void Runtime::RestartTimer() {
    timerStarted_ = false;
}

void Runtime::ShowTimedOutputMenu() {
    timerMenu_.On = TimedOutputOn();
    host_->TimedOutputMenu(timerMenu_);
}

void Runtime::ToggleTimedOutput() {
    timerState_ = static_cast<int16_t>(timerState_ ^ 1);
    ShowTimedOutputMenu();
}

void Runtime::SetTimedOutput(bool on) {
    if (TimedOutputOn() != on) ToggleTimedOutput();
}

void Runtime::SetTimerInterval(int32_t interval) {
    if (interval > 0) {
        config_.TimerInterval = interval;
        timerStarted_ = false;
        timerMenu_.Enabled =
            !(config_.TimerString.empty() && (config_.TimerFlags & TimerActionString) != 0);
    } else {
        config_.TimerInterval = 0;
        timerState_ = static_cast<int16_t>(timerState_ & ~1);
        timerMenu_.Enabled = false;
    }
    ShowTimedOutputMenu();
}

void Runtime::SetTimerString(const std::string& text) {
    config_.TimerString = text;
}

void Runtime::RequestCommandLink() {
    commandLinkRequested_ = true;
}

void Runtime::RequestBufferLink() {
    bufferLinkRequested_ = true;
}

void Runtime::SetCommandLink(const std::string& app, const std::string& topic,
                             const std::string& item) {
    config_.CmdLinkApp = app;
    config_.CmdLinkTopic = topic;
    config_.CmdLinkItem = item;
    RequestCommandLink();
}

void Runtime::SetBufferLink(const std::string& app, const std::string& topic,
                            const std::string& item) {
    config_.BufferLinkApp = app;
    config_.BufferLinkTopic = topic;
    config_.BufferLinkItem = item;
    RequestBufferLink();
}

void Runtime::SetBufferLinkStripCrLf(bool on) {
    config_.BufferLinkStripCrLf = on ? True : False;
}

bool Runtime::Signal(LineSignal signal) {
    return port_.Signal(signal);
}

void Runtime::ChangeLine(LineParameter parameter, int32_t value) {
    if (!port_.ChangeLine(parameter, value)) return;
    switch (parameter) {
    case LineParameter::Baud:
        if (int index = BaudRateIndex(value); index >= 0)
            config_.BaudRate = static_cast<int16_t>(index);
        break;
    case LineParameter::Parity: config_.Parity = static_cast<ParityCode>(value & 0xFF); break;
    case LineParameter::DataBits: config_.DataBits = static_cast<DataBitsCode>(value - 5); break;
    case LineParameter::StopBits: config_.StopBits = static_cast<StopBitsCode>(value & 0xFF); break;
    }
}

void Runtime::RequestExit() {
    exitRequest_ = -1;
}

bool Runtime::LoadConfiguration(const std::string& given) {
    if (!port_.HasLineSignals()) return false;
    const std::string path = ExpandHome(given);
    // A device or a pipe would never end (or never answer) when read whole.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    if (CheckFile(path, messages_).commPort != config_.CommPort) return false;
    reloadDeferred_ = path;
    reloadPending_ = true;
    if (!delivering_) DoLoadConfiguration();
    return true;
}

void Runtime::DoLoadConfiguration() {
    reloadPending_ = false;
    host_->BeforeReload();
    if (sink_) sink_->Stop();
    config_.ConfigFileName = reloadDeferred_;
    ReadConfigFile(config_, messages_);
    host_->ReopenPort();
    Start();
    host_->AfterReload();
    stopByteLoop_ = true;
}

void Runtime::RunDeferred() {
    if (reloadPending_) {
        resetDeferred_ = false;
        DoLoadConfiguration();
    } else if (resetDeferred_) {
        resetDeferred_ = false;
        DoReset();
    }
}

RuntimeSnapshot Runtime::Snapshot() const {
    RuntimeSnapshot s;
    s.Suspended = suspended_;
    s.OneRecordMode = oneRecordMode_;
    s.ExitRequested = exitRequest_ != 0;
    s.Delivering = delivering_;
    s.InRecord = inRecord_;
    s.TimedOutputOn = TimedOutputOn();
    s.VirtualDevice = !port_.HasLineSignals();
    s.TimedOutputMenu = timerMenu_;
    s.Caption = caption_;
    s.WindowTitle = windowTitle_;
    s.DdeTopic = ddeTopic_;
    s.RecordNumber = recordCount_ > 0 ? std::to_string(recordCount_) : std::string();
    s.Fields = shown_;
    s.PendingOutput = port_.PendingOutput();
    return s;
}

void Runtime::LoadWindowPosition(int& left, int& top) {
    std::string section = windowTitle_ + "/Settings";
    double l = 1000, t = 1000;
    std::string ls = store_.Get(section, "MainLeft", ""), ts = store_.Get(section, "MainTop", "");
    if (!ls.empty()) l = LeadingNumber(ls);
    if (!ts.empty()) t = LeadingNumber(ts);
    left = static_cast<int>(std::clamp(l, -1e9, 1e9));
    top = static_cast<int>(std::clamp(t, -1e9, 1e9));
}

void Runtime::StoreWindowPosition(int left, int top) {
    std::string section = windowTitle_ + "/Settings";
    store_.Set(section, "MainLeft", std::to_string(left));
    store_.Set(section, "MainTop", std::to_string(top));
}

// ---------------------------------------------------------------------------
// The record assembler

int Runtime::FieldCount() const {
    return std::clamp<int>(config_.FieldCount, 1, kMaxFields);
}

void Runtime::ClearSlots() {
    for (auto& slot : fieldValue_) {
        slot.Kind = ValueKind::Empty;
        slot.Number = 0;
        slot.Text.clear();
    }
}

void Runtime::StartText(Value& slot) {
    slot.Kind = ValueKind::Text;
    slot.Number = 0;
    slot.Text.clear();
    // The buffer came back from the sink with the last converted text;
    // growing it byte by byte would reallocate several times a record.
    slot.Text.reserve(kFieldReserve);
}

void Runtime::AppendHex(std::string& text, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    const char hex[2] = {kHex[byte >> 4], kHex[byte & 15]};
    text.append(hex, 2);
}

void Runtime::Append(unsigned char byte) {
    AppendRun(std::string_view(reinterpret_cast<const char*>(&byte), 1));
}

void Runtime::AppendRun(std::string_view bytes) {
    Value& slot = fieldValue_[fieldIndex_];
    if (slot.Kind != ValueKind::Text) StartText(slot);
    const std::array<bool, 256>* keep = keeps_[fieldIndex_];
    if (!keep) {
        for (char c : bytes)
            AppendHex(slot.Text, static_cast<unsigned char>(c));
        return;
    }
    // What the filter keeps goes in a stretch at a time.
    size_t from = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if ((*keep)[static_cast<unsigned char>(bytes[i])]) continue;
        slot.Text.append(bytes.data() + from, i - from);
        from = i + 1;
    }
    slot.Text.append(bytes.data() + from, bytes.size() - from);
}

void Runtime::NextField() {
    fieldIndex_ = static_cast<int16_t>(std::min(fieldIndex_ + 1, kLastSlot));
    fieldByteCount_ = 0;
}

bool Runtime::DelimiterAdvances() const {
    return !(delimiter_ == ' ' && prevCharWasSpace_);
}

bool Runtime::HandleByte(unsigned char byte) {
    stopByteLoop_ = false;
    if (config_.FlowControl == FlowOptoRs && byte == 13) {
        if (optoQuerySent_) {
            if (inRecord_) voidRecord_ = true;
            optoQuerySent_ = false;
        } else {
            port_.Queue("?\r");
            optoQuerySent_ = true;
        }
    }

    bool voidEntry = false;
    switch (preInputKind_[byte]) {
    case PreInput::Ignore: prevCharWasSpace_ = byte == 32; return true;
    case PreInput::Void:
        voidEntry = true;
        if (inRecord_) voidRecord_ = true;
        break;
    case PreInput::Pass:
    case PreInput::Replace: break;
    }
    byte = preInputByte_[byte];

    if (!inRecord_ && !startsRecord_[byte]) {
        prevCharWasSpace_ = byte == 32;
        return true;
    }
    inRecord_ = true;
    if (voidEntry) voidRecord_ = true;

    bool keepReading = true;
    switch (recordMode_) {
    case SingleFieldCharEnd:
    case DelimitedCharEnd:
        if (static_cast<int>(byte) != delimiter_) {
            Append(byte);
            if (endsRecord_[byte]) {
                fieldIndex_ = 1;
                keepReading = RecordDone();
            }
        } else {
            if (config_.FieldCount < 2)
                Append(byte);
            else if (DelimiterAdvances())
                fieldIndex_ = static_cast<int16_t>(std::min(fieldIndex_ + 1, kLastSlot));
            if (fieldIndex_ > config_.FieldCount && endsRecord_[byte]) {
                fieldIndex_ = 1;
                keepReading = RecordDone();
            }
        }
        break;
    case SingleFieldTimeEnd:
        idleTicks_ = 0;
        Append(byte);
        break;
    case ByteCountEnd:
        Append(byte);
        ++fieldByteCount_;
        ++recordByteCount_;
        if (fieldByteCount_ == config_.FieldLength[fieldIndex_]) NextField();
        if (recordByteCount_ == config_.RecordLength) {
            fieldIndex_ = 1;
            recordByteCount_ = 0;
            // A record shorter than its fields must not shift the next one.
            fieldByteCount_ = 0;
            keepReading = RecordDone();
        }
        break;
    case DelimitedTimeEnd:
        idleTicks_ = 0;
        if (static_cast<int>(byte) != delimiter_)
            Append(byte);
        else if (DelimiterAdvances())
            fieldIndex_ = static_cast<int16_t>(std::min(fieldIndex_ + 1, kLastSlot));
        break;
    case FixedLengthTimeEnd:
        idleTicks_ = 0;
        Append(byte);
        ++fieldByteCount_;
        if (fieldByteCount_ == config_.FieldLength[fieldIndex_]) NextField();
        break;
    case FixedLengthCharEnd:
        Append(byte);
        ++fieldByteCount_;
        if (fieldByteCount_ == config_.FieldLength[fieldIndex_]) NextField();
        if (endsRecord_[byte]) {
            fieldByteCount_ = 0;
            fieldIndex_ = 1;
            keepReading = RecordDone();
        }
        break;
    default: break;
    }
    prevCharWasSpace_ = byte == 32;
    return keepReading;
}

bool Runtime::RecordDone() {
    stopByteLoop_ = false;
    inRecord_ = false;
    prevCharWasSpace_ = false;
    port_.Queue(config_.AckString);
    if (IsSet(config_.BeepOnInput)) {
        int sound = static_cast<int>(std::clamp(LeadingNumber(specialBeep_), -2e9, 2e9));
        if (sound != 0)
            host_->MessageBeep(sound);
        else
            messages_.Beep();
    }
    if (voidRecord_) {
        ClearSlots();
        voidRecord_ = false;
        return true;
    }
    if (!ProcessRecord()) return false;
    if (stopByteLoop_) return false; // a deferred Reset or reload ran
    if (oneRecordMode_) {
        ToggleSuspend();
        oneRecordMode_ = false;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Record processing

void Runtime::ConvertField(int i) {
    Value& slot = fieldValue_[i];
    char letter = filterLetter_[i];
    if (letter == 'H' || letter == 'O') {
        std::string text = ValueText(slot);
        size_t first = text.find_first_not_of(' ');
        text = std::string(letter == 'H' ? "&H" : "&O") +
               (first == std::string::npos ? std::string() : text.substr(first));
        slot = Value::MakeText(GeneralNumberText(Value::MakeDouble(LeadingNumber(text))));
    }
    if (hasExpression_[i]) slot = expressions_[i].Evaluate(fieldValue_, eval_).Result;
    if (hasFormat_[i]) slot = Value::MakeText(formats_[i].Apply(slot));
    if (slot.Kind != ValueKind::Text) slot = Value::MakeText(ValueText(slot));
    if (!slot.Text.empty()) {
        bool identity = true;
        for (unsigned char c : slot.Text)
            if (!identityTransfer_[c]) {
                identity = false;
                break;
            }
        if (!identity) {
            std::string out;
            out.reserve(slot.Text.size());
            for (unsigned char c : slot.Text)
                out += transferTable_[c];
            slot.Text = std::move(out);
        }
    }
}

void Runtime::ShowField(int i) {
    if (i < 1 || i > record_.FieldCount) return;
    shown_[i] = record_.Fields[i];
    display_->ShowField(i, record_.Fields[i]);
}

void Runtime::CountRecord() {
    recordCount_ = record_.Number;
    display_->ShowRecordNumber(std::to_string(recordCount_));
}

bool Runtime::ProcessRecord() {
    int count = FieldCount();
    for (int i = 1; i <= count; ++i)
        ConvertField(i);
    record_.FieldCount = count;
    // Swapped, not moved: both sides keep their buffers from record to record.
    for (int i = 1; i <= count; ++i)
        record_.Fields[i].swap(fieldValue_[i].Text);
    record_.Preamble = config_.RecordPreamble;
    record_.Postambles = &config_.FieldPostamble;
    record_.Number = recordCount_ + 1;
    record_.Time = clock_.Now();
    ClearSlots();

    Delivery result = Delivery::Done;
    delivering_ = true;
    if (sink_) {
        result = sink_->Deliver(record_, *this);
    } else {
        ShowAllFields(record_);
        CountRecord();
    }
    delivering_ = false;
    RunDeferred();
    if (result == Delivery::Failed) {
        DoReset();
        if (!suspended_) ToggleSuspend();
        return false;
    }
    return true;
}

} // namespace pv
