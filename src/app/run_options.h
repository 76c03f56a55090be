#pragma once
// Options of `portivox run`.
#include <string>

#include "app/commands.h"

namespace pv::app {

struct RunOptions {
    std::string File;
    std::string Port;        // --port PATH
    bool Virtual = false;    // --virtual[=FILE]
    std::string VirtualFile; // empty: standard input
    bool Quiet = false;
    int ExitAfterIdle = 0; // 0: run until stopped
};

bool ParseRunOptions(const Args& args, RunOptions& out, std::string& error);
const char* RunUsage();

} // namespace pv::app
