#include "output/dde_interpreter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "config/config_file.h"
#include "expr/format.h"
#include "expr/leading_number.h"
#include "output/dde_link_text.h"

namespace pv {

namespace {

std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

/// Mid$(text, position, length) with 1-based positions; never throws.
std::string Mid(const std::string& text, size_t position, long long length) {
    if (length <= 0 || position < 1 || position > text.size()) return {};
    return text.substr(position - 1, static_cast<size_t>(length));
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

std::string UpperCase(std::string text) {
    for (auto& ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            c = static_cast<unsigned char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)
            c = static_cast<unsigned char>(c - 16);
        else if (c == 0xFF)
            c = 0x9F;
        ch = static_cast<char>(c);
    }
    return text;
}

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

CommandInterpreter::CommandInterpreter(Config& config, Runtime& runtime, SerialPort& port,
                                       Clock& clock, MessageSink& messages, DdeItems& items,
                                       CommandParts parts)
    : config_(config), runtime_(runtime), port_(port), clock_(clock), messages_(messages),
      items_(items), parts_(parts) {}

int CommandInterpreter::FieldCount() const {
    return std::clamp<int>(config_.FieldCount, 1, kMaxFields);
}

bool CommandInterpreter::Execute(const std::string& command) {
    PreparedCommand c = PrepareCommand(command);
    if (c.Cmd.empty()) return true;
    bool accepted = true;
    if (RunFixed(c.Cmd, accepted)) return accepted;
    return RunWithArgument(c);
}

bool CommandInterpreter::RunFixed(const std::string& cmd, bool& accepted) {
    static const struct {
        const char* name;
        int32_t rate;
    } kBauds[] = {{"{BAUD110}", 110},     {"{BAUD300}", 300},     {"{BAUD600}", 600},
                  {"{BAUD1200}", 1200},   {"{BAUD2400}", 2400},   {"{BAUD4800}", 4800},
                  {"{BAUD9600}", 9600},   {"{BAUD14400}", 14400}, {"{BAUD19200}", 19200},
                  {"{BAUD38400}", 38400}, {"{BAUD57600}", 57600}, {"{BAUD115200}", 115200}};
    for (const auto& b : kBauds)
        if (cmd == b.name) {
            port_.SetPortBaud(b.rate);
            return true;
        }
    static const char* const kParities[] = {"{PARITYNONE}", "{PARITYODD}", "{PARITYEVEN}",
                                            "{PARITYMARK}", "{PARITYSPACE}"};
    for (int i = 0; i < 5; ++i)
        if (cmd == kParities[i]) {
            port_.SetPortParity(i);
            return true;
        }
    static const char* const kDataBits[] = {"{DATABITS5}", "{DATABITS6}", "{DATABITS7}",
                                            "{DATABITS8}"};
    for (int i = 0; i < 4; ++i)
        if (cmd == kDataBits[i]) {
            port_.SetPortDataBits(5 + i);
            return true;
        }
    static const char* const kStopBits[] = {"{STOPBITS1}", "{STOPBITS1.5}", "{STOPBITS2}"};
    for (int i = 0; i < 3; ++i)
        if (cmd == kStopBits[i]) {
            port_.SetPortStopBits(i);
            return true;
        }

    if (cmd == "{BEEP}") {
        messages_.Beep();
    } else if (cmd == "{TIMER-OFF}") {
        if (runtime_.TimerState & 1) runtime_.ToggleTimedOutput();
    } else if (cmd == "{TIMER-ON}") {
        if (!(runtime_.TimerState & 1)) runtime_.ToggleTimedOutput();
    } else if (cmd == "{RESUME1}") {
        if (runtime_.Suspended) runtime_.ResumeForOneRecord();
    } else if (cmd == "{SUSPEND}") {
        runtime_.Suspend();
    } else if (cmd == "{RESUME}") {
        runtime_.Resume();
    } else if (cmd == "{BREAK}") {
        if (!Virtual()) port_.StartBreak();
    } else if (cmd == "{TOGGLEDTR}") {
        if (!Virtual()) port_.PulseDtr();
    } else if (cmd == "{DTR=ON}") {
        if (!Virtual()) port_.RaiseDtr();
    } else if (cmd == "{DTR=OFF}") {
        if (!Virtual()) port_.LowerDtr();
    } else if (cmd == "{RTS=ON}") {
        if (!Virtual()) port_.RaiseRts();
    } else if (cmd == "{RTS=OFF}") {
        if (!Virtual()) port_.LowerRts();
    } else if (cmd == "{RESET}") {
        runtime_.Reset();
    } else if (cmd == "{CLEAR}") {
        for (int i = 1; i <= FieldCount(); ++i)
            items_.ShowField(i, "");
    } else if (cmd == "{APPNORMAL}") {
        if (parts_.Window) parts_.Window->ShowNormal();
    } else if (cmd == "{APPMINIMIZE}") {
        if (parts_.Window) parts_.Window->Minimize();
    } else if (cmd == "{APPEXIT}") {
        runtime_.RequestExit();
    } else if (cmd == "{PASTE-COMMAND}") {
        accepted = RunLinkItem(EditMenu().PasteCommand, &CommandInterpreter::PasteCommandLink);
    } else if (cmd == "{REFRESH-COMMAND}") {
        accepted = RunLinkItem(EditMenu().RefreshCommand, &CommandInterpreter::RefreshCommandLink);
    } else if (cmd == "{TERMINATE-COMMAND}") {
        accepted =
            RunLinkItem(EditMenu().TerminateCommand, &CommandInterpreter::TerminateCommandLink);
    } else if (cmd == "{PASTE-BUFFER}") {
        accepted = RunLinkItem(EditMenu().PasteBuffer, &CommandInterpreter::PasteBufferLink);
    } else if (cmd == "{REFRESH-BUFFER}") {
        accepted = RunLinkItem(EditMenu().RefreshBuffer, &CommandInterpreter::RefreshBufferLink);
    } else if (cmd == "{TERMINATE-BUFFER}") {
        accepted =
            RunLinkItem(EditMenu().TerminateBuffer, &CommandInterpreter::TerminateBufferLink);
    } else if (cmd == "{STRIPCRLF-ON}") {
        config_.BufferLinkStripCrLf = True;
    } else if (cmd == "{STRIPCRLF-OFF}") {
        config_.BufferLinkStripCrLf = False;
    } else if (cmd == "{COPYDATE}") {
        CopyLink("DateTime");
    } else if (cmd == "{COPYRECNUM}") {
        CopyLink("RecordNumber");
    } else {
        return false;
    }
    return true;
}

bool CommandInterpreter::RunWithArgument(const PreparedCommand& c) {
    const std::string& cmd = c.Cmd;
    const std::string& received = c.Received;
    const long long L = static_cast<long long>(cmd.size());

    if (StartsWith(cmd, "{SEND(") && L >= 9) {
        port_.PendingOutput += Mid(received, 7, L - 8);
        return true;
    }
    if (StartsWith(cmd, "{SENDOUT(") && L >= 12) {
        port_.PendingOutput += DecodeCommandArgument(Mid(received, 10, L - 11));
        return true;
    }
    if (StartsWith(cmd, "{TIMERSTRING=") && L >= 16) {
        config_.TimerString = DecodeCommandArgument(Mid(received, 14, L - 14));
        return true;
    }
    if (StartsWith(cmd, "{SENDCODE(") && L >= 13) {
        double value = LeadingNumber(Mid(received, 11, L - 12));
        long long code = 0;
        if (!(value >= 0 && value < 256) || !RoundedWhole(value, 0, 255, code)) return false;
        port_.PendingOutput += static_cast<char>(code);
        return true;
    }
    if (StartsWith(cmd, "{SENDDATE(") && L >= 13) {
        port_.PendingOutput += FormatDateTime(clock_.Now(), Mid(received, 11, L - 12));
        return true;
    }
    if (StartsWith(cmd, "{SENDFILE(") && L >= 13) {
        return port_.QueueFile(Mid(received, 11, L - 12));
    }
    if (StartsWith(cmd, "{PUSH(") && L >= 9) {
        return Push(Mid(cmd, 7, L - 8));
    }
    if (StartsWith(cmd, "{CONFIG(") && L >= 11) {
        // File names keep their case: the file system tells them apart.
        return LoadConfiguration(Mid(received, 9, L - 10));
    }
    if (StartsWith(cmd, "{COPYFIELD(") && L >= 14) {
        long long n = 0;
        if (!RoundedWhole(LeadingNumber(Mid(cmd, 12, L - 13)), -32768, 32767, n)) return false;
        if (n < 1 || n > FieldCount()) return false;
        CopyLink(FieldItemName(static_cast<int>(n)));
        return true;
    }
    if (StartsWith(cmd, "{TIMERINTERVAL=") && L >= 18) {
        return SetTimerInterval(LeadingNumber(Mid(cmd, 16, L - 16)));
    }
    return false;
}

bool CommandInterpreter::Push(const std::string& argument) {
    if (argument == "DTR~") {
        if (Virtual()) return false;
        port_.PulseDtr();
        return true;
    }
    if (argument == "BREAK") {
        if (Virtual()) return false;
        port_.StartBreak();
        return true;
    }
    for (int i = 1; i <= kOutputStrings; ++i)
        if (argument == UpperCase(config_.OutputStringCaption[size_t(i)])) {
            port_.PendingOutput += config_.OutputStringText[size_t(i)];
            return true;
        }
    return false;
}

bool CommandInterpreter::SetTimerInterval(double value) {
    long long n = 0;
    if (!RoundedWhole(value, -2147483648.0, 2147483647.0, n)) return false;
    if (n > 0) {
        config_.TimerInterval = static_cast<int32_t>(n);
        runtime_.TimerDueBase = 0;
        bool on = (runtime_.TimerState & 1) != 0;
        bool enabled =
            !(config_.TimerString.empty() && (config_.TimerFlags & TimerActionString) != 0);
        if (parts_.Window) parts_.Window->TimedOutputMenuState(enabled, on);
    } else {
        config_.TimerInterval = 0;
        if (runtime_.TimerState & 1) runtime_.ToggleTimedOutput();
        if (parts_.Window) parts_.Window->TimedOutputMenuState(false, false);
    }
    return true;
}

bool CommandInterpreter::LoadConfiguration(const std::string& path) {
    if (Virtual()) return false;
    // A device or a pipe would never end (or never answer) when read whole.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    if (CheckFile(path, messages_).commPort != config_.CommPort) return false;
    if (parts_.Window) parts_.Window->RemoveDynamicControls();
    config_.ConfigFileName = path;
    ReadConfigFile(config_, messages_);
    port_.ClosePort();
    port_.OpenPort();
    runtime_.Start();
    if (parts_.Window) parts_.Window->Rebuild();
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
    config_.CmdLinkApp = r.App;
    config_.CmdLinkTopic = r.Topic;
    config_.CmdLinkItem = r.Item;
    runtime_.DDEFieldPasteFlag = true;
}

void CommandInterpreter::PasteBufferLink() {
    std::string text;
    if (!parts_.Clipboard || !parts_.Clipboard->GetLink(text)) return;
    LinkReference r = ParseLinkText(text);
    config_.BufferLinkApp = r.App;
    config_.BufferLinkTopic = r.Topic;
    config_.BufferLinkItem = r.Item;
    runtime_.DDEBufferPasteFlag = true;
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
    parts_.Clipboard->SetLink(LinkText(ServiceName, runtime_.DdeTopic, item), text);
}

} // namespace pv
