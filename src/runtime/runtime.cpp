#include "runtime/runtime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "expr/leading_number.h"
#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/format.h"
#include "text/strings.h"

namespace pv {

namespace {

RecordDisplay gNullDisplay;
KeystrokeDelivery gNullKeystrokes;
DdeDelivery gNullDde;
RuntimeHost gNullHost;

constexpr int kLastSlot = 41; // FieldIndex never goes beyond the one spill slot

std::string ValueText(const Value& v) {
    return v.Kind == ValueKind::Text ? v.Text : GeneralNumberText(v);
}

std::string Upper(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool Contains(const std::string& set, unsigned char byte) {
    return set.find(static_cast<char>(byte)) != std::string::npos;
}

bool IsNumericChar(unsigned char byte, const std::string& decimalSeparator) {
    static const char kDigits[] = "1234567890-";
    if (byte != 0 && std::strchr(kDigits, byte)) return true;
    return Contains(decimalSeparator, byte);
}

} // namespace

int16_t RecordModeOf(int16_t recordStructure, int16_t endOfRecordEvent) {
    if (endOfRecordEvent == 2) return ByteCountEnd;
    bool timed = endOfRecordEvent == 1;
    switch (recordStructure) {
    case 1: return timed ? DelimitedTimeEnd : DelimitedCharEnd;
    case 2: return timed ? FixedLengthTimeEnd : FixedLengthCharEnd;
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

std::string ExpandHomePath(const std::string& path) {
    if (path.rfind("~/", 0) != 0) return path;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return path;
    return std::string(home) + path.substr(1);
}

Runtime::Runtime(Config& config, SerialPort& port, Clock& clock, MessageSink& messages,
                 SettingsStore& store, RuntimeParts parts)
    : config_(config), port_(port), clock_(clock), messages_(messages), store_(store),
      display_(parts.Display ? parts.Display : &gNullDisplay),
      keys_(parts.Keystrokes ? parts.Keystrokes : &gNullKeystrokes),
      dde_(parts.Dde ? parts.Dde : &gNullDde), host_(parts.Host ? parts.Host : &gNullHost) {}

// ---------------------------------------------------------------------------
// Life cycle

void Runtime::Start() {
    dde_->Initialize();
    TimerState = config_.TimerFlags;
    TimerDueBase = 0;

    // No port is opened for the virtual device, so PortName may be stale.
    std::string portName = port_.IsVirtual() || config_.PortName.empty()
                               ? PortNameOf(config_.CommPort)
                               : config_.PortName;
    if (DdeTopic == "SYSTEM")
        DdeTopic = config_.DDETopicName.empty() ? portName : config_.DDETopicName;
    WindowTitle = "Portivox - " + portName;
    Caption = WindowTitle;
    if (port_.IsVirtual()) Caption += " " + Text(5000);
    host_->SetCaption(Caption);

    SpecialBeep = store_.Get(WindowTitle + "/Settings", "SpecialBeep", "");

    Suspended = false;
    OneRecordMode = false;
    ExitRequest = 0;

    if (config_.TimerInterval != 0) {
        host_->TimedOutputMenu(true, (TimerState & 1) != 0);
    } else {
        TimerState = static_cast<int16_t>(TimerState & ~1);
        host_->TimedOutputMenu(false, false);
    }

    ClearSlots();
    FieldIndex = 1;
    FieldByteCount = RecordByteCount = IdleTicks = 0;
    InRecord = VoidRecord = PrevCharWasSpace = OptoQuerySent = false;
    RecordNumber.clear();

    TransferTable = BuildTransferTable(config_);
    for (int i = 0; i < 256; ++i)
        identityTransfer_[i] =
            TransferTable[i].size() == 1 && static_cast<unsigned char>(TransferTable[i][0]) == i;
    RecordMode = RecordModeOf(config_.RecordStructure, config_.EndOfRecordEvent);
    EndChars = config_.EndOfRecordEvent == 3 ? config_.EndOfRecordChars : std::string("\r");
    delimiter_ =
        config_.FieldDelimiter.empty() ? -1 : static_cast<unsigned char>(config_.FieldDelimiter[0]);

    HasDDECommands = false;
    if (config_.OutputMode == DdeServer) {
        HasDDECommands = !config_.RecordPreamble.empty();
        for (int i = 1; i <= FieldCount(); ++i)
            if (!config_.FieldPostamble[i].empty()) HasDDECommands = true;
    }

    if (!config_.CmdLinkApp.empty() && !config_.CmdLinkTopic.empty() &&
        IsSet(config_.CmdLinkOnActivation))
        host_->EstablishCommandLink();
    if (!config_.BufferLinkApp.empty() && !config_.BufferLinkTopic.empty() &&
        IsSet(config_.BufferLinkOnActivation))
        host_->EstablishBufferLink();
    host_->RegisterHotKeys();

    if (IsSet(config_.ActivateSuspended)) ToggleSuspend();
}

void Runtime::Stop() {
    dde_->Disconnect();
    dde_->Uninitialize();
    if (!port_.IsVirtual()) port_.ClosePort();
    if (config_.RunMode == RunTest || config_.RunMode == RunVirtual) config_.RunMode = NotRunning;
}

void Runtime::PollTick() {
    if (DDEFieldPasteFlag) {
        host_->EstablishCommandLink();
        DDEFieldPasteFlag = false;
    }
    if (DDEBufferPasteFlag) {
        host_->EstablishBufferLink();
        DDEBufferPasteFlag = false;
    }
    port_.BreakTick();
    if (IsSet(config_.ShowDateTime)) {
        std::string shown = FormatDateTime(clock_.Now(), config_.DateTimeFormat);
        if (shown != LastShownTime) {
            display_->ShowDateTime(shown);
            LastShownTime = shown;
        }
    }
    TimedOutputStep();
    port_.TransmitPending();
    // A tick that fires while a record is being delivered (the keystroke
    // target launch lets events run) must not start the next record in the
    // middle of this one: it keeps the timers and output going and reads
    // nothing.
    if (Suspended || inByteLoop_) return;
    IdleTicks = static_cast<int16_t>((IdleTicks + 1) % 256);
    if (!ReadInput()) return;

    if (ExitRequest != 0) {
        ExitRequest = static_cast<int16_t>(ExitRequest + 2);
        if (ExitRequest > 2) {
            ExitRequest = 0;
            host_->Exit();
        }
    }
}

bool Runtime::ReadInput() {
    struct LoopGuard {
        bool& flag;
        explicit LoopGuard(bool& f) : flag(f) { flag = true; }
        ~LoopGuard() { flag = false; }
    } guard(inByteLoop_);
    for (;;) {
        if (port_.ReadPortByte() == 0) {
            if (config_.EndOfRecordEvent == 1 && InRecord &&
                IdleTicks == config_.RecordDelayTicks) {
                FieldIndex = 1;
                RecordByteCount = 0;
                FieldByteCount = 0;
                return RecordDone();
            }
            return true;
        }
        if (!HandleByte(port_.InByte)) return false;
    }
}

void Runtime::TimedOutputStep() {
    if (!(TimerState & 1)) {
        TimerDueBase = 0;
        return;
    }
    int32_t now = static_cast<int32_t>(clock_.TickCount());
    if (TimerDueBase == 0) {
        TimerDueBase = now;
        return;
    }
    int64_t due = int64_t(TimerDueBase) + config_.TimerInterval;
    if (int64_t(now) < due) return;
    if (TimerState & TimerActionDtr) {
        if (!port_.IsVirtual()) port_.PulseDtr();
    } else if (!(TimerState & TimerActionBreak)) {
        port_.PendingOutput += config_.TimerString;
    } else if (!port_.IsVirtual()) {
        port_.StartBreak();
    }
    TimerDueBase = (due > INT32_MAX || due < INT32_MIN) ? 0 : static_cast<int32_t>(due);
}

// ---------------------------------------------------------------------------
// Commands

std::string Runtime::SuspendCaption(bool suspended) const {
    std::string caption = WindowTitle;
    if (suspended) caption += " (S)";
    if (port_.IsVirtual()) caption += " (" + Text(5000) + ")";
    return caption;
}

void Runtime::ToggleSuspend() {
    if (!Suspended) {
        Caption = SuspendCaption(true);
        Suspended = true;
    } else {
        Caption = SuspendCaption(false);
        TimerDueBase = 0;
        Suspended = false;
    }
    host_->SetCaption(Caption);
    host_->SuspendChanged(Suspended);
}

void Runtime::ResumeForOneRecord() {
    OneRecordMode = true;
    if (Suspended) ToggleSuspend();
}

void Runtime::Reset() {
    port_.PurgePort();
    FieldIndex = 1;
    FieldByteCount = RecordByteCount = IdleTicks = 0;
    InRecord = false;
    // The discarded record's void mark must not void the next one.
    VoidRecord = false;
    ClearSlots();
    for (int n = 1; n <= FieldCount(); ++n)
        display_->ShowField(n, "");
    TimerDueBase = 0;
    RecordNumber.clear();
    display_->ShowRecordNumber(RecordNumber);
    if (Suspended) ToggleSuspend();
    if (IsSet(config_.ActivateSuspended)) ToggleSuspend();
    OneRecordMode = false;
    stopByteLoop_ = true;
}

void Runtime::ToggleTimedOutput() {
    TimerState = static_cast<int16_t>(TimerState ^ 1);
    host_->TimedOutputMenu(true, (TimerState & 1) != 0);
}

void Runtime::LoadWindowPosition(int& left, int& top) {
    std::string section = WindowTitle + "/Settings";
    double l = 1000, t = 1000;
    std::string ls = store_.Get(section, "MainLeft", ""), ts = store_.Get(section, "MainTop", "");
    if (!ls.empty()) l = LeadingNumber(ls);
    if (!ts.empty()) t = LeadingNumber(ts);
    left = static_cast<int>(std::clamp(l, -1e9, 1e9));
    top = static_cast<int>(std::clamp(t, -1e9, 1e9));
}

void Runtime::StoreWindowPosition(int left, int top) {
    std::string section = WindowTitle + "/Settings";
    store_.Set(section, "MainLeft", std::to_string(left));
    store_.Set(section, "MainTop", std::to_string(top));
}

// ---------------------------------------------------------------------------
// The record assembler

int Runtime::FieldCount() const {
    return std::clamp<int>(config_.FieldCount, 1, kMaxFields);
}

void Runtime::ClearSlots() {
    for (auto& slot : FieldValue) {
        slot.Kind = ValueKind::Empty;
        slot.Number = 0;
        slot.Text.clear();
    }
}

void Runtime::FilterInto(std::string& out, unsigned char byte) const {
    const std::string& filter = config_.FieldFilter[FieldIndex];
    char letter = filter.empty()
                      ? 'C'
                      : static_cast<char>(std::toupper(static_cast<unsigned char>(filter[0])));
    switch (letter) {
    case 'N':
        if (IsNumericChar(byte, config_.DecimalSeparator)) out += static_cast<char>(byte);
        return;
    case 'I': return;
    case 'B': {
        static const char kHex[] = "0123456789ABCDEF";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
        return;
    }
    default:
        if (config_.OutputMode != LogToDisk && TransferTable[byte].size() == 1 &&
            TransferTable[byte][0] == '\0')
            return;
        out += static_cast<char>(byte);
    }
}

std::string Runtime::FilterInputChar(unsigned char byte) const {
    std::string out;
    FilterInto(out, byte);
    return out;
}

void Runtime::Append(unsigned char byte) {
    Value& slot = FieldValue[FieldIndex];
    if (slot.Kind != ValueKind::Text) {
        slot.Kind = ValueKind::Text;
        slot.Number = 0;
        slot.Text.clear();
    }
    FilterInto(slot.Text, byte);
}

void Runtime::NextField() {
    FieldIndex = static_cast<int16_t>(std::min(FieldIndex + 1, kLastSlot));
    FieldByteCount = 0;
}

bool Runtime::DelimiterAdvances() const {
    return !(delimiter_ == ' ' && PrevCharWasSpace);
}

bool Runtime::ByteStartsRecord(unsigned char byte) const {
    switch (config_.StartOfRecordEvent) {
    case 1: return byte >= 32 && byte <= 126;
    case 2: return IsNumericChar(byte, config_.DecimalSeparator);
    case 3: return Contains(config_.StartOfRecordChars, byte);
    default: return true;
    }
}

bool Runtime::HandleByte(unsigned char byte) {
    stopByteLoop_ = false;
    if (config_.FlowControl == 3 && byte == 13) {
        if (OptoQuerySent) {
            if (InRecord) VoidRecord = true;
            OptoQuerySent = false;
        } else {
            port_.PendingOutput += "?\r";
            OptoQuerySent = true;
        }
    }

    const std::string& entry = config_.PreInputTable[byte];
    bool voidEntry = false;
    if (entry.size() != 1) {
        if (entry == "Ignore") {
            PrevCharWasSpace = byte == 32;
            return true;
        }
        if (entry == "Void Record") {
            voidEntry = true;
            if (InRecord) VoidRecord = true;
            byte = static_cast<unsigned char>('0' + (byte >= 100  ? byte / 100
                                                     : byte >= 10 ? byte / 10
                                                                  : byte));
        } else if (!entry.empty()) {
            byte = static_cast<unsigned char>(entry[0]);
        }
    } else {
        byte = static_cast<unsigned char>(entry[0]);
    }

    if (!InRecord) {
        if (!ByteStartsRecord(byte)) {
            PrevCharWasSpace = byte == 32;
            return true;
        }
    }
    InRecord = true;
    if (voidEntry) VoidRecord = true;

    bool keepReading = true;
    switch (RecordMode) {
    case SingleFieldCharEnd:
    case DelimitedCharEnd:
        if (static_cast<int>(byte) != delimiter_) {
            Append(byte);
            if (Contains(EndChars, byte)) {
                FieldIndex = 1;
                keepReading = RecordDone();
            }
        } else {
            if (config_.FieldCount < 2)
                Append(byte);
            else if (DelimiterAdvances())
                FieldIndex = static_cast<int16_t>(std::min(FieldIndex + 1, kLastSlot));
            if (FieldIndex > config_.FieldCount && Contains(EndChars, byte)) {
                FieldIndex = 1;
                keepReading = RecordDone();
            }
        }
        break;
    case SingleFieldTimeEnd:
        IdleTicks = 0;
        Append(byte);
        break;
    case ByteCountEnd:
        Append(byte);
        ++FieldByteCount;
        ++RecordByteCount;
        if (FieldByteCount == config_.FieldLength[FieldIndex]) NextField();
        if (RecordByteCount == config_.RecordLength) {
            FieldIndex = 1;
            RecordByteCount = 0;
            // A record shorter than its fields must not shift the next one.
            FieldByteCount = 0;
            keepReading = RecordDone();
        }
        break;
    case DelimitedTimeEnd:
        IdleTicks = 0;
        if (static_cast<int>(byte) != delimiter_)
            Append(byte);
        else if (DelimiterAdvances())
            FieldIndex = static_cast<int16_t>(std::min(FieldIndex + 1, kLastSlot));
        break;
    case FixedLengthTimeEnd:
        IdleTicks = 0;
        Append(byte);
        ++FieldByteCount;
        if (FieldByteCount == config_.FieldLength[FieldIndex]) NextField();
        break;
    case FixedLengthCharEnd:
        Append(byte);
        ++FieldByteCount;
        if (FieldByteCount == config_.FieldLength[FieldIndex]) NextField();
        if (Contains(EndChars, byte)) {
            FieldByteCount = 0;
            FieldIndex = 1;
            keepReading = RecordDone();
        }
        break;
    default: break;
    }
    PrevCharWasSpace = byte == 32;
    return keepReading;
}

bool Runtime::RecordDone() {
    stopByteLoop_ = false;
    InRecord = false;
    PrevCharWasSpace = false;
    port_.PendingOutput += config_.AckString;
    if (IsSet(config_.BeepOnInput)) {
        int sound = static_cast<int>(std::clamp(LeadingNumber(SpecialBeep), -2e9, 2e9));
        if (sound != 0)
            host_->MessageBeep(sound);
        else
            messages_.Beep();
    }
    if (VoidRecord) {
        ClearSlots();
        VoidRecord = false;
        return true;
    }
    ProcessRecord();
    if (stopByteLoop_) return false; // the log failure reset and suspended the window
    if (OneRecordMode) {
        ToggleSuspend();
        OneRecordMode = false;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Record processing

void Runtime::ConvertField(int i) {
    Value& slot = FieldValue[i];
    const std::string& filter = config_.FieldFilter[i];
    char letter = filter.empty()
                      ? 'C'
                      : static_cast<char>(std::toupper(static_cast<unsigned char>(filter[0])));
    if (letter == 'H' || letter == 'O') {
        std::string text = ValueText(slot);
        size_t first = text.find_first_not_of(' ');
        text = std::string(letter == 'H' ? "&H" : "&O") +
               (first == std::string::npos ? std::string() : text.substr(first));
        slot = Value::MakeText(GeneralNumberText(Value::MakeDouble(LeadingNumber(text))));
    }
    if (!config_.FieldMathExpression[i].empty())
        slot = EvaluateExpression(config_.FieldMathExpression[i], FieldValue).Result;
    const std::string& format = config_.FieldFormat[i];
    if (!format.empty()) {
        const std::string* used = &format;
        for (int k = 1; k <= 6; ++k)
            if (format == config_.FormatDisplayNames[k]) {
                used = &config_.FormatKeywords[k];
                break;
            }
        slot = Value::MakeText(FormatValue(slot, *used));
    }
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
                out += TransferTable[c];
            slot.Text = std::move(out);
        }
    }
}

void Runtime::ShowRecordNumberPlusOne() {
    double n = RecordNumber.empty() ? 0 : LeadingNumber(RecordNumber);
    RecordNumber = GeneralNumberText(Value::MakeDouble(n + 1));
    display_->ShowRecordNumber(RecordNumber);
}

void Runtime::ProcessRecord() {
    int count = FieldCount();
    for (int i = 1; i <= count; ++i)
        ConvertField(i);
    switch (config_.OutputMode) {
    case SendKeystrokes: DeliverKeystrokes(); break;
    case DdeServer: DeliverDde(); break;
    default: DeliverLog(); break;
    }
    ClearSlots();
}

void Runtime::DeliverKeystrokes() {
    int count = FieldCount();
    WindowId back = keys_->ForegroundWindow();
    for (int i = 1; i <= count; ++i)
        display_->ShowField(i, FieldValue[i].Text);
    ShowRecordNumberPlusOne();

    WindowId target = 0;
    bool restored = false;
    if (IsSet(config_.KeyTargetSpecified)) {
        target = keys_->ActivateTargetWindow(config_.KeyTargetTitle, restored);
        if (target == 0 && !config_.KeyTargetCommand.empty()) {
            WindowId focus = keys_->ForegroundWindow();
            auto launched = keys_->LaunchProgram(config_.KeyTargetCommand);
            if (!launched.started) {
                messages_.Show(Text(4004) + " " + config_.KeyTargetCommand + "\n" + launched.error,
                               "Portivox Error", MsgIcon::Exclamation, MsgButtons::Ok);
                return;
            }
            target = keys_->WaitForLaunchedWindow(focus);
            back = target;
            std::string title = Upper(keys_->WindowTitle(target));
            if (config_.KeyTargetTitle.empty() ||
                title.find(Upper(config_.KeyTargetTitle)) == std::string::npos)
                config_.KeyTargetTitle = title;
        }
    }
    if (keys_->IsRunningWindowFocused()) return;

    DateTime now = clock_.Now();
    std::string text = ExpandDateTime(config_.RecordPreamble, now);
    for (int i = 1; i <= count; ++i)
        text += FieldValue[i].Text + ExpandDateTime(config_.FieldPostamble[i], now);
    keys_->SendKeystrokeText(text);
    if (restored) keys_->MinimizeWindow(target);
    keys_->SetForegroundWindow(back);
}

void Runtime::DeliverDde() {
    int count = FieldCount();
    if (HasDDECommands && !dde_->IsConnected())
        dde_->Connect(config_.DDECommandApp, config_.DDECommandTopic);
    if (HasDDECommands && !config_.RecordPreamble.empty()) dde_->Execute(config_.RecordPreamble);
    for (int i = 1; i <= count; ++i) {
        display_->ShowField(i, FieldValue[i].Text);
        if (i == count) ShowRecordNumberPlusOne();
        if (HasDDECommands && !config_.FieldPostamble[i].empty())
            dde_->Execute(config_.FieldPostamble[i]);
        FieldValue[i] = Value{};
    }
}

void Runtime::DeliverLog() {
    int count = FieldCount();
    DateTime now = clock_.Now();
    std::string line = ExpandDateTime(config_.RecordPreamble, now);
    for (int i = 1; i <= count; ++i) {
        display_->ShowField(i, FieldValue[i].Text);
        line += FieldValue[i].Text;
        line += ExpandDateTime(config_.FieldPostamble[i], now);
        FieldValue[i] = Value{};
    }
    line += "\r\n";
    if (WriteLogLine(line)) {
        ShowRecordNumberPlusOne();
        return;
    }
    Reset();
    if (!Suspended) ToggleSuspend();
    stopByteLoop_ = true;
}

bool Runtime::WriteLogLine(const std::string& line) {
    std::string path = ExpandHomePath(config_.LogFileName);
    size_t written = 0;
    for (;;) {
        int error = 0;
        std::FILE* f = std::fopen(path.c_str(), "ab");
        if (!f) {
            error = errno;
        } else {
            std::setvbuf(f, nullptr, _IONBF, 0);
            while (written < line.size()) {
                size_t n = std::fwrite(line.data() + written, 1, line.size() - written, f);
                written += n;
                if (n == 0 || std::ferror(f)) {
                    error = errno ? errno : EIO;
                    break;
                }
            }
            if (std::fclose(f) != 0 && error == 0) error = errno ? errno : EIO;
            if (error == 0 && written == line.size()) return true;
        }
        messages_.Beep();
        std::string text = Text(4003) + " " + config_.LogFileName + "\n" + std::strerror(error);
        std::string title = "Portivox - COM" + std::to_string(config_.CommPort + 1) + " ERROR!";
        if (messages_.Show(text, title, MsgIcon::Exclamation, MsgButtons::RetryCancel) !=
            MsgResult::Retry)
            return false;
    }
}

} // namespace pv
