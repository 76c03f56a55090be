#pragma once
// Analyze Input: a best guess at the record layout of the data seen in the
// port test terminal, the question put to the user, and the record settings
// the guess stands for.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config.h"
#include "text/messages.h"

namespace pv {

/// The four layouts the guess can name.
enum class GuessedLayout {
    SingleFieldCr = 0,    // one field, ended by CR
    SingleFieldDelay = 1, // one field, ended by a pause
    DelimitedCr = 2,      // delimited fields, ended by CR
    FixedLength = 3,      // fixed length, no CR seen
};

struct InputAnalysis {
    GuessedLayout Layout = GuessedLayout::SingleFieldCr;
    int16_t Fields = 1;       // 1..40
    int16_t RecordLength = 0; // the CR's position, else the data's length
    std::string Delimiter;    // "," " " "\t" "*", or "" when none was seen
    int DelimiterName = 0;    // text number of the delimiter's name, 0 when none
    EndEvent End = EndOnCr;
    RecordShape Structure = SingleField;
    /// The first record as seen (up to the CR, without it).
    std::string Sample;
};

/// The guess for `data`; nothing for empty data.
std::optional<InputAnalysis> AnalyzeInput(std::string_view data);

/// The question shown to the user (UTF-8, current language): the layout,
/// a blank line, and whether to configure from it.
std::string AnalysisQuestion(const InputAnalysis& analysis);

/// What Yes does: the record settings take the guess; ConfigChanged is set.
void ApplyAnalysis(const InputAnalysis& analysis, Config& config);

/// Analyze Input on the data seen: a beep for no data; otherwise the guess
/// is remembered and put to the user, and Yes applies it. True when applied.
bool AnalyzeAndAsk(std::string_view data, Config& config, MessageSink& messages);

/// The sample split into the fields the guess names: at each delimiter for
/// delimited records, delimiters standing as fields of their own for fixed
/// length ones; the last field takes what is beyond the field count.
std::vector<std::string> SampleFields(const InputAnalysis& analysis);

/// The layout and sample of the last Analyze Input in this process, for the
/// field editor's preview; empty before the first analysis.
const std::optional<InputAnalysis>& LastAnalysis();
void RememberAnalysis(const InputAnalysis& analysis);

} // namespace pv
