#include "platform/posix/serial_devices.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pv {

namespace fs = std::filesystem;

namespace {

// "ttyUSB10" sorts after "ttyUSB2".
bool NaturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        size_t i = s.size();
        while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9')
            --i;
        return std::pair{s.substr(0, i), s.substr(i)};
    };
    auto [pa, na] = split(a);
    auto [pb, nb] = split(b);
    if (pa != pb) return pa < pb;
    if (na.size() != nb.size()) return na.size() < nb.size();
    return na < nb;
}

std::vector<std::string> Names(const fs::path& dir, const std::string& prefix) {
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) out.push_back(name);
    }
    std::sort(out.begin(), out.end(), NaturalLess);
    return out;
}

} // namespace

std::vector<std::string> ListSerialDevices(const std::string& root) {
    std::vector<std::string> out;
    const fs::path dev = fs::path(root + "/dev");
    for (const auto& name : Names(dev / "serial" / "by-id", ""))
        out.push_back("/dev/serial/by-id/" + name);
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm"})
        for (const auto& name : Names(dev, prefix))
            out.push_back("/dev/" + name);
    std::error_code ec;
    for (const auto& name : Names(dev, "ttyS"))
        if (fs::exists(fs::path(root + "/sys/class/tty") / name / "device", ec))
            out.push_back("/dev/" + name);
    return out;
}

std::string SerialDeviceLabel(const std::string& path) {
    const std::string dir = "/dev/serial/by-id/";
    if (path.compare(0, dir.size(), dir) != 0) return path;
    std::string product = path.substr(dir.size());
    for (const char* bus : {"usb-", "pci-", "platform-"})
        if (product.compare(0, std::strlen(bus), bus) == 0) product.erase(0, std::strlen(bus));
    if (size_t cut = product.rfind("-if"); cut != std::string::npos) product.erase(cut);
    std::replace(product.begin(), product.end(), '_', ' ');
    return product.empty() ? path : path + " (" + product + ")";
}

} // namespace pv
