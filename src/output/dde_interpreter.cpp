#include "output/dde_interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "expr/format.h"
#include "expr/leading_number.h"
#include "output/dde_link_text.h"
#include "text/byte_text.h"

namespace pv {

namespace {

// Only spaces: a tab is part of a command.
std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

/// Rounds halves to even; false when the result leaves [low, high].
bool RoundedWhole(double value, double low, double high, long long& out) {
    if (!std::isfinite(value)) return false;
    double r = std::nearbyint(value);
    if (r < low || r > high) return false;
    out = static_cast<long long>(r);
    return true;
}

} // namespace

PreparedCommand PrepareCommand(const std::string& text) {
    PreparedCommand c;
    c.Received = TrimBlanks(text);
    c.Cmd = UpperCase(c.Received);
    size_t close = c.Cmd.find_last_of("}]");
    if (close != std::string::npos) {
        c.Cmd.resize(close + 1);
        c.Received.resize(close + 1);
    }
    if (c.Cmd.empty()) return c;
    if (c.Cmd.front() == '[') c.Cmd.front() = '{';
    if (c.Cmd.back() == ']') c.Cmd.back() = '}';
    return c;
}

std::string DecodeCommandArgument(const std::string& argument) {
    std::string result;
    int digits = 0;
    unsigned code = 0; // the buffered number modulo 256
    auto flush = [&] {
        result += static_cast<char>(code & 0xFF);
        digits = 0;
        code = 0;
    };
    bool quoted = false;
    for (char ch : argument) {
        if (ch == '\'') {
            quoted = !quoted;
            if (quoted && digits > 0) flush();
        } else if (quoted) {
            result += ch;
        } else if (ch >= '0' && ch <= '9') {
            code = (code * 10 + unsigned(ch - '0')) % 256;
            ++digits;
        } else if (digits > 0) {
            flush();
        }
    }
    if (digits > 0) flush();
    return result;
}

CommandInterpreter::CommandInterpreter(const Config& config, Runtime& runtime, Clock& clock,
                                       MessageSink& messages, DdeItems& items, CommandParts parts)
    : config_(config), runtime_(runtime), clock_(clock), messages_(messages), items_(items),
      parts_(parts) {}

int CommandInterpreter::FieldCount() const {
    return std::clamp<int>(config_.FieldCount, 1, kMaxFields);
}

using Self = CommandInterpreter;

bool Self::Baud(Self& s, int32_t rate) {
    s.runtime_.ChangeLine(LineParameter::Baud, rate);
    return true;
}
bool Self::Parity(Self& s, int32_t code) {
    s.runtime_.ChangeLine(LineParameter::Parity, code);
    return true;
}
bool Self::DataBits(Self& s, int32_t bits) {
    s.runtime_.ChangeLine(LineParameter::DataBits, bits);
    return true;
}
bool Self::StopBits(Self& s, int32_t code) {
    s.runtime_.ChangeLine(LineParameter::StopBits, code);
    return true;
}
// Without line signals (Virtual Instrument mode) these do nothing and are
// not refused.
bool Self::Signal(Self& s, int32_t signal) {
    s.runtime_.Signal(static_cast<LineSignal>(signal));
    return true;
}

const CommandInterpreter::FixedCommand CommandInterpreter::kFixed[] = {
    {"{BAUD110}", Baud, 110},
    {"{BAUD300}", Baud, 300},
    {"{BAUD600}", Baud, 600},
    {"{BAUD1200}", Baud, 1200},
    {"{BAUD2400}", Baud, 2400},
    {"{BAUD4800}", Baud, 4800},
    {"{BAUD9600}", Baud, 9600},
    {"{BAUD14400}", Baud, 14400},
    {"{BAUD19200}", Baud, 19200},
    {"{BAUD38400}", Baud, 38400},
    {"{BAUD57600}", Baud, 57600},
    {"{BAUD115200}", Baud, 115200},
    {"{PARITYNONE}", Parity, 0},
    {"{PARITYODD}", Parity, 1},
    {"{PARITYEVEN}", Parity, 2},
    {"{PARITYMARK}", Parity, 3},
    {"{PARITYSPACE}", Parity, 4},
    {"{DATABITS5}", DataBits, 5},
    {"{DATABITS6}", DataBits, 6},
    {"{DATABITS7}", DataBits, 7},
    {"{DATABITS8}", DataBits, 8},
    {"{STOPBITS1}", StopBits, 0},
    {"{STOPBITS1.5}", StopBits, 1},
    {"{STOPBITS2}", StopBits, 2},
    {"{BEEP}", [](Self& s, int32_t) { return s.messages_.Beep(), true; }},
    {"{TIMER-OFF}", [](Self& s, int32_t) { return s.runtime_.SetTimedOutput(false), true; }},
    {"{TIMER-ON}", [](Self& s, int32_t) { return s.runtime_.SetTimedOutput(true), true; }},
    {"{RESUME1}",
     [](Self& s, int32_t) {
         if (s.runtime_.Suspended()) s.runtime_.ResumeForOneRecord();
         return true;
     }},
    {"{SUSPEND}", [](Self& s, int32_t) { return s.runtime_.Suspend(), true; }},
    {"{RESUME}", [](Self& s, int32_t) { return s.runtime_.Resume(), true; }},
    {"{BREAK}", Signal, int32_t(LineSignal::Break)},
    {"{TOGGLEDTR}", Signal, int32_t(LineSignal::PulseDtr)},
    {"{DTR=ON}", Signal, int32_t(LineSignal::RaiseDtr)},
    {"{DTR=OFF}", Signal, int32_t(LineSignal::LowerDtr)},
    {"{RTS=ON}", Signal, int32_t(LineSignal::RaiseRts)},
    {"{RTS=OFF}", Signal, int32_t(LineSignal::LowerRts)},
    {"{RESET}", [](Self& s, int32_t) { return s.runtime_.Reset(), true; }},
    {"{CLEAR}", [](Self& s, int32_t) { return s.runtime_.ClearFields(), true; }},
    {"{APPNORMAL}",
     [](Self& s, int32_t) {
         if (s.parts_.Window) s.parts_.Window->ShowNormal();
         return true;
     }},
    {"{APPMINIMIZE}",
     [](Self& s, int32_t) {
         if (s.parts_.Window) s.parts_.Window->Minimize();
         return true;
     }},
    {"{APPEXIT}", [](Self& s, int32_t) { return s.runtime_.RequestExit(), true; }},
    {"{PASTE-COMMAND}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().PasteCommand, &Self::PasteCommandLink);
     }},
    {"{REFRESH-COMMAND}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().RefreshCommand, &Self::RefreshCommandLink);
     }},
    {"{TERMINATE-COMMAND}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().TerminateCommand, &Self::TerminateCommandLink);
     }},
    {"{PASTE-BUFFER}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().PasteBuffer, &Self::PasteBufferLink);
     }},
    {"{REFRESH-BUFFER}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().RefreshBuffer, &Self::RefreshBufferLink);
     }},
    {"{TERMINATE-BUFFER}",
     [](Self& s, int32_t) {
         return s.RunLinkItem(s.EditMenu().TerminateBuffer, &Self::TerminateBufferLink);
     }},
    {"{STRIPCRLF-ON}",
     [](Self& s, int32_t) { return s.runtime_.SetBufferLinkStripCrLf(true), true; }},
    {"{STRIPCRLF-OFF}",
     [](Self& s, int32_t) { return s.runtime_.SetBufferLinkStripCrLf(false), true; }},
    {"{COPYDATE}", [](Self& s, int32_t) { return s.CopyLink("DateTime"), true; }},
    {"{COPYRECNUM}", [](Self& s, int32_t) { return s.CopyLink("RecordNumber"), true; }},
};

const CommandInterpreter::ArgumentCommand CommandInterpreter::kWithArgument[] = {
    {"{SEND(", true, [](Self& s, const std::string& a) { return s.runtime_.QueueOutput(a); }},
    {"{SENDOUT(", true,
     [](Self& s, const std::string& a) {
         return s.runtime_.QueueOutput(DecodeCommandArgument(a));
     }},
    {"{TIMERSTRING=", true,
     [](Self& s, const std::string& a) {
         return s.runtime_.SetTimerString(DecodeCommandArgument(a)), true;
     }},
    {"{SENDCODE(", true,
     [](Self& s, const std::string& a) {
         double value = LeadingNumber(a);
         long long code = 0;
         if (!(value >= 0 && value < 256) || !RoundedWhole(value, 0, 255, code)) return false;
         return s.runtime_.QueueOutput(std::string(1, static_cast<char>(code)));
     }},
    {"{SENDDATE(", true,
     [](Self& s, const std::string& a) {
         return s.runtime_.QueueOutput(FormatDateTime(s.clock_.Now(), a));
     }},
    {"{SENDFILE(", true, [](Self& s, const std::string& a) { return s.runtime_.QueueFile(a); }},
    {"{PUSH(", false, [](Self& s, const std::string& a) { return s.Push(a); }},
    // File names keep their case: the file system tells them apart.
    {"{CONFIG(", true,
     [](Self& s, const std::string& a) { return s.runtime_.LoadConfiguration(a); }},
    {"{COPYFIELD(", false,
     [](Self& s, const std::string& a) {
         long long n = 0;
         if (!RoundedWhole(LeadingNumber(a), -32768, 32767, n)) return false;
         if (n < 1 || n > s.FieldCount()) return false;
         s.CopyLink(FieldItemName(static_cast<int>(n)));
         return true;
     }},
    {"{TIMERINTERVAL=", false,
     [](Self& s, const std::string& a) { return s.SetTimerInterval(LeadingNumber(a)); }},
};

bool CommandInterpreter::Execute(const std::string& command) {
    PreparedCommand c = PrepareCommand(command);
    if (c.Cmd.empty()) return true;
    for (const FixedCommand& f : kFixed)
        if (c.Cmd == f.Name) return f.Run(*this, f.Value);
    return RunWithArgument(c);
}

bool CommandInterpreter::RunWithArgument(const PreparedCommand& c) {
    for (const ArgumentCommand& a : kWithArgument) {
        size_t prefix = std::strlen(a.Prefix);
        size_t closing = a.Prefix[prefix - 1] == '(' ? 2 : 1;
        // The shortest accepted form has two argument characters, so "{SEND()}"
        // and a one-digit "{TIMERINTERVAL=5}" are refused.
        if (c.Cmd.size() < prefix + 3 || !StartsWith(c.Cmd, a.Prefix)) continue;
        const std::string& from = a.KeepsCase ? c.Received : c.Cmd;
        return a.Run(*this, from.substr(prefix, c.Cmd.size() - prefix - closing));
    }
    return false;
}

bool CommandInterpreter::Push(const std::string& argument) {
    if (argument == "DTR~") return runtime_.Signal(LineSignal::PulseDtr);
    if (argument == "BREAK") return runtime_.Signal(LineSignal::Break);
    for (int i = 1; i <= kOutputStrings; ++i)
        if (argument == UpperCase(config_.OutputStringCaption[size_t(i)]))
            return runtime_.QueueOutput(config_.OutputStringText[size_t(i)]);
    return false;
}

bool CommandInterpreter::SetTimerInterval(double value) {
    long long n = 0;
    if (!RoundedWhole(value, -2147483648.0, 2147483647.0, n)) return false;
    runtime_.SetTimerInterval(static_cast<int32_t>(std::max(n, 0LL)));
    return true;
}

bool CommandInterpreter::RunLinkItem(bool enabled, void (CommandInterpreter::*handler)()) {
    if (!enabled) return false;
    (this->*handler)();
    return true;
}

EditMenuState CommandInterpreter::EditMenu() {
    EditMenuState s;
    std::string link;
    bool haveLink = parts_.Clipboard && parts_.Clipboard->GetLink(link);
    s.PasteCommand = s.PasteBuffer = haveLink;
    s.RefreshCommand = !config_.CmdLinkApp.empty() && !config_.CmdLinkTopic.empty();
    s.RefreshBuffer = !config_.BufferLinkApp.empty() && !config_.BufferLinkTopic.empty();
    s.TerminateCommand = parts_.Links && parts_.Links->CommandLinkActive();
    s.TerminateBuffer = parts_.Links && parts_.Links->BufferLinkActive();
    return s;
}

void CommandInterpreter::PasteCommandLink() {
    std::string text;
    if (!parts_.Clipboard || !parts_.Clipboard->GetLink(text)) return;
    LinkReference r = ParseLinkText(text);
    runtime_.SetCommandLink(r.App, r.Topic, r.Item);
}

void CommandInterpreter::PasteBufferLink() {
    std::string text;
    if (!parts_.Clipboard || !parts_.Clipboard->GetLink(text)) return;
    LinkReference r = ParseLinkText(text);
    runtime_.SetBufferLink(r.App, r.Topic, r.Item);
}

void CommandInterpreter::TerminateCommandLink() {
    if (parts_.Links) parts_.Links->TerminateCommandLink();
}

void CommandInterpreter::TerminateBufferLink() {
    if (parts_.Links) parts_.Links->TerminateBufferLink();
}

void CommandInterpreter::CopyLink(const std::string& item) {
    if (!parts_.Clipboard) return;
    std::string text;
    items_.Get(item, FieldCount(), text);
    parts_.Clipboard->SetLink(LinkText(ServiceName, runtime_.DdeTopic(), item), text);
}

} // namespace pv
