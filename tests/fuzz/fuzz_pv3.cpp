// Feeds arbitrary file images to the configuration file reader. Checked:
// no crash, and whatever it accepts is written back in a form that reads
// to the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    pv::Settings settings;
    int version = 0;
    if (!pv::ParseConfig(bytes, settings, version)) return 0;
    std::string error;
    std::string written = pv::SerializeConfig(settings, &error);
    if (written.empty()) return 0; // a value the writer refuses, with its reason
    pv::Settings again;
    int againVersion = 0;
    if (!pv::ParseConfig(written, again, againVersion) || againVersion != 3) std::abort();
    if (pv::SerializeConfig(again) != written) std::abort();
    return 0;
}
