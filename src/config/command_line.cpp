#include "config/command_line.h"

#include "text/byte_text.h"

namespace pv {

namespace {

bool Delimits(char c) {
    return c == ' ' || c == '"';
}

// Position of the first "/K" that stands as a switch, or npos.
size_t FindSwitch(std::string_view text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '/' || (text[i + 1] != 'K' && text[i + 1] != 'k')) continue;
        bool startOk = i == 0 || Delimits(text[i - 1]);
        bool endOk = i + 2 == text.size() || Delimits(text[i + 2]);
        if (startOk && endOk) return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string ConfigPathFromCommandLine(std::string_view commandLine) {
    std::string text(commandLine);
    if (size_t at = FindSwitch(text); at != std::string::npos) text.erase(at, 2);
    if (!text.empty() && text.front() == '"') text.erase(0, 1);
    if (!text.empty() && text.back() == '"') text.pop_back();
    return std::string(Trim(text));
}

std::string JoinArguments(const std::vector<std::string>& args) {
    std::string joined;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) joined += ' ';
        joined += args[i];
    }
    return joined;
}

} // namespace pv
