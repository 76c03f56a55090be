#include "porttest/analysis.h"

#include <algorithm>

#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

std::optional<InputAnalysis>& Last() {
    static std::optional<InputAnalysis> last;
    return last;
}

// Decimal with the leading blank a positive number is printed with.
std::string Number(int n) {
    return " " + std::to_string(n);
}

void ReplaceFirst(std::string& text, std::string_view what, const std::string& with) {
    size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
}

} // namespace

std::optional<InputAnalysis> AnalyzeInput(std::string_view data) {
    if (data.empty()) return std::nullopt;
    size_t length = data.size();
    bool crFound = false;
    int commas = 0, spaces = 0, tabs = 0, asterisks = 0;
    bool inSpaces = false; // a run of blanks separates once
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r') {
            crFound = true;
            length = i + 1;
            break;
        }
        if (c == ' ') {
            if (!inSpaces) ++spaces;
            inSpaces = true;
            continue;
        }
        inSpaces = false;
        if (c == '\t') ++tabs;
        if (c == ',') ++commas;
        if (c == '*') ++asterisks;
    }

    InputAnalysis a;
    int count = 0;
    if (commas > 0) {
        count = commas, a.DelimiterName = 9013, a.Delimiter = ",";
    } else if (spaces > 0) {
        count = spaces, a.DelimiterName = 9014, a.Delimiter = " ";
    } else if (tabs > 0) {
        count = tabs, a.DelimiterName = 9015, a.Delimiter = "\t";
    } else if (asterisks > 0) {
        count = asterisks, a.DelimiterName = 9016, a.Delimiter = "*";
    }
    int fields = count + 1;
    if (crFound) {
        a.Layout = fields > 1 ? GuessedLayout::DelimitedCr : GuessedLayout::SingleFieldCr;
    } else if (fields > 1) {
        fields = 2 * fields - 1;
        a.Layout = GuessedLayout::FixedLength;
    } else {
        a.Layout = GuessedLayout::SingleFieldDelay;
    }
    a.Fields = static_cast<int16_t>(std::min(fields, static_cast<int>(kMaxFields)));
    // The longest record the settings can hold.
    a.RecordLength = static_cast<int16_t>(std::min<size_t>(length, 32766));
    switch (a.Layout) {
    case GuessedLayout::SingleFieldCr: a.End = EndOnCr, a.Structure = SingleField; break;
    case GuessedLayout::SingleFieldDelay: a.End = EndOnTimeDelay, a.Structure = SingleField; break;
    case GuessedLayout::DelimitedCr: a.End = EndOnCr, a.Structure = DelimitedFields; break;
    case GuessedLayout::FixedLength: a.End = EndOnByteCount, a.Structure = FixedLengthFields; break;
    }
    a.Sample = std::string(data.substr(0, crFound ? length - 1 : length));
    return a;
}

std::string AnalysisQuestion(const InputAnalysis& a) {
    std::string m;
    switch (a.Layout) {
    case GuessedLayout::SingleFieldCr: m = Text(txt::SingleFieldRecordsWithCr); break;
    case GuessedLayout::SingleFieldDelay: m = Text(txt::SingleFieldRecordsWithTime); break;
    case GuessedLayout::DelimitedCr:
        m = Text(a.DelimiterName) + " " + Text(txt::DelimitedRecordsWithFieldsAnd);
        ReplaceFirst(m, "??", Number(a.Fields));
        break;
    case GuessedLayout::FixedLength:
        m = Text(txt::NnByteFixedLengthRecords);
        ReplaceFirst(m, "nn", Number(a.RecordLength));
        ReplaceFirst(m, "xx", Number(a.Fields));
        break;
    }
    return m + "\n\n" + Text(txt::ConfigurePortivoxUsingTheseSettings);
}

void ApplyAnalysis(const InputAnalysis& a, Config& config) {
    config.EndOfRecordEvent = a.End;
    config.RecordStructure = a.Structure;
    config.FieldCount = a.Fields;
    config.RecordLength = a.RecordLength;
    if (a.Layout == GuessedLayout::DelimitedCr) config.FieldDelimiter = a.Delimiter;
    config.ConfigChanged = True;
}

bool AnalyzeAndAsk(std::string_view data, Config& config, MessageSink& messages) {
    const std::optional<InputAnalysis> guess = AnalyzeInput(data);
    if (!guess) {
        messages.Beep();
        return false;
    }
    RememberAnalysis(*guess);
    if (messages.Show(AnalysisQuestion(*guess), Text(txt::InputAnalysisBestGuess),
                      MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return false;
    ApplyAnalysis(*guess, config);
    return true;
}

std::vector<std::string> SampleFields(const InputAnalysis& a) {
    std::vector<std::string> fields(1);
    const bool delimited = a.Layout == GuessedLayout::DelimitedCr;
    const bool fixed = a.Layout == GuessedLayout::FixedLength;
    for (size_t i = 0; i < a.Sample.size(); ++i) {
        const char c = a.Sample[i];
        const bool full = static_cast<int>(fields.size()) >= a.Fields;
        if ((delimited || fixed) && !a.Delimiter.empty() && c == a.Delimiter[0] && !full) {
            if (c == ' ' && i > 0 && a.Sample[i - 1] == ' ') continue;
            if (fixed) fields.push_back(std::string(1, c));
            if (static_cast<int>(fields.size()) < a.Fields) fields.emplace_back();
            continue;
        }
        fields.back() += c;
    }
    return fields;
}

const std::optional<InputAnalysis>& LastAnalysis() {
    return Last();
}

void RememberAnalysis(const InputAnalysis& analysis) {
    Last() = analysis;
}

} // namespace pv
