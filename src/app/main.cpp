// portivox: the desktop program, the headless runner and the diagnostic
// sub-commands share one executable.
#include "app/commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct SubCommand {
    const char* name;
    int (*run)(const pv::app::Args&);
    const char* help;
};

const SubCommand kCommands[] = {
    {"eval", pv::app::EvalCommand,
     "eval [--field N=TEXT ...] EXPR  evaluate a math expression over field texts"},
    {"format", pv::app::FormatCommand,
     "format VALUE|--date DT PATTERN  format a value or a date/time with a pattern"},
    {"config", pv::app::ConfigCommand,
     "config show|new|set FILE ...  inspect, create or edit a configuration file"},
    {"dde", pv::app::DdeCommand,
     "dde execute|request|poke|watch|list|serve ...  talk DDE on the session bus"},
    {"keys", pv::app::KeysCommand,
     "keys [--dry-run] MACRO          show or type the key events of a keystroke macro"},
    {"run", pv::app::RunCommand,
     "run FILE.PV3 [options]         run a configuration without a window (see run --help)"},
    {"ports", pv::app::PortsCommand,
     "ports [map COMn DEVICE|unmap COMn]  list or change the device each COM number opens"},
};

void PrintHelp() {
    std::printf("Usage: portivox [FILE.PV3 [/K]]\n"
                "       portivox SUB-COMMAND ARGS...\n\n"
                "Without a sub-command the setup window opens; a configuration file named\n"
                "on the command line is loaded and activated at once.\n\n"
                "Sub-commands:\n");
    for (const auto& c : kCommands) std::printf("  %s\n", c.help);
    std::printf("  --help                         this text\n"
                "  --version                      the program's version\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
            PrintHelp();
            return 0;
        }
        if (!std::strcmp(argv[1], "--version")) {
            std::printf("portivox %s\n", PORTIVOX_VERSION);
            return 0;
        }
        for (const auto& c : kCommands) {
            if (!std::strcmp(argv[1], c.name)) return c.run(pv::app::Args(argv + 2, argv + argc));
        }
    }
    return pv::app::RunGui(argc, argv);
}
