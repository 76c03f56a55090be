#pragma once
// Reading and replacing whole files so that a failure never costs the file
// on disk: reads refuse anything that is not a regular file before opening
// it, and a replacement is written beside the old file, synced, and renamed
// over it.
#include <cstdint>
#include <string>

namespace pv {

enum class ReadResult : uint8_t { Read, Missing, Failed };

/// Reads a regular file of at most `maxBytes`. Missing only for ENOENT;
/// any other failure (a folder, a FIFO, no permission, too large) is Failed
/// with `why` saying so.
ReadResult ReadRegularFile(const std::string& path, std::string& out, std::string& why,
                           std::uintmax_t maxBytes = 64u << 20);

/// Replaces `path` with `bytes` atomically: a temporary file in the same
/// folder, flushed and synced, with the old file's permissions, renamed
/// over the old one (a symbolic link's target is replaced). On failure the
/// old file is untouched, the temporary is gone, and `why` names the cause.
bool ReplaceFile(const std::string& path, const std::string& bytes, std::string& why);

} // namespace pv
