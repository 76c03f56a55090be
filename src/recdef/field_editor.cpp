#include "recdef/field_editor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pv {

namespace {
constexpr char kLetters[] = "CINHOB";
constexpr int kLengthLimit = 32766;
} // namespace

void FieldEditor::Load(const Config& config) {
    for (int i = 0; i <= kMaxFields; ++i) {
        filter_[i] = config.FieldFilter[i];
        length_[i] = config.FieldLength[i];
        postamble_[i] = config.FieldPostamble[i];
        format_[i] = config.FieldFormat[i];
        expression_[i] = config.FieldMathExpression[i];
    }
    preamble_ = config.RecordPreamble;
    fieldCount_ = std::clamp<int>(config.FieldCount, 1, kMaxFields);
    recordLength_ = config.RecordLength;
    structure_ = config.RecordStructure;
    end_ = config.EndOfRecordEvent;
    index_ = 1;
}

int FieldEditor::SumOfLengths() const {
    int sum = 0;
    for (int i = 1; i <= kMaxFields; ++i)
        sum += length_[i];
    return sum;
}

int FieldEditor::BytesDefined() const {
    return std::min(SumOfLengths(), 32767);
}

bool FieldEditor::NextEnabled() const {
    if (index_ >= fieldCount_) return false;
    // A byte-count record offers another field only while bytes are left to
    // define, or when that field already has a length.
    return end_ != EndOnByteCount || length_[index_ + 1] != 0 || SumOfLengths() < recordLength_;
}

Refusal FieldEditor::Next() {
    if (structure_ == FixedLengthFields && (length_[index_] <= 0 || length_[index_] > kLengthLimit))
        return {4011, 4013};
    if (index_ < kMaxFields) ++index_;
    return {};
}

void FieldEditor::Previous() {
    if (index_ > 1) --index_;
}

int FieldEditor::FilterRow() const {
    const std::string& f = filter_[index_];
    if (f.empty()) return 0;
    const char* at = std::strchr(kLetters + 1, f[0]);
    return at && f[0] != '\0' ? static_cast<int>(at - kLetters) : 0;
}

void FieldEditor::SetFilterRow(int row) {
    filter_[index_] = std::string(1, kLetters[std::clamp(row, 0, 5)]);
}

Refusal FieldEditor::SetLength(double value) {
    if (value > kLengthLimit) return {4011, 4013};
    if (end_ == EndOnByteCount || structure_ == FixedLengthFields)
        length_[index_] = static_cast<int16_t>(std::max(0.0, std::nearbyint(value)));
    return {};
}

void FieldEditor::WriteBack(Config& config) const {
    if (structure_ == FixedLengthFields)
        for (int i = 1; i <= kMaxFields; ++i)
            if (length_[i] == 0) {
                config.FieldCount = static_cast<int16_t>(i - 1);
                break;
            }
    config.RecordPreamble = preamble_;
    for (int i = 1; i <= kMaxFields; ++i) {
        config.FieldFilter[i] = filter_[i];
        config.FieldLength[i] = length_[i];
        config.FieldPostamble[i] = postamble_[i];
        config.FieldFormat[i] = format_[i];
        config.FieldMathExpression[i] = expression_[i];
    }
}

Config FieldEditor::Draft(const Config& config) const {
    Config draft = config;
    WriteBack(draft);
    return draft;
}

Refusal FieldEditor::Ok(Config& config) const {
    if (end_ == EndOnByteCount && SumOfLengths() != recordLength_) return {4012, 4013};
    bool changed = config.RecordPreamble != preamble_;
    for (int i = 1; i <= kMaxFields && !changed; ++i)
        changed = config.FieldFilter[i] != filter_[i] || config.FieldLength[i] != length_[i] ||
                  config.FieldPostamble[i] != postamble_[i] ||
                  config.FieldFormat[i] != format_[i] ||
                  config.FieldMathExpression[i] != expression_[i];
    WriteBack(config);
    if (changed) config.ConfigChanged = True;
    return {};
}

} // namespace pv
