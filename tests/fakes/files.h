#pragma once
// Whole files and lists as one string, for comparing what a run wrote or did.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pv::testing {

/// The file's bytes; "" when it cannot be read.
inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

/// The items with `separator` between them.
inline std::string Join(const std::vector<std::string>& items, const char* separator = " ") {
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : separator) + item;
    return out;
}

} // namespace pv::testing
