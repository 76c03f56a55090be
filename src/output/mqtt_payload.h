#pragma once
// What a broker subscriber receives for one record: a JSON object on one
// line (no raw line break, so it can be queued line by line).
//
//   {"record":12,"time":"2026-12-05T14:03:07+01:00","device":"/dev/ttyUSB0",
//    "config":"/home/lab/scale.PV3","fields":["12.50","g"],"raw":{"2":"Zw=="}}
//
// "fields" holds each field as delivered; a field that is not valid UTF-8
// shows its bytes as Latin-1 there and, losslessly, as Base64 under "raw",
// keyed by its field number.
#include <string>
#include <string_view>

#include "expr/datetime.h"
#include "runtime/interfaces.h"

namespace pv {

struct PublishContext {
    std::string Device;     // device node, or "virtual"
    std::string ConfigFile; // the configuration file the run started from
};

bool IsValidUtf8(std::string_view bytes);
std::string Base64(std::string_view bytes);
/// A JSON string literal, quotes included. Bytes that are not valid UTF-8
/// are taken as Latin-1 characters.
std::string JsonString(std::string_view bytes);

/// Minutes east of UTC of the local time zone at `local`.
int UtcOffsetMinutes(const DateTime& local);
/// "2026-12-05T14:03:07+01:00".
std::string IsoLocalTime(const DateTime& local, int offsetMinutes);

std::string RecordPayload(const Record& record, const PublishContext& context, int offsetMinutes);

/// The answer to one command: {"command":"...","result":"accepted"} or
/// "refused" with a "reason".
std::string CommandResultPayload(std::string_view command, bool accepted,
                                 std::string_view reason = {});

} // namespace pv
