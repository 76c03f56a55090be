#pragma once
// The rules of the record structure walk: start and end events, record
// length, structure and delimiter. Each step stores its settings when the
// user continues and names the dialog that comes next; a refusal stores
// nothing.
#include <string>

#include "config/config.h"

namespace pv {

/// Why a step refuses to continue: numbered message and title (0 = accepted).
struct Refusal {
    int Message = 0;
    int Title = 0;
    explicit operator bool() const { return Message != 0; }
    bool operator==(const Refusal&) const = default;
};

enum class WalkNext { Fixed, Timed, Structure, Delimited, Editor };

/// Continue in the start/end event dialog. A special-character event needs
/// its characters (the start event is checked first).
Refusal CheckRecordEvents(int start, const std::string& startChars, int end,
                          const std::string& endChars);
/// Stores the events and both character strings. A byte-count end forces
/// fixed-length fields.
WalkNext ApplyRecordEvents(Config& config, int start, const std::string& startChars, int end,
                           const std::string& endChars);

/// Continue in the record length dialog: 1..32766 bytes.
Refusal ApplyRecordLength(Config& config, double length);

/// Continue in the structure dialog (0 single, 1 delimited, 2 fixed).
WalkNext ApplyStructure(Config& config, int structure);

/// Continue in the delimiter dialog: 2..40 fields, any delimiter byte.
Refusal ApplyDelimited(Config& config, double fields, unsigned char delimiter);

/// Row `code` of the delimiter list: the code, a tab, its name or itself.
std::string DelimiterRow(int code);

} // namespace pv
