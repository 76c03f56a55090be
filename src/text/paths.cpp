#include "text/paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace pv {

std::string ExpandHome(const std::string& path) {
    if (path != "~" && path.rfind("~/", 0) != 0) return path;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) return path;
    return home + path.substr(1);
}

} // namespace pv
