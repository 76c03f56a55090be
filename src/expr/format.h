#pragma once
// The format engine behind field formats, the running window's date/time
// display and dated output: named formats, custom number patterns with up
// to four sections, and date/time patterns.
#include "expr/datetime.h"
#include "expr/value.h"

#include <memory>
#include <string>
#include <string_view>

namespace pv {

/// A format analysed once (named format, number sections, date tokens) and
/// then applied to each value. Every pattern is valid: characters that are
/// no placeholder print as they are. Copies share the analysis.
class CompiledFormat {
  public:
    /// No format: the value's general text (numeric text as its number).
    bool Empty() const { return !plan_; }
    const std::string& Pattern() const;

    /// As FormatValue.
    std::string Apply(const Value& value) const;
    /// As FormatDateTime.
    std::string Apply(const DateTime& dt) const;

    struct Plan;

  private:
    friend CompiledFormat CompileFormat(std::string_view pattern);
    std::shared_ptr<const Plan> plan_;
};

CompiledFormat CompileFormat(std::string_view pattern);

/// Formats a value. Numbers, truth values and text that reads as a number
/// are formatted as numbers (or as serial dates under a date pattern); text
/// that is no number passes numeric patterns unchanged, and under a date
/// pattern is formatted when it reads as a date (ParseDateTime). An empty
/// pattern gives the value's general text, numeric text as its number.
std::string FormatValue(const Value& value, std::string_view pattern);

/// Formats a date and time; an empty pattern gives the general date form.
std::string FormatDateTime(const DateTime& dt, std::string_view pattern);

} // namespace pv
