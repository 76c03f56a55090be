#include "app/run_options.h"

#include <cstdlib>

namespace pv::app {

const char* RunUsage() {
    return "usage: portivox run FILE.PV3 [--port PATH] [--virtual[=FILE]] [--quiet]\n"
           "                    [--exit-after-idle=N]\n";
}

bool ParseRunOptions(const Args& args, RunOptions& out, std::string& error) {
    out = RunOptions{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const std::string& name, std::string& into) {
            if (a == name) {
                if (i + 1 >= args.size()) return false;
                into = args[++i];
                return true;
            }
            into = a.substr(name.size() + 1);
            return true;
        };
        auto is = [&](const std::string& name) { return a == name || a.rfind(name + "=", 0) == 0; };
        if (is("--port")) {
            if (!value("--port", out.Port) || out.Port.empty()) {
                error = "--port needs a device path";
                return false;
            }
        } else if (a == "--virtual") {
            out.Virtual = true;
        } else if (a.rfind("--virtual=", 0) == 0) {
            out.Virtual = true;
            out.VirtualFile = a.substr(10);
        } else if (a == "--quiet" || a == "-q") {
            out.Quiet = true;
        } else if (is("--exit-after-idle")) {
            std::string n;
            char* end = nullptr;
            if (!value("--exit-after-idle", n) || n.empty() ||
                (out.ExitAfterIdle = static_cast<int>(std::strtol(n.c_str(), &end, 10)), *end) ||
                out.ExitAfterIdle < 1) {
                error = "--exit-after-idle needs a number of ticks above 0";
                return false;
            }
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (out.File.empty()) {
            out.File = a;
        } else {
            error = "only one configuration file can be run";
            return false;
        }
    }
    if (out.File.empty()) {
        error = "no configuration file given";
        return false;
    }
    return true;
}

} // namespace pv::app
