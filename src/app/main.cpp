// portivox: the desktop program, the headless runner and the diagnostic
// sub-commands share one executable.
#include "app/commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct SubCommand {
    const char* name;
    int (*run)(const pv::app::Args&);
    const char* usage;
    const char* help;
};

const SubCommand kCommands[] = {
    {"run", pv::app::RunCommand, "run FILE.PV3 [options]",
     "run a configuration without a window (run --help)"},
    {"config", pv::app::ConfigCommand, "config show|new|set FILE ...",
     "inspect, create or edit a configuration file"},
    {"ports", pv::app::PortsCommand, "ports [map COMn DEVICE|unmap COMn]",
     "list or change the device each COM number opens"},
    {"eval", pv::app::EvalCommand, "eval [--field N=TEXT ...] EXPR",
     "evaluate a math expression over field texts"},
    {"format", pv::app::FormatCommand, "format VALUE|--date DT PATTERN",
     "format a value or a date/time with a pattern"},
    {"keys", pv::app::KeysCommand, "keys [--dry-run] MACRO | --backend",
     "show or type the key events of a keystroke macro"},
    {"dde", pv::app::DdeCommand, "dde execute|request|poke|watch|list|serve ...",
     "talk DDE on the session bus"},
    {"mqtt", pv::app::MqttCommand, "mqtt status|set KEY=VALUE...|password",
     "publishing to an MQTT broker: settings, connection, queued records"},
};

void PrintHelp() {
    std::printf("Usage: portivox [FILE.PV3 [/K]]\n"
                "       portivox SUB-COMMAND ARGS...\n\n"
                "Without a sub-command the setup window opens; a configuration file named\n"
                "on the command line is loaded and activated at once.\n\n"
                "Sub-commands (each explains its options with --help):\n");
    size_t width = std::strlen("--version");
    for (const auto& c : kCommands)
        width = std::max(width, std::strlen(c.usage));
    auto row = [&](const char* usage, const char* help) {
        std::printf("  %-*s  %s\n", static_cast<int>(width), usage, help);
    };
    for (const auto& c : kCommands)
        row(c.usage, c.help);
    row("--help", "this text");
    row("--version", "the program's version");
}

// Edits (insert, delete, replace, swap of neighbours) between two words.
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// A first argument that names no file but is one or two edits from a
// sub-command is a mistyped command, not a configuration to load.
const SubCommand* Misspelt(const char* arg) {
    struct stat st {};
    if (!*arg || std::strchr(arg, '/') || std::strchr(arg, '.') || ::stat(arg, &st) == 0)
        return nullptr;
    for (const auto& c : kCommands) {
        std::string name = c.name;
        if (Distance(arg, name) <= (name.size() > 4 ? 2u : 1u)) return &c;
    }
    return nullptr;
}

// Qt aborts the process when it finds no display; say what to do instead.
bool HaveDisplay() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v && *v) return true;
    }
    return false;
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
        if (const SubCommand* near = Misspelt(argv[1])) {
            std::fprintf(stderr, "portivox: unknown command '%s'; did you mean '%s'?\n", argv[1],
                         near->name);
            return 2;
        }
    }
    if (!HaveDisplay()) {
        std::fprintf(stderr, "portivox: no display found (DISPLAY is not set), so the setup window "
                             "cannot open.\nTo run a configuration without a window: portivox run "
                             "FILE.PV3 (see portivox run --help).\n");
        return 1;
    }
    return pv::app::RunGui(argc, argv);
}
