#pragma once
// The field definition editor's rules: working copies of the five per-field
// settings, the field being shown, which buttons are live, byte counting for
// fixed-length records, and what OK checks and writes back.
#include <string>

#include "config/config.h"
#include "recdef/record_walk.h"

namespace pv {

class FieldEditor {
  public:
    /// Copies entries 0..40 of the field settings; field 1 is shown.
    void Load(const Config& config);

    int Index() const { return index_; }
    /// Previous/Next: Next checks a fixed-length field's length first.
    Refusal Next();
    void Previous();

    // What the dialog shows for the current field.
    bool PreambleShown() const { return index_ == 1; }
    bool LengthShown() const { return structure_ == FixedLengthFields; }
    bool NavigationShown() const { return structure_ != SingleField; }
    /// Bytes Defined / of: only for records that end on a byte count.
    bool BytesShown() const { return end_ == EndOnByteCount; }
    bool PreviousEnabled() const { return index_ >= 2; }
    bool NextEnabled() const;
    /// The sum of all lengths, capped at 32767.
    int BytesDefined() const;
    int RecordLength() const { return recordLength_; }

    /// Filter list row 0..5 <-> stored letter C I N H O B.
    int FilterRow() const;
    void SetFilterRow(int row);
    int16_t Length() const { return length_[index_]; }
    /// Typed length: above 32766 is refused, else stored where lengths count.
    Refusal SetLength(double value);

    std::string& Format() { return format_[index_]; }
    std::string& Expression() { return expression_[index_]; }
    std::string& Postamble() { return postamble_[index_]; }
    std::string& Preamble() { return preamble_; }

    /// The configuration as OK would leave it (for the preview).
    Config Draft(const Config& config) const;
    /// OK: byte-count records must define exactly RecordLength bytes.
    Refusal Ok(Config& config) const;

  private:
    int SumOfLengths() const;
    void WriteBack(Config& config) const;

    FieldArray<std::string> filter_, postamble_, format_, expression_;
    FieldArray<int16_t> length_{};
    std::string preamble_;
    int index_ = 1;
    int fieldCount_ = 1;
    int recordLength_ = 0;
    RecordShape structure_ = SingleField;
    EndEvent end_ = EndOnCr;
};

} // namespace pv
