// portivox config show|new|set: configurations without the setup window.
#include <cstdio>

#include "app/commands.h"
#include "config/config_file.h"
#include "config/settings_table.h"

namespace pv::app {
namespace {

// Messages go to stderr; a refusal is remembered so the command can fail.
class StderrMessages : public MessageSink {
  public:
    MsgResult Show(const std::string& text, const std::string&, MsgIcon, MsgButtons) override {
        std::fprintf(stderr, "portivox: %s\n", text.c_str());
        shown = true;
        return MsgResult::Ok;
    }
    void Beep() override {}
    bool shown = false;
};

const char kUsage[] = "usage: portivox config show FILE\n"
                      "       portivox config new FILE\n"
                      "       portivox config set FILE Name=value [Name(i)=value ...]\n"
                      "  show   print every saved setting as Name=value or Name(i)=value, bytes\n"
                      "         outside 0x20..0x7E and the backslash written as \\xHH\n"
                      "  new    write a file holding the defaults (replaces FILE)\n"
                      "  set    change settings, value in the same form as show prints it; a FILE\n"
                      "         that does not exist starts from the defaults\n"
                      "FILE must be a regular file; it is replaced only when writing succeeds.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// Loads FILE strictly: a file that is not a valid configuration is an error.
// `missingOk` lets a file that does not exist start from the defaults; any
// other failure to read (no permission, a folder, a FIFO) is an error.
bool LoadStrict(Config& config, const std::string& path, bool missingOk) {
    StderrMessages messages;
    config.ConfigFileName = path;
    FileCheck check = CheckFile(path, messages);
    if (check.outcome == FileCheck::Missing && missingOk) return true;
    if (!check.ok()) {
        if (!messages.shown)
            std::fprintf(stderr, "portivox: %s\n",
                         check.outcome == FileCheck::NotConfig
                             ? (path + " is not a valid configuration file: " + check.why).c_str()
                             : ("cannot read " + check.why).c_str());
        return false;
    }
    return ReadConfigFile(config, messages);
}

int Show(const std::string& path) {
    Config config;
    if (!LoadStrict(config, path, false)) return 1;
    std::string out;
    ForEachSetting([&](const SettingDef& def, int index) {
        out += def.name;
        if (index >= 0) out += "(" + std::to_string(index) + ")";
        out += "=" + ShowSetting(config, def, index) + "\n";
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int Write(Config& config, const std::string& path) {
    StderrMessages messages;
    config.ConfigFileName = path;
    return WriteConfigFile(config, messages) ? 0 : 1;
}

int Set(const std::string& path, const Args& assignments) {
    Config config;
    if (!LoadStrict(config, path, true)) {
        std::fprintf(stderr, "portivox: nothing written\n");
        return 1;
    }
    for (const auto& a : assignments) {
        auto eq = a.find('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "portivox: expected Name=value, got: %s\n", a.c_str());
            return 1;
        }
        std::string why = SetSetting(config, a.substr(0, eq), a.substr(eq + 1));
        if (!why.empty()) {
            std::fprintf(stderr, "portivox: %s; nothing written\n", why.c_str());
            return 1;
        }
    }
    std::string why;
    if (SerializeConfig(config, &why).empty()) {
        std::fprintf(stderr, "portivox: cannot store this configuration: %s; nothing written\n",
                     why.c_str());
        return 1;
    }
    return Write(config, path);
}

} // namespace

int ConfigCommand(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() < 2) return Usage();
    const std::string& verb = args[0];
    const std::string& path = args[1];
    if (verb == "show" && args.size() == 2) return Show(path);
    if (verb == "new" && args.size() == 2) {
        Config config;
        return Write(config, path);
    }
    if (verb == "set") return Set(path, Args(args.begin() + 2, args.end()));
    return Usage();
}

} // namespace pv::app
