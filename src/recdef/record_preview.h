#pragma once
// The field editor's live preview: a sample record run through the real
// record assembler and conversion chain with the settings being edited, so
// what the user sees is what a run will deliver.
#include <string>
#include <vector>

#include "config/config.h"

namespace pv {

struct PreviewField {
    std::string Cut;    // as assembled, after the input filter
    std::string Result; // after base conversion, expression, format, translation
    std::string Fault;  // the expression's compile or evaluation fault, or ""
};

struct RecordPreview {
    bool Complete = false;            // the sample held a whole record
    std::vector<PreviewField> Fields; // fields 1..FieldCount
};

/// Feeds `sample` to a runtime on the virtual device and keeps the first
/// record it delivers. Bounded: a sample that never ends a record gives an
/// incomplete preview.
RecordPreview PreviewRecord(const Config& config, const std::string& sample);

/// A fault as the user reads it: the message and the 1-based position.
std::string FaultText(int message, unsigned position);

/// A record of the simulated instrument ("balance", "scanner", "meter").
std::string SimulatorSample(const std::string& profile);

} // namespace pv

namespace pv {

/// A sample record as the user types it: printable bytes as themselves,
/// CR, LF and tab as \r \n \t, a backslash as \\, any other byte as \xHH.
std::string SampleText(const std::string& bytes);
/// Reverses SampleText; a backslash that starts no escape stays itself.
std::string SampleBytes(const std::string& text);

} // namespace pv
