#include "config/autostart.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "config/file_io.h"

namespace pv {
namespace {

// One Exec argument: quoted when any character would mean something to the
// launcher, with the four characters that stay special inside quotes
// escaped; then "%" doubled for the field codes.
std::string ExecArgument(const std::string& arg) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`=%";
    std::string out;
    bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string::npos;
    if (quote) out += '"';
    for (char c : arg) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
        if (c == '%') out += '%';
    }
    if (quote) out += '"';
    return out;
}

// The string escapes of every desktop entry value, applied last.
std::string EntryValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

std::string AutostartPath(const char* xdgConfigHome, const char* home) {
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        base = xdgConfigHome;
    else if (home && home[0])
        base = std::string(home) + "/.config";
    else
        return {};
    return base + "/autostart/portivox.desktop";
}

std::string AutostartEntry(const std::string& program, const std::string& configFile) {
    std::string exec = ExecArgument(program);
    if (!configFile.empty()) exec += " " + ExecArgument(configFile);
    std::string name = "Portivox";
    if (!configFile.empty())
        name += " (" + std::filesystem::path(configFile).filename().string() + ")";
    std::string entry = "[Desktop Entry]\nType=Application\n";
    entry += "Name=" + EntryValue(name) + "\n";
    entry += "Exec=" + EntryValue(exec) + "\n";
    entry += "Icon=portivox\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return entry;
}

bool AutostartEnabled(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool SetAutostart(const std::string& path, bool on, const std::string& program,
                  const std::string& configFile, std::string& why) {
    if (path.empty()) {
        why = "neither XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    if (!on) {
        if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
        why = path + ": " + std::strerror(errno);
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (ec) {
        why = std::filesystem::path(path).parent_path().string() + ": " + ec.message();
        return false;
    }
    return ReplaceFile(path, AutostartEntry(program, configFile), why);
}

} // namespace pv
