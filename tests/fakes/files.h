#pragma once
// Whole files as bytes, for comparing what a run wrote.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pv::testing {

/// The file's bytes; "" when it cannot be read.
inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace pv::testing
