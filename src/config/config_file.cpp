#include "config/config_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "expr/leading_number.h"
#include "text/strings.h"

namespace pv {
namespace {

// ---- writing ------------------------------------------------------------

class Writer {
  public:
    void Text(const std::string& s) {
        if (s.find_first_of("\r\n") != std::string::npos && error_.empty())
            error_ = "a text line holds CR or LF";
        out_ += s;
        out_ += "\r\n";
    }
    void Number(long long v) {
        out_ += v < 0 ? "-" : " ";
        out_ += std::to_string(v < 0 ? -v : v);
        out_ += " \r\n";
    }
    void Code(const std::string& s) { Number(s.empty() ? 0 : static_cast<unsigned char>(s[0])); }
    void Count(const std::string& s) {
        if (s.size() > 32767 && error_.empty()) error_ = "a string is longer than 32767 bytes";
        Number(static_cast<long long>(s.size()));
    }
    void Raw(const std::string& s) { out_ += s; }
    std::string& out() { return out_; }
    const std::string& error() const { return error_; }

  private:
    std::string out_;
    std::string error_;
};

// ---- reading ------------------------------------------------------------

struct Malformed {
    std::string what;
};

class Reader {
  public:
    explicit Reader(const std::string& bytes) : b_(bytes) {}

    bool AtEnd() const { return pos_ >= b_.size(); }
    int line() const { return line_; }

    std::string Line() {
        if (AtEnd()) Fail("the file ends early");
        size_t lf = b_.find('\n', pos_);
        size_t end = lf == std::string::npos ? b_.size() : lf;
        std::string s = b_.substr(pos_, end - pos_);
        if (!s.empty() && s.back() == '\r') s.pop_back();
        pos_ = lf == std::string::npos ? b_.size() : lf + 1;
        ++line_;
        return s;
    }

    long long Number(long long lo, long long hi) {
        std::string s = Line();
        long long v = 0;
        if (!ParseNumber(s, v) || v < lo || v > hi)
            Fail("line " + std::to_string(line_) + " is not a valid number");
        return v;
    }
    int16_t Int16() { return static_cast<int16_t>(Number(-32768, 32767)); }
    int32_t Int32() {
        return static_cast<int32_t>(
            Number(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    char Code() { return static_cast<char>(Number(0, 255)); }
    int Count() { return static_cast<int>(Number(0, 32767)); }

    std::string Raw(int n) {
        if (b_.size() - pos_ < static_cast<size_t>(n)) Fail("the file ends inside its data block");
        std::string s = b_.substr(pos_, n);
        pos_ += n;
        return s;
    }

    /// A version-2 counted string: a count line, then that many bytes.
    std::string Counted() { return Raw(Count()); }

    /// Version 2's delimiter line: its first byte, the rest ignored.
    std::string FirstByteOfLine() {
        if (AtEnd()) Fail("the file ends early");
        std::string c(1, b_[pos_]);
        if (c[0] == '\n') {
            ++pos_;
            ++line_;
            return c;
        }
        Line();
        return c;
    }

    static bool ParseNumber(const std::string& s, long long& out) {
        size_t i = 0;
        auto skip = [&] {
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
                ++i;
        };
        skip();
        bool neg = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
        skip();
        size_t start = i;
        long long v = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            if (v > 1'000'000'000'000LL) return false;
            v = v * 10 + (s[i++] - '0');
        }
        if (i == start) return false;
        skip();
        if (i != s.size()) return false;
        out = neg ? -v : v;
        return true;
    }

    [[noreturn]] void Fail(const std::string& what) { throw Malformed{what}; }

  private:
    const std::string& b_;
    size_t pos_ = 0;
    int line_ = 0;
};

// No valid file is larger: 1461 short lines and at most 115 strings of
// 32767 bytes.
constexpr std::uintmax_t kMaxConfigFileSize = 8u << 20;

bool ReadWholeFile(const std::string& name, std::string& out) {
    // A device or a pipe named as a configuration would never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec) ||
        std::filesystem::file_size(name, ec) > kMaxConfigFileSize || ec)
        return false;
    std::ifstream f(name, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    if (f.bad()) return false;
    out = ss.str();
    return true;
}

std::string FirstLine(const std::string& bytes) {
    size_t lf = bytes.find('\n');
    std::string s = bytes.substr(0, lf);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

// Lines 2-24, the same in both versions but for the delimiter line.
void ReadHead(Reader& r, Settings& s, int version) {
    s.CommPort = r.Int16();
    s.BaudRate = r.Int16();
    s.Parity = r.Int16();
    s.DataBits = r.Int16();
    s.StopBits = r.Int16();
    s.FlowControl = r.Int16();
    s.InputBufferSize = r.Int32();
    s.OutputBufferSize = r.Int32();
    s.BeepOnInput = r.Int16();
    s.OutputMode = r.Int16();
    s.RecordDelayTicks = r.Int16();
    s.StartOfRecordEvent = r.Int16();
    s.EndOfRecordEvent = r.Int16();
    s.RecordStructure = r.Int16();
    s.RecordLength = r.Int16();
    s.FieldCount = r.Int16();
    s.FieldDelimiter = version == 2 ? r.FirstByteOfLine() : std::string(1, r.Code());
    s.KeyTargetTitle = r.Line();
    s.KeyTargetCommand = r.Line();
    s.KeyTargetSpecified = r.Int16();
    s.DDECommandApp = r.Line();
    s.DDECommandTopic = r.Line();
    s.DDECommand = r.Line();
}

void ReadTables(Reader& r, Settings& s) {
    for (auto& entry : s.KeystrokeTranslation) {
        entry = r.Line();
        if (entry == "{ }") entry = " ";
    }
    for (auto& entry : s.PreInputTable) {
        std::string line = r.Line();
        long long code = 0;
        if (line == "Ignore" || line == "Void Record")
            entry = line;
        else if (Reader::ParseNumber(line, code) && code >= 0 && code <= 255)
            entry = std::string(1, static_cast<char>(code));
        else
            r.Fail("line " + std::to_string(r.line()) + " is not a valid translation entry");
    }
    s.DDETranslation.clear();
    for (int i = 0; i < 256; ++i)
        s.DDETranslation += r.Code();
    s.LogTranslation.clear();
    for (int i = 0; i < 256; ++i)
        s.LogTranslation += r.Code();
}

void ReadTail(Reader& r, Settings& s) {
    s.LogFileName = r.Line();
    s.MinimizeOnActivation = r.Int16();
    s.CmdLinkApp = r.Line();
    s.CmdLinkTopic = r.Line();
    s.CmdLinkItem = r.Line();
    s.CmdLinkOnActivation = r.Int16();
    s.BufferLinkApp = r.Line();
    s.BufferLinkTopic = r.Line();
    s.BufferLinkItem = r.Line();
    s.BufferLinkOnActivation = r.Int16();
    s.BufferLinkStripCrLf = r.Int16();
    s.DateTimeFormat = r.Line();
    s.ShowDateTime = r.Int16();
    s.WindowButtons = r.Int16();
}

void ReadVersion3Rest(Reader& r, Settings& s) {
    s.TimerInterval = r.Int32();
    s.TimerFlags = r.Int16();
    s.ActivateSuspended = r.Int16();
    s.WindowOnTop = r.Int16();
    for (int n = 0; n < kHotKeys; ++n) {
        s.HotKeyAction[n] = r.Int16();
        s.HotKeyCode[n] = r.Int16();
    }
    for (int i = 1; i <= kMaxFields; ++i)
        s.FieldMathExpression[i] = r.Line();

    int ack = r.Count(), timer = r.Count(), preamble = r.Count(), start = r.Count(),
        end = r.Count();
    std::array<int, kOutputStrings + 1> text{};
    FieldArray<int> postamble{};
    for (int i = 1; i <= kOutputStrings; ++i) {
        text[i] = r.Count();
        postamble[i] = r.Count();
        postamble[i + 20] = r.Count();
    }
    HotKeyArray<int> hot{};
    for (int n = 0; n < kHotKeys; ++n)
        hot[n] = r.Count();

    s.StartOfRecordChars = r.Raw(start);
    s.EndOfRecordChars = r.Raw(end);
    s.AckString = r.Raw(ack);
    s.TimerString = r.Raw(timer);
    s.RecordPreamble = r.Raw(preamble);
    for (int i = 1; i <= kOutputStrings; ++i)
        s.OutputStringText[i] = r.Raw(text[i]);
    for (int i = 1; i <= kMaxFields; ++i)
        s.FieldPostamble[i] = r.Raw(postamble[i]);
    for (int n = 0; n < kHotKeys; ++n)
        s.HotKeyString[n] = r.Raw(hot[n]);
}

// The integer value of a line's leading number, read by the program's one
// leading-number rule; 0 when it has none.
int32_t LeadingInteger(const std::string& line) {
    double v = std::trunc(LeadingNumber(line));
    if (std::isnan(v)) return 0;
    v = std::clamp<double>(v, std::numeric_limits<int32_t>::min(),
                           std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(v);
}

void ShowInvalidFile(const std::string& fileName, MessageSink& messages) {
    messages.Show(fileName + " " + Text(4032), Text(4033), MsgIcon::Question, MsgButtons::Ok);
}

} // namespace

bool ParseConfig(const std::string& bytes, Settings& s, int& version, std::string* error) {
    try {
        Reader r(bytes);
        std::string header = r.Line();
        version = header == kHeaderVersion2 ? 2 : 3;
        ReadHead(r, s, version);
        ReadTables(r, s);
        if (version == 2) {
            s.AckString = r.Counted();
            s.TimerString = r.Counted();
            s.TimerInterval = r.Int32();
            s.TimerFlags = r.Int16();
            s.RecordPreamble = r.Counted();
            for (int i = 1; i <= kOutputStrings; ++i) {
                s.OutputStringCaption[i - 1] = r.Line();
                s.OutputStringText[i] = r.Counted();
                s.FieldFilter[i] = r.Line();
                s.FieldLength[i] = r.Int16();
                s.FieldPostamble[i] = r.Counted();
                s.FieldFilter[i + 20] = r.Line();
                s.FieldLength[i + 20] = r.Int16();
                s.FieldPostamble[i + 20] = r.Counted();
                s.FieldFormat[i] = r.Line();
                s.FieldFormat[i + 20] = r.Line();
            }
        } else {
            for (int i = 1; i <= kOutputStrings; ++i) {
                s.OutputStringCaption[i] = r.Line();
                s.FieldFilter[i] = r.Line();
                s.FieldLength[i] = r.Int16();
                s.FieldFilter[i + 20] = r.Line();
                s.FieldLength[i + 20] = r.Int16();
                s.FieldFormat[i] = r.Line();
                s.FieldFormat[i + 20] = r.Line();
            }
        }
        ReadTail(r, s);
        if (version == 2) {
            s.StartOfRecordChars = r.Counted();
            s.EndOfRecordChars = r.Counted();
        } else {
            ReadVersion3Rest(r, s);
        }
        // The two trailing lines are optional.
        if (!r.AtEnd()) {
            s.DDETopicName = r.Line();
            s.InterCharDelay = r.AtEnd() ? 0 : LeadingInteger(r.Line());
        } else {
            s.InterCharDelay = 0;
        }
        return true;
    } catch (const Malformed& m) {
        if (error) *error = m.what;
        return false;
    }
}

std::string SerializeConfig(const Settings& c, std::string* error) {
    Writer w;
    w.Text(kHeaderVersion3);
    for (long long v : {c.CommPort, c.BaudRate, c.Parity, c.DataBits, c.StopBits, c.FlowControl})
        w.Number(v);
    w.Number(c.InputBufferSize);
    w.Number(c.OutputBufferSize);
    w.Number(c.BeepOnInput);
    for (long long v : {c.OutputMode, c.RecordDelayTicks, c.StartOfRecordEvent, c.EndOfRecordEvent,
                        c.RecordStructure, c.RecordLength, c.FieldCount})
        w.Number(v);
    w.Code(c.FieldDelimiter);
    w.Text(c.KeyTargetTitle);
    w.Text(c.KeyTargetCommand);
    w.Number(c.KeyTargetSpecified);
    w.Text(c.DDECommandApp);
    w.Text(c.DDECommandTopic);
    w.Text(c.DDECommand);
    for (const auto& entry : c.KeystrokeTranslation)
        w.Text(entry);
    for (const auto& entry : c.PreInputTable) {
        if (entry == "Ignore" || entry == "Void Record")
            w.Text(entry);
        else
            w.Text(" " + std::to_string(entry.empty() ? 0 : static_cast<unsigned char>(entry[0])));
    }
    for (int i = 0; i < 256; ++i)
        w.Number(i < static_cast<int>(c.DDETranslation.size())
                     ? static_cast<unsigned char>(c.DDETranslation[i])
                     : 0);
    for (int i = 0; i < 256; ++i)
        w.Number(i < static_cast<int>(c.LogTranslation.size())
                     ? static_cast<unsigned char>(c.LogTranslation[i])
                     : i);
    for (int i = 1; i <= kOutputStrings; ++i) {
        w.Text(c.OutputStringCaption[i]);
        w.Text(c.FieldFilter[i]);
        w.Number(c.FieldLength[i]);
        w.Text(c.FieldFilter[i + 20]);
        w.Number(c.FieldLength[i + 20]);
        w.Text(c.FieldFormat[i]);
        w.Text(c.FieldFormat[i + 20]);
    }
    w.Text(c.LogFileName);
    w.Number(c.MinimizeOnActivation);
    w.Text(c.CmdLinkApp);
    w.Text(c.CmdLinkTopic);
    w.Text(c.CmdLinkItem);
    w.Number(c.CmdLinkOnActivation);
    w.Text(c.BufferLinkApp);
    w.Text(c.BufferLinkTopic);
    w.Text(c.BufferLinkItem);
    w.Number(c.BufferLinkOnActivation);
    w.Number(c.BufferLinkStripCrLf);
    w.Text(c.DateTimeFormat);
    w.Number(c.ShowDateTime);
    w.Number(c.WindowButtons);
    w.Number(c.TimerInterval);
    w.Number(c.TimerFlags);
    w.Number(c.ActivateSuspended);
    w.Number(c.WindowOnTop);
    for (int n = 0; n < kHotKeys; ++n) {
        w.Number(c.HotKeyAction[n]);
        w.Number(c.HotKeyCode[n]);
    }
    for (int i = 1; i <= kMaxFields; ++i)
        w.Text(c.FieldMathExpression[i]);
    w.Count(c.AckString);
    w.Count(c.TimerString);
    w.Count(c.RecordPreamble);
    w.Count(c.StartOfRecordChars);
    w.Count(c.EndOfRecordChars);
    for (int i = 1; i <= kOutputStrings; ++i) {
        w.Count(c.OutputStringText[i]);
        w.Count(c.FieldPostamble[i]);
        w.Count(c.FieldPostamble[i + 20]);
    }
    for (int n = 0; n < kHotKeys; ++n)
        w.Count(c.HotKeyString[n]);
    // The block's order is not the order of the counts above.
    for (const std::string* s : {&c.StartOfRecordChars, &c.EndOfRecordChars, &c.AckString,
                                 &c.TimerString, &c.RecordPreamble})
        w.Raw(*s);
    for (int i = 1; i <= kOutputStrings; ++i)
        w.Raw(c.OutputStringText[i]);
    for (int i = 1; i <= kMaxFields; ++i)
        w.Raw(c.FieldPostamble[i]);
    for (int n = 0; n < kHotKeys; ++n)
        w.Raw(c.HotKeyString[n]);
    w.Text(c.DDETopicName);
    w.Raw(std::to_string(c.InterCharDelay) + "\r\n");
    if (!w.error().empty()) {
        if (error) *error = w.error();
        return {};
    }
    return std::move(w.out());
}

int16_t CheckFile(const std::string& fileName, MessageSink& messages) {
    if (fileName.empty()) return -2;
    std::string bytes;
    if (!ReadWholeFile(fileName, bytes)) return -1;
    std::string header = FirstLine(bytes);
    if (header != kHeaderVersion3 && header != kHeaderVersion2) {
        ShowInvalidFile(fileName, messages);
        return -1;
    }
    Reader r(bytes);
    try {
        r.Line();
        return r.Int16();
    } catch (const Malformed&) {
        return -1;
    }
}

bool ReadConfigFile(Config& config, MessageSink& messages) {
    std::string bytes;
    Settings parsed = config;
    int version = 3;
    if (!ReadWholeFile(config.ConfigFileName, bytes) || !ParseConfig(bytes, parsed, version)) {
        ShowInvalidFile(config.ConfigFileName, messages);
        return false;
    }
    static_cast<Settings&>(config) = std::move(parsed);
    config.ConfigLoaded = True;
    config.ConfigChanged = False;
    if (version == 2) {
        messages.Beep();
        messages.Show(Text(4029), "Portivox Version 4.0", MsgIcon::None, MsgButtons::Ok);
        config.ConfigChanged = True;
    }
    return true;
}

bool WriteConfigFile(Config& config, MessageSink& messages) {
    if (config.ConfigFileName.empty()) return false;
    std::string why;
    std::string bytes = SerializeConfig(config, &why);
    bool ok = !bytes.empty();
    if (ok) {
        std::ofstream f(config.ConfigFileName, std::ios::binary | std::ios::trunc);
        ok = f.good();
        if (ok) {
            f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            f.flush();
            ok = f.good();
        }
    }
    if (!ok) {
        messages.Beep();
        messages.Show(why.empty() ? "File I/O Error" : "File I/O Error: " + why, "Portivox",
                      MsgIcon::None, MsgButtons::Ok);
        return false;
    }
    return true;
}

void LoadConfiguration(Config& config, MessageSink& messages) {
    BuildNamedFormats(config);
    int16_t r = CheckFile(config.ConfigFileName, messages);
    if (r < 0 || !ReadConfigFile(config, messages)) ResetToDefaults(config);
}

} // namespace pv
