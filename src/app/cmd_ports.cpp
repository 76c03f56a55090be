// portivox ports: which device each COM number opens, and changing that.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/commands.h"
#include "platform/posix/serial_devices.h"
#include "platform/qt/settings_store.h"
#include "serial/port.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv::app {

namespace {

const char kPortsUsage[] =
    "usage: portivox ports                 list mapped COM numbers and the "
    "serial devices found\n"
    "       portivox ports map COMn DEVICE  make COMn open DEVICE\n"
    "       portivox ports unmap COMn       COMn opens /dev/ttyS<n-1> again\n";

int ListPorts(SettingsStore& store) {
    bool any = false;
    for (int16_t port = 0; port < kMaxComNumber; ++port) {
        std::string name = PortNameOf(port);
        std::string mapped = store.Get("Ports", name);
        if (mapped.empty()) continue;
        std::printf("%-6s %s\n", name.c_str(), mapped.c_str());
        any = true;
    }
    if (!any)
        std::printf("No COM number is mapped: COMn opens /dev/ttyS<n-1>.\n");
    else
        std::printf("Other COM numbers: COMn opens /dev/ttyS<n-1>.\n");
    auto devices = ListSerialDevices();
    std::printf("\nSerial devices found:%s\n", devices.empty() ? " none" : "");
    for (const auto& d : devices)
        std::printf("  %s\n", d.c_str());
    return 0;
}

// Why the store's file could not be written, as far as the system says.
std::string WhyNotSaved(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return file + " is not a file";
    std::string dir = file.substr(0, file.rfind('/'));
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return dir + ": " + std::strerror(errno);
    if (::access(file.c_str(), W_OK) != 0 && errno != ENOENT)
        return file + ": " + std::strerror(errno);
    return file + " cannot be written";
}

} // namespace

int PortsCommand(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kPortsUsage, stdout);
        return 0;
    }
    QtSettingsStore store;
    if (args.empty()) return ListPorts(store);

    const std::string& verb = args[0];
    if ((verb == "map" && args.size() == 3) || (verb == "unmap" && args.size() == 2)) {
        int16_t port = CommPortFromName(args[1]);
        if (port < 0) {
            std::fprintf(stderr, "portivox ports: not a port name: %s (COM1..COM%d)\n",
                         args[1].c_str(), kMaxComNumber);
            return 2;
        }
        std::string name = PortNameOf(port);
        if (verb == "map") {
            if (args[2].empty()) {
                std::fprintf(stderr, "portivox ports: the device path is empty\n");
                return 2;
            }
            store.Set("Ports", name, args[2]);
            // Mapped all the same: the adapter may be plugged in later.
            if (::access(args[2].c_str(), F_OK) != 0) {
                std::string warning = Text(txt::MappedMissingDevice);
                warning.replace(warning.find("%1"), 2, args[2]);
                std::fprintf(stderr, "portivox ports: %s\n", warning.c_str());
            }
        } else {
            store.Remove("Ports", name);
        }
        if (!store.Saved()) {
            std::fprintf(stderr, "portivox ports: nothing saved: %s\n",
                         WhyNotSaved(store.FileName()).c_str());
            return 1;
        }
        std::printf("%s opens %s\n", name.c_str(), DevicePathFor(port, &store).c_str());
        return 0;
    }
    std::fputs(kPortsUsage, stderr);
    return 2;
}

} // namespace pv::app
