#include "config/config_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "config/file_io.h"
#include "config/settings_table.h"
#include "expr/leading_number.h"
#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

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
        auto v = ParseInteger(s, -1'000'000'000'000LL, 1'000'000'000'000LL);
        if (v) out = *v;
        return v.has_value();
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

std::string FirstLine(const std::string& bytes) {
    size_t lf = bytes.find('\n');
    std::string s = bytes.substr(0, lf);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

// One setting's slot at one position of a file ordering.
struct Item {
    int key;
    const SettingDef* def;
    int index;
};

std::vector<Item> Order(std::vector<Run> SettingDef::*runs) {
    std::vector<Item> items;
    for (const auto& def : SettingsTable())
        for (const Run& r : def.*runs)
            for (int i = r.first; i <= r.last; ++i)
                items.push_back({r.key + r.stride * (i - r.first), &def, i});
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.key < b.key; });
    return items;
}

const std::vector<Item>& Version3() {
    static const std::vector<Item> items = Order(&SettingDef::v3);
    return items;
}
const std::vector<Item>& Version2() {
    static const std::vector<Item> items = Order(&SettingDef::v2);
    return items;
}
const std::vector<Item>& RawBlock() {
    static const std::vector<Item> items = Order(&SettingDef::block);
    return items;
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

void ShowInvalidFile(const std::string& fileName, const std::string& why, MessageSink& messages) {
    messages.Show(fileName + " " + Text(txt::NotAConfigFile) + (why.empty() ? "" : "\n" + why),
                  Text(txt::FileErrorTitle), MsgIcon::Question, MsgButtons::Ok);
}

} // namespace

bool ParseConfig(const std::string& bytes, Settings& s, int& version, std::string* error) {
    try {
        Reader r(bytes);
        version = r.Line() == kHeaderVersion2 ? 2 : 3;
        std::map<std::pair<const SettingDef*, int>, int> counts;
        bool blockRead = version == 2;
        for (const Item& item : version == 2 ? Version2() : Version3()) {
            if (!blockRead && item.key > kLastTextLine) {
                for (const Item& raw : RawBlock())
                    raw.def->text(s, raw.index) = r.Raw(counts[{raw.def, raw.index}]);
                blockRead = true;
            }
            const SettingDef& d = *item.def;
            const int i = item.index;
            switch (d.form) {
            case Form::Number:
                d.setNumber(s, i, d.kind == Kind::Int32 ? r.Int32() : r.Int16());
                break;
            case Form::Text: d.text(s, i) = r.Line(); break;
            case Form::KeyText: {
                std::string line = r.Line();
                d.text(s, i) = line == "{ }" ? " " : line;
                break;
            }
            case Form::PreInput: {
                std::string line = r.Line();
                long long code = 0;
                if (line == "Ignore" || line == "Void Record")
                    d.text(s, i) = line;
                else if (Reader::ParseNumber(line, code) && code >= 0 && code <= 255)
                    d.text(s, i) = std::string(1, static_cast<char>(code));
                else
                    r.Fail("line " + std::to_string(r.line()) +
                           " is not a valid translation entry");
                break;
            }
            case Form::Delimiter:
                d.text(s, i) = version == 2 ? r.FirstByteOfLine() : std::string(1, r.Code());
                break;
            case Form::Codes: {
                std::string codes;
                for (int n = 0; n < 256; ++n)
                    codes += r.Code();
                d.text(s, i) = codes;
                break;
            }
            case Form::Counted:
                if (version == 2)
                    d.text(s, i) = r.Counted();
                else
                    counts[{&d, i}] = r.Count();
                break;
            case Form::TrailText:
                if (!r.AtEnd()) d.text(s, i) = r.Line();
                break;
            case Form::TrailInt: d.setNumber(s, i, r.AtEnd() ? 0 : LeadingInteger(r.Line())); break;
            }
        }
        return true;
    } catch (const Malformed& m) {
        if (error) *error = m.what;
        return false;
    }
}

std::string SerializeConfig(const Settings& settings, std::string* error) {
    // The accessors hand out references; nothing below writes through them.
    Settings& c = const_cast<Settings&>(settings);
    Writer w;
    w.Text(kHeaderVersion3);
    bool blockWritten = false;
    for (const Item& item : Version3()) {
        if (!blockWritten && item.key > kLastTextLine) {
            // The block's order is not the order of the counts.
            for (const Item& raw : RawBlock())
                w.Raw(raw.def->text(c, raw.index));
            blockWritten = true;
        }
        const SettingDef& d = *item.def;
        const int i = item.index;
        switch (d.form) {
        case Form::Number: w.Number(d.number(c, i)); break;
        case Form::Text:
        case Form::KeyText:
        case Form::TrailText: w.Text(d.text(c, i)); break;
        case Form::PreInput: {
            const std::string& entry = d.text(c, i);
            if (entry == "Ignore" || entry == "Void Record")
                w.Text(entry);
            else
                w.Text(" " +
                       std::to_string(entry.empty() ? 0 : static_cast<unsigned char>(entry[0])));
            break;
        }
        case Form::Delimiter: w.Code(d.text(c, i)); break;
        case Form::Codes: {
            const std::string& codes = d.text(c, i);
            for (size_t n = 0; n < 256; ++n)
                w.Number(n < codes.size() ? static_cast<unsigned char>(codes[n]) : 0);
            break;
        }
        case Form::Counted: w.Count(d.text(c, i)); break;
        case Form::TrailInt: w.Raw(std::to_string(d.number(c, i)) + "\r\n"); break;
        }
    }
    if (!w.error().empty()) {
        if (error) *error = w.error();
        return {};
    }
    return std::move(w.out());
}

FileCheck CheckFile(const std::string& fileName, MessageSink& messages) {
    FileCheck check;
    if (fileName.empty()) return check;
    std::string bytes;
    switch (ReadRegularFile(fileName, bytes, check.why, kMaxConfigFileSize)) {
    case ReadResult::Missing: check.outcome = FileCheck::Missing; return check;
    case ReadResult::Failed: check.outcome = FileCheck::Unreadable; return check;
    case ReadResult::Read: break;
    }
    check.outcome = FileCheck::NotConfig;
    std::string header = FirstLine(bytes);
    if (header != kHeaderVersion3 && header != kHeaderVersion2) {
        check.why = "line 1 is not a configuration file header";
        ShowInvalidFile(fileName, check.why, messages);
        return check;
    }
    Reader r(bytes);
    try {
        r.Line();
        int16_t port = r.Int16();
        if (port < 0) {
            check.why = "line 2 holds a negative port number";
            return check;
        }
        check.outcome = FileCheck::Valid;
        check.commPort = port;
        check.why.clear();
    } catch (const Malformed& m) {
        check.why = m.what;
    }
    return check;
}

bool ReadConfigFile(Config& config, MessageSink& messages) {
    std::string bytes, why;
    Settings parsed = config;
    int version = 3;
    if (ReadRegularFile(config.ConfigFileName, bytes, why, kMaxConfigFileSize) !=
            ReadResult::Read ||
        !ParseConfig(bytes, parsed, version, &why)) {
        ShowInvalidFile(config.ConfigFileName, why, messages);
        return false;
    }
    static_cast<Settings&>(config) = std::move(parsed);
    config.ConfigLoaded = True;
    config.ConfigChanged = False;
    if (version == 2) {
        messages.Beep();
        messages.Show(Text(txt::OldVersionConverted), "Portivox Version 4.0", MsgIcon::None,
                      MsgButtons::Ok);
        config.ConfigChanged = True;
    }
    return true;
}

bool WriteConfigFile(Config& config, MessageSink& messages) {
    if (config.ConfigFileName.empty()) return false;
    std::string why;
    std::string bytes = SerializeConfig(config, &why);
    if (bytes.empty() || !ReplaceFile(config.ConfigFileName, bytes, why)) {
        messages.Beep();
        messages.Show(Text(txt::FileWriteError) + " " + config.ConfigFileName + "\n" + why,
                      "Portivox", MsgIcon::None, MsgButtons::Ok);
        return false;
    }
    return true;
}

void LoadConfiguration(Config& config, MessageSink& messages) {
    BuildNamedFormats(config);
    if (!CheckFile(config.ConfigFileName, messages).ok() || !ReadConfigFile(config, messages))
        ResetToDefaults(config);
}

} // namespace pv
